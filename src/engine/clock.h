#pragma once

#include <QDateTime>
#include <QTime>

namespace tvx::engine {

// The program's clock. Step times are whole seconds on a clock that only moves forward, so a change
// of the system time can neither fire nor hold back the watchdog; log lines take the local wall time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowSeconds() const = 0;
    virtual QTime localTime() const = 0;
    // The local date and time, for what outlives the run (the moment a run started).
    virtual QDateTime localDateTime() const { return QDateTime::currentDateTime(); }
};

// Whole seconds between two readings of the clock.
inline qint64 secondsBetween(qint64 start, qint64 now)
{
    return now - start;
}

} // namespace tvx::engine
