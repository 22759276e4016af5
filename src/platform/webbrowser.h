#pragma once

#include "engine/browser.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <optional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

namespace tvx::platform {

class WorkerPage;

// The engine's worker browser on a QWebEngineView. Completed top-level loads (successful or failed)
// become page events; loads that were stopped or replaced by another navigation do not.
class WebBrowser final : public QObject, public engine::Browser {
    Q_OBJECT
public:
    // Drives pages of its own, each in an off-the-record profile of its own (freshSession).
    explicit WebBrowser(QWebEngineView* view, QObject* parent = nullptr);
    // Drives `page` (shown in `view`) instead of pages of its own; a fresh session keeps that page
    // and its profile, and only drops what was queued.
    WebBrowser(QWebEngineView* view, WorkerPage* page, QObject* parent = nullptr);

    void setEvents(engine::BrowserEvents* events) { m_events = events; }
    // How long a page step may take before it is given up as not delivered (a page whose scripts
    // hold its renderer busy answers late or never): a fixed time, or one asked for at every step.
    void setStepGuardMs(int ms)
    {
        m_guardMs = nullptr;
        m_guard.setInterval(ms);
    }
    void setStepGuard(std::function<int()> ms) { m_guardMs = std::move(ms); }

    void navigate(const QString& address) override;
    void stop() override;
    void freshSession() override;
    void hold(bool held) override;
    void setSilent(bool silent) override { m_silent = silent; }
    bool silent() const { return m_silent; }
    void runScript(const QString& code) override;
    void runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done) override;

    // The page shown now; a fresh session replaces it.
    WorkerPage* page() const { return m_page; }
    // Nothing under way: no page step waiting for its answer, no navigation or script waiting for its turn.
    bool settled() const
    {
        return !m_pending && !m_deferred && !m_deferredScript && !m_awaitingPress && !m_guard.isActive() &&
               !m_stopGuard.isActive();
    }

signals:
    // A page asked to close the window, whether or not that was passed to the engine (for tests).
    void closeRequested();
    // A page event has been passed to the engine (for measurements).
    void pageCompleted();
    // The engine requested a navigation or a page step (for measurements).
    void requestMade();
    // A page step has been handed to the page; its answer has come back from the page; the engine has
    // finished handling that answer (for measurements).
    void stepSent();
    void stepAnswered();
    void stepHandled();

private:
    int stepGuardMs() const { return m_guardMs ? m_guardMs() : m_guard.interval(); }
    void attach(WorkerPage* page);
    void dropQueued();
    void prepareSpare();
    void load(const QUrl& url);
    void startLoad(const QUrl& url);
    void loadEnded(const QWebEngineLoadingInfo& info);
    void finishStep(quint64 serial, const engine::StepResult& result);
    void awaitPressNavigation();
    void runScriptNow(const QString& code);
    void pressWaitOver();

    QPointer<QWebEngineView> m_view;
    WorkerPage* m_page = nullptr;
    bool m_ownsPages = false; // each session gets a page and profile of its own
    // The next session's page, its blank document loading or loaded (so that its renderer has started
    // by the time an account needs it); it is used once that document has loaded.
    WorkerPage* m_spare = nullptr;
    bool m_spareReady = false;
    engine::BrowserEvents* m_events = nullptr;
    bool m_silent = false;
    QTimer m_guard;
    std::function<int()> m_guardMs;
    quint64 m_stepSerial = 0;
    bool m_stepWaiting = false; // the page step under way waits in the page for its elements
    std::function<void(const engine::StepResult&)> m_pending;
    bool m_loading = false;         // a load has started and its end has not been reported
    // A navigation of the run has started and has brought no document yet: the one shown is being left.
    bool m_leaving = false;
    std::optional<QUrl> m_deferred; // a navigation waiting for the load under way to end
    std::optional<QString> m_deferredScript; // a site's script waiting for a press's navigation to end
    QTimer m_stopGuard;
    // A press of the last page step started a navigation, which must be answered before the next one
    // may go (the next would cancel the submission); bounded by the step guard.
    bool m_awaitingPress = false;
    QTimer m_pressGuard;
    quint64 m_loadStarts = 0;  // loads whose start was reported
    quint64 m_startsAtStep = 0; // ... when the last page step was sent
    // No document to run a script in: the renderer died, or the page is fresh, and nothing has loaded since.
    bool m_noDocument = false;
    std::optional<QString> m_scriptAfterBlank; // a site's script waiting for a document to run in
    bool m_held = false; // nothing is carried out (hold)
};

} // namespace tvx::platform
