#include "qtticker.h"

namespace tvx::platform {

QtTicker::QtTicker(int intervalMs, QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(intervalMs);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                // A tick that was already queued when the timer was disabled is dropped.
                if (m_timer.isActive())
                    tick();
            },
            Qt::QueuedConnection);
    });
}

void QtTicker::setEnabled(bool enabled)
{
    if (enabled && !m_timer.isActive())
        m_timer.start();
    else if (!enabled)
        m_timer.stop();
}

} // namespace tvx::platform
