#pragma once

#include "core/error.h"
#include "importeditem.h"

#include <QList>
#include <QString>

namespace tvx::bookmarks {

enum class FileKind { Netscape, Delimited };

// What a bookmark file holds, read whole: its links, its kind and the encoding it was read in.
struct FileContents {
    QList<ImportedItem> items;
    FileKind kind = FileKind::Delimited;
    QString encoding;
    bool stopped = false; // the read was stopped before the end
};

// Reads the bytes of a bookmark file of either kind, told apart by content, not by name.
FileContents readBookmarkBytes(const QByteArray& bytes, const ReadProgress& progress = {});

// The same for a file; throws FileError when it cannot be read.
FileContents readBookmarkFile(const QString& path, const ReadProgress& progress = {});

// Writes `bytes` to `path` whole or not at all (a new file renamed over the old); throws FileError.
void writeWholeFile(const QString& path, const QByteArray& bytes);

// A bookmark file that cannot be read or written.
class FileError final : public Error {
public:
    using Error::Error;
};

} // namespace tvx::bookmarks
