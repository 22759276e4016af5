#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <iterator>

namespace tvx::fuzz {

// Any sequence of UTF-16 units, lone surrogates, NULs and separators included: what a QString may hold.
inline QString anyText(FuzzedDataProvider& in, size_t maxUnits = 64)
{
    const size_t units = in.ConsumeIntegralInRange<size_t>(0, maxUnits);
    QString text;
    for (size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
        // Mostly characters that matter to parsers and encoders, now and then any unit at all.
        static const char16_t interesting[] = {u' ',
                                               u'\t',
                                               u'"',
                                               u'\'',
                                               u'\\',
                                               u'<',
                                               u'>',
                                               u'/',
                                               u'.',
                                               u'0',
                                               u'5',
                                               u'9',
                                               u'?',
                                               u',',
                                               u'\0',
                                               u'\n',
                                               u'\r',
                                               u'\u2028',
                                               u'\u2029',
                                               u'\u00a0',
                                               u'\u3000',
                                               char16_t(0xd83d),
                                               char16_t(0xde00),
                                               u'\ufeff',
                                               u'中',
                                               u'e',
                                               u'-',
                                               u'+'};
        if (in.ConsumeBool())
            text += QChar(interesting[in.ConsumeIntegralInRange<size_t>(0, std::size(interesting) - 1)]);
        else
            text += QChar(in.ConsumeIntegral<char16_t>());
    }
    return text;
}

// Stops the run with a message; libFuzzer keeps the input that led here.
[[noreturn]] inline void fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s %s\n", what, qPrintable(detail.left(400)));
    std::abort();
}

inline void check(bool condition, const char* what, const QString& detail = {})
{
    if (!condition)
        fail(what, detail);
}

} // namespace tvx::fuzz
