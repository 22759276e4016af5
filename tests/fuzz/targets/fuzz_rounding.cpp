// Banker's rounding and the 16-bit conversion, against the C library's rounding to nearest (which
// sends halves to the even neighbour), for any double and for exact halves.
#include "core/numbers.h"
#include "fuzzinput.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

using namespace tvx;
using fuzz::check;

namespace {
void checkValue(double v)
{
    const double r = numbers::roundHalfEven(v);
    const std::optional<qint16> i = numbers::toInt16(v);
    const QString shown = QString::number(v, 'g', 17);
    if (!std::isfinite(v)) {
        check(std::isnan(v) ? std::isnan(r) : r == v, "a value that is not finite stays as it is", shown);
        check(!i, "a value that is not finite has no 16-bit number", shown);
        return;
    }
    const double expected = std::nearbyint(v); // the default rounding: to nearest, halves to even
    check(r == expected, "rounds to nearest, halves to even",
          shown + QStringLiteral(" -> ") + QString::number(r, 'g', 17));
    check(std::fabs(r - v) <= 0.5, "never more than a half away", shown);
    const bool fits = expected >= std::numeric_limits<qint16>::min() && expected <= std::numeric_limits<qint16>::max();
    check(i.has_value() == fits, "a 16-bit number exactly when the rounded value fits", shown);
    if (i)
        check(double(*i) == expected, "the 16-bit number is the rounded value", shown);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check(std::fegetround() == FE_TONEAREST, "the default rounding mode");
    FuzzedDataProvider in(data, size);
    // Any bit pattern.
    double any = 0;
    const auto bytes = in.ConsumeBytes<uint8_t>(sizeof(double));
    if (!bytes.empty())
        std::memcpy(&any, bytes.data(), bytes.size());
    checkValue(any);
    // Halves and near-halves around whole numbers, in and out of the 16-bit range.
    const int whole = in.ConsumeIntegralInRange<int>(-70000, 70000);
    for (double frac : {0.5, -0.5, 0.49999999999999994, 0.5000000000000001, 0.0})
        checkValue(double(whole) + frac);
    checkValue(in.ConsumeFloatingPoint<double>());
    checkValue(double(in.ConsumeIntegral<int64_t>()) / double(int64_t(1) << in.ConsumeIntegralInRange<int>(0, 62)));
    return 0;
}
