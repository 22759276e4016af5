#pragma once

#include "engine/ticker.h"

#include <QObject>
#include <QTimer>

namespace tvx::platform {

// An engine timer on a QTimer. A tick is delivered through the event queue, so the events already
// pending (a page that completed just before the tick) are handled first.
class QtTicker final : public QObject, public engine::Ticker {
    Q_OBJECT
public:
    explicit QtTicker(int intervalMs, QObject* parent = nullptr);
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace tvx::platform
