#include "numbers.h"

#include <cmath>
#include <limits>

namespace tvx::numbers {

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}
} // namespace

LeadingNumber leadingNumber(QStringView text)
{
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    bool sawPoint = false;
    bool sawDigit = false;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isBlank(c))
            continue;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            sawDigit = true;
            const int d = c.unicode() - '0';
            if (sawPoint) {
                scale /= 10.0;
                fraction += d * scale;
            } else {
                whole = whole * 10.0 + d;
            }
        } else if (c == QLatin1Char('.') && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
    }
    LeadingNumber result;
    result.value = whole + fraction;
    result.complete = sawDigit && i == text.size();
    return result;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

} // namespace tvx::numbers
