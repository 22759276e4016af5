#pragma once

#include "engine/clock.h"

namespace tvx::test {

// A clock the test sets by hand: whole seconds for step times, and a local time for log lines.
class TestClock final : public engine::Clock {
public:
    qint64 nowSeconds() const override { return m_seconds; }
    QTime localTime() const override { return m_time; }

    void setSeconds(qint64 seconds) { m_seconds = seconds; }
    void advance(qint64 seconds) { m_seconds += seconds; }
    void setLocalTime(QTime time) { m_time = time; }

private:
    qint64 m_seconds = 1000;
    QTime m_time{12, 0, 0};
};

} // namespace tvx::test
