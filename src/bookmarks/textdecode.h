#pragma once

#include <QByteArray>
#include <QString>

namespace tvx::bookmarks {

struct DecodedText {
    QString text;
    QString encoding; // the encoding the bytes were read in, as named to the user ("UTF-8", "GB18030", ...)
};

// Reads a file's bytes as text: a byte-order mark decides (UTF-8, UTF-16 in either order); otherwise
// bytes that are valid UTF-8 are UTF-8; otherwise the encoding the file declares (`declared`, for
// example from an HTML page's charset), and failing that GB18030, which Chinese spreadsheets and
// older Chinese programs write and which holds GBK and GB2312 as subsets.
DecodedText decodeText(const QByteArray& bytes, const QByteArray& declared = {});

// The charset an HTML file names in its first bytes (<meta charset=...> or the content type), or empty.
QByteArray declaredCharset(const QByteArray& html);

} // namespace tvx::bookmarks
