#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The program's number conversions, kept in one place because several windows depend on them agreeing.
namespace tvx::numbers {

struct LeadingNumber {
    double value = 0.0;   // the number read, 0 when nothing readable
    bool complete = false; // the whole text (blanks aside) was one well-formed number
};

// Reads a number the way a leading-number parse does: blanks are skipped, then digits with at most
// one decimal point are taken, and reading stops at the first other character. "1.2.3" reads 1.2.
LeadingNumber leadingNumber(QStringView text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value);

// Converts to a signed 16-bit integer with halves-to-even rounding; nothing when the value is not a
// finite number or the rounded value does not fit.
std::optional<qint16> toInt16(double value);

} // namespace tvx::numbers
