#pragma once

#include <QLabel>
#include <QTextDocument>

namespace tvx::test {

// The characters Qt shows for a label's or a tool tip's text: the text itself, unless its format, or
// Qt's guess for Qt::AutoText (Qt::mightBeRichText), makes it HTML, which is then drawn as such.
inline QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText)
{
    if (format == Qt::PlainText || (format != Qt::RichText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

inline QString shownText(const QLabel* label)
{
    return shownText(label->text(), label->textFormat());
}

// Text a page may give, which Qt would draw as a picture of a local file if it took it for markup.
inline QString markupLikeText()
{
    return QStringLiteral("<img src=\"file:///etc/hostname\"> & <b>粗</b>");
}

} // namespace tvx::test
