#include "bookmarkfile.h"

#include "delimited.h"
#include "netscape.h"
#include "textdecode.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tvx::bookmarks {

FileContents readBookmarkBytes(const QByteArray& bytes, const ReadProgress& progress)
{
    FileContents out;
    bool stopped = false;
    // Decoding is quick; the parse is what the progress reports.
    const ReadProgress watched = [&](qint64 done, qint64 total) {
        if (progress && !progress(done, total))
            stopped = true;
        return !stopped;
    };
    if (netscape::looksLike(bytes)) {
        const DecodedText text = decodeText(bytes, declaredCharset(bytes));
        out.kind = FileKind::Netscape;
        out.encoding = text.encoding;
        out.items = netscape::read(text.text, watched);
    } else {
        const DecodedText text = decodeText(bytes);
        out.kind = FileKind::Delimited;
        out.encoding = text.encoding;
        out.items = delimited::read(text.text, watched);
    }
    out.stopped = stopped;
    return out;
}

FileContents readBookmarkFile(const QString& path, const ReadProgress& progress)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    return readBookmarkBytes(bytes, progress);
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
}

} // namespace tvx::bookmarks
