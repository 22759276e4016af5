#pragma once

#include "engine/browser.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEngineView;

namespace tvx::platform {

class WorkerPage;

// The engine's worker browser on a QWebEngineView. Completed top-level loads (successful or failed)
// become page events; loads that were stopped or replaced by another navigation do not.
class WebBrowser final : public QObject, public engine::Browser {
    Q_OBJECT
public:
    explicit WebBrowser(QWebEngineView* view, QObject* parent = nullptr);

    void setEvents(engine::BrowserEvents* events) { m_events = events; }
    // How long a page step may take before it is given up as not delivered (a page whose scripts
    // hold its renderer busy answers late or never).
    void setStepGuardMs(int ms) { m_guard.setInterval(ms); }

    void navigate(const QString& address) override;
    void stop() override;
    void setSilent(bool silent) override { m_silent = silent; }
    bool silent() const { return m_silent; }
    void runScript(const QString& code) override;
    void runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done) override;

    WorkerPage* page() const { return m_page; }

signals:
    // A page event has been passed to the engine (for measurements).
    void pageCompleted();
    // The engine requested a navigation or a page step (for measurements).
    void requestMade();

private:
    void finishStep(quint64 serial, const engine::StepResult& result);

    QPointer<QWebEngineView> m_view;
    WorkerPage* m_page = nullptr;
    engine::BrowserEvents* m_events = nullptr;
    bool m_silent = false;
    QTimer m_guard;
    quint64 m_stepSerial = 0;
    std::function<void(const engine::StepResult&)> m_pending;
};

} // namespace tvx::platform
