#pragma once

#include <QtGlobal>

namespace tvx::engine {

// The progress bar's value: the whole-number part of done / total x 100, computed in floating point
// and truncated toward zero, kept within 0 and 100 (and 0 when there is nothing to do).
inline int progressPercent(qint32 done, qint32 total)
{
    if (total <= 0)
        return 0;
    const double percent = double(done) / double(total) * 100.0;
    if (percent <= 0.0)
        return 0;
    if (percent >= 100.0)
        return 100;
    return int(percent);
}

} // namespace tvx::engine
