#include "progress.h"

namespace tvx::core {

int progressPercent(qint32 done, qint32 total)
{
    if (total <= 0 || done <= 0)
        return 0;
    if (done >= total)
        return 100;
    // Both products are exact in a double, and the one division rounds correctly, so a whole
    // percentage is never rounded down to the number below it.
    return int(double(done) * 100.0 / double(total));
}

} // namespace tvx::core
