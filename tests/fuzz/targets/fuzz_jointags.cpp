// Joining categories: every blank becomes the site's separator, nothing else changes, and an empty
// text stays empty.
#include "engine/formfill.h"
#include "fuzzinput.h"

using namespace tvx;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString separator = fuzz::anyText(in, 4);
    const QString tags = fuzz::anyText(in, 200);
    const QString joined = engine::forms::JoinTags(tags, separator);
    QString expected;
    for (const QChar c : tags) {
        if (c == QLatin1Char(' '))
            expected += separator;
        else
            expected += c;
    }
    check(joined == expected, "blanks become the separator", tags + QStringLiteral(" | ") + separator);
    check(joined.size() == tags.size() + tags.count(QLatin1Char(' ')) * (separator.size() - 1), "the length adds up",
          tags);
    if (!separator.contains(QLatin1Char(' ')) && !separator.isEmpty())
        check(!joined.contains(QLatin1Char(' ')), "no blank is left", tags);
    return 0;
}
