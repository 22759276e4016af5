// The leading-number parse behind the time-out: on any text it reads what a plain reading of its
// leading digits gives, and the time-out box accepts a text only as a whole number of seconds in range.
#include "core/numbers.h"
#include "fuzzinput.h"
#include "ui/dialogs/timeoutinput.h"

#include <cmath>
#include <string>

using namespace tvx;
using fuzz::check;

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString text = in.ConsumeBool() ? fuzz::anyText(in, 400)
                                          : QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const numbers::LeadingNumber n = numbers::leadingNumber(text);

    // The reading by hand: blanks are passed over, digits and the first point are kept, anything else
    // ends it; the kept characters are then read by the C library.
    std::string kept;
    bool point = false;
    bool digit = false;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isBlank(c))
            continue;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            kept += char(c.unicode());
            digit = true;
        } else if (c == QLatin1Char('.') && !point) {
            kept += '.';
            point = true;
        } else {
            break;
        }
    }
    const double expected = digit ? std::strtod(kept.c_str(), nullptr) : 0.0;
    check(!std::isnan(n.value) && n.value >= 0.0, "the value is a number, never negative", text);
    if (std::isinf(expected) || expected > 1e300)
        check(n.value > 1e300, "a huge number reads huge", text);
    else
        check(std::fabs(n.value - expected) <= 1e-9 * std::max(1.0, expected), "the value is the leading number",
              text + QStringLiteral(" -> ") + QString::number(n.value, 'g', 17) + QStringLiteral(" expected ") +
                  QString::number(expected, 'g', 17));
    check(n.complete == (digit && i == text.size()), "complete means the whole text was the number", text);

    // The time-out box: an accepted text is a whole number of seconds from 1 to 32767, and a refused one
    // says why.
    const ui::dialogs::TimeoutCheck t = ui::dialogs::checkTimeoutText(text);
    check(t.seconds.has_value() == t.message.isEmpty(), "a time-out is accepted, or refused with a reason", text);
    if (t.seconds) {
        check(*t.seconds >= 1 && *t.seconds <= ui::dialogs::kLargestTimeout, "an accepted time-out is in range", text);
        check(n.complete, "only a whole number text is accepted", text);
        check(std::fabs(*t.seconds - n.value) <= 0.5, "the time-out is the number rounded", text);
    }
    // What pasting leaves in the box passes the keystroke filter character by character.
    const QString pasted = ui::dialogs::filterTimeoutText(text);
    for (const QChar c : pasted)
        check(ui::dialogs::isTimeoutKeyAccepted(0, QString(c)), "pasted text holds only typeable characters", text);
    return 0;
}
