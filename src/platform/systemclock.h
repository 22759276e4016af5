#pragma once

#include "engine/clock.h"

#include <QElapsedTimer>

namespace tvx::platform {

// Step times in whole seconds of a monotonic clock; log times from the local wall clock.
class SystemClock final : public engine::Clock {
public:
    SystemClock() { m_started.start(); }
    qint64 nowSeconds() const override { return m_started.elapsed() / 1000; }
    QTime localTime() const override { return QTime::currentTime(); }

private:
    QElapsedTimer m_started;
};

} // namespace tvx::platform
