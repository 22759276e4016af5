#include "timeoutinput.h"

#include "core/numbers.h"

#include <Qt>

namespace tvx::ui::dialogs {

bool isTimeoutCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.');
}

bool isTimeoutKeyAccepted(int key, const QString& text)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    if (text.isEmpty())
        return true;
    return text.size() == 1 && isTimeoutCharacter(text.at(0));
}

QString filterTimeoutText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (isTimeoutCharacter(c))
            out.append(c);
    return out;
}

TimeoutCheck checkTimeoutText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return {std::nullopt, QStringLiteral("请输入超时时限！")};
    const numbers::LeadingNumber number = numbers::leadingNumber(text);
    if (number.value == 0.0)
        return {std::nullopt, QStringLiteral("超时时限不能为零！")};
    if (!number.complete)
        return {std::nullopt, QStringLiteral("“%1”不是有效的数字，请输入超时时限的秒数，例如 30！").arg(text.trimmed())};
    const double rounded = numbers::roundHalfEven(number.value);
    if (rounded == 0.0)
        return {std::nullopt, QStringLiteral("超时时限取整后为零，请输入至少 1 秒！")};
    const std::optional<qint16> seconds = numbers::toInt16(number.value);
    if (!seconds)
        return {std::nullopt, QStringLiteral("超时时限不能超过 %1 秒！").arg(kLargestTimeout)};
    return {seconds, QString()};
}

} // namespace tvx::ui::dialogs
