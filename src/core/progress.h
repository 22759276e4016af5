#pragma once

#include <QtGlobal>

namespace tvx::core {

// The progress bar's value for `done` of `total` steps: the whole-number part of the percentage,
// truncated toward zero and kept within 0 and 100; 0 when there is nothing to do.
// The percentage is taken as done x 100 / total, not done / total x 100: the quotient first would
// round 29 / 100 to 0.28999..., and 29 of 100 steps would show 28.
int progressPercent(qint32 done, qint32 total);

} // namespace tvx::core
