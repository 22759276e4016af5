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
    // A spreadsheet's own workbook (a zip of XML, or the older compound file) is no text: read as one,
    // it gives only refusals of garbage.
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw FileError(QStringLiteral("文件“%1”不是文本文件，而是表格程序的工作簿（如 Excel 的 .xlsx、.xls 文件）。"
                                       "请在表格程序中把它另存为“CSV（逗号分隔）”文件，再导入那个文件。")
                            .arg(QFileInfo(path).fileName()));
    return readBookmarkBytes(bytes, progress);
}

void writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
}

} // namespace tvx::bookmarks
