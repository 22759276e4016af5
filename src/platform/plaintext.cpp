#include "plaintext.h"

#include <QLabel>
#include <QTextDocument>

namespace tvx::platform {

void showPlainText(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
}

QString plainToolTip(const QString& text)
{
    // The tool tip has no format of its own: QToolTip decides by Qt::mightBeRichText, so only a text
    // it would misread needs escaping, and every other tip stays the text itself.
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace tvx::platform
