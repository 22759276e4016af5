#include "textdecode.h"

#include <QStringDecoder>

#include <cctype>

namespace tvx::bookmarks {

namespace {
bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = utf8(bytes);
    return !utf8.hasError();
}

DecodedText decodeWith(QStringDecoder::Encoding encoding, const QByteArray& bytes, const char* name)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return {decoder(bytes), QString::fromLatin1(name)};
}
} // namespace

DecodedText decodeText(const QByteArray& bytes, const QByteArray& declared)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWith(QStringDecoder::Utf8, bytes.mid(3), "UTF-8");
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWith(QStringDecoder::Utf16LE, bytes.mid(2), "UTF-16");
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWith(QStringDecoder::Utf16BE, bytes.mid(2), "UTF-16");
    if (isValidUtf8(bytes))
        return decodeWith(QStringDecoder::Utf8, bytes, "UTF-8");
    // A file that claims UTF-8 but is not is taken for the usual other encoding, not read as garbage.
    const QByteArray name = declared.trimmed().toUpper();
    if (!name.isEmpty() && name != "UTF-8" && name != "UTF8") {
        QStringDecoder decoder(name.constData(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return {decoder(bytes), QString::fromLatin1(name)};
    }
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (gb18030.isValid())
        return {gb18030(bytes), QStringLiteral("GB18030")};
    return decodeWith(QStringDecoder::Utf8, bytes, "UTF-8");
}

QByteArray declaredCharset(const QByteArray& html)
{
    // Browsers look for the declaration within the first 1024 bytes; exports put it in the head.
    const QByteArray head = html.left(4096).toLower();
    qsizetype at = head.indexOf("charset");
    while (at >= 0) {
        qsizetype i = at + 7;
        while (i < head.size() && (head.at(i) == ' ' || head.at(i) == '\t'))
            ++i;
        if (i < head.size() && head.at(i) == '=') {
            ++i;
            while (i < head.size() && (head.at(i) == ' ' || head.at(i) == '"' || head.at(i) == '\''))
                ++i;
            qsizetype end = i;
            while (end < head.size() &&
                   (std::isalnum(static_cast<unsigned char>(head.at(end))) || head.at(end) == '-' ||
                    head.at(end) == '_' || head.at(end) == ':' || head.at(end) == '.'))
                ++end;
            if (end > i)
                return html.mid(i, end - i);
        }
        at = head.indexOf("charset", at + 7);
    }
    return {};
}

} // namespace tvx::bookmarks
