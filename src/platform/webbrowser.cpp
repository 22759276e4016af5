#include "webbrowser.h"

#include "workerpage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <utility>

namespace tvx::platform {

namespace {
constexpr int kDefaultStepGuardMs = 10000;
constexpr int kStopGuardMs = 1000;
}

WebBrowser::WebBrowser(QWebEngineView* view, QObject* parent)
    : WebBrowser(view, new WorkerPage(view), parent)
{
}

WebBrowser::WebBrowser(QWebEngineView* view, WorkerPage* page, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_page(page)
{
    view->setPage(m_page);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    m_guard.setSingleShot(true);
    m_guard.setInterval(kDefaultStepGuardMs);
    connect(&m_guard, &QTimer::timeout, this, [this] { finishStep(m_stepSerial, {}); });

    // A load that is stopped for the next one may never report its end (a page whose renderer is
    // busy); the next one then starts anyway.
    m_stopGuard.setSingleShot(true);
    m_stopGuard.setInterval(kStopGuardMs);
    connect(&m_stopGuard, &QTimer::timeout, this, [this] {
        if (m_deferred)
            startLoad(*std::exchange(m_deferred, std::nullopt));
    });

    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_loading = true;
            return;
        }
        m_loading = false;
        if (m_deferred) {
            // The load that ended was overtaken by a navigation: it is no page of the run.
            startLoad(*std::exchange(m_deferred, std::nullopt));
            return;
        }
        if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
            info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        m_rendererGone = false; // a document is there again
        if (m_scriptAfterBlank) {
            // The blank document made for a site's script after the renderer died is the program's own
            // doing, not a page of the run: the script runs in it, and no page event is raised.
            const QString code = *std::exchange(m_scriptAfterBlank, std::nullopt);
            m_page->runJavaScript(code, QWebEngineScript::MainWorld);
            return;
        }
        emit pageCompleted();
        if (m_events)
            m_events->pageComplete(true);
    });
    connect(m_page, &WorkerPage::closeRequested, this, [this] {
        if (m_events)
            m_events->windowClosing();
    });
    // A renderer that died leaves no page to answer a step in flight, and no document to run a script in
    // until another page has loaded.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                m_rendererGone = true;
                if (m_pending)
                    QTimer::singleShot(0, this, [this, serial = m_stepSerial] { finishStep(serial, {}); });
            });
}

void WebBrowser::navigate(const QString& address)
{
    emit requestMade();
    m_scriptAfterBlank.reset(); // a script still waiting for its blank document is overtaken
    // The empty address opens the blank page, so that a page event always follows.
    load(address.isEmpty() ? QUrl(QStringLiteral("about:blank")) : QUrl(address));
}

// Qt WebEngine reports when the page starts and stops loading, not each navigation: a navigation
// requested while a load is under way may end together with it, or after it as a second end. Either
// way the end of the overtaken load would be taken for the new page. So the load under way is stopped
// first, and the new one starts when its end has been reported; every load then ends on its own.
void WebBrowser::load(const QUrl& url)
{
    if (m_loading) {
        m_deferred = url;
        m_page->triggerAction(QWebEnginePage::Stop);
        m_stopGuard.start();
        return;
    }
    startLoad(url);
}

void WebBrowser::startLoad(const QUrl& url)
{
    m_stopGuard.stop();
    m_loading = true; // its start is reported later
    m_page->load(url);
}

void WebBrowser::stop()
{
    m_deferred.reset(); // a navigation waiting for its turn is cancelled too
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebBrowser::runScript(const QString& code)
{
    emit requestMade();
    if (m_rendererGone) {
        // The page's renderer died: there is no document to run the script in, and Chromium would drop
        // it. A blank document is made for it first (a site's login script then still starts its login).
        m_scriptAfterBlank = code;
        load(QUrl(QStringLiteral("about:blank")));
        return;
    }
    m_page->runJavaScript(code, QWebEngineScript::MainWorld);
}

void WebBrowser::runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done)
{
    emit requestMade();
    const quint64 serial = ++m_stepSerial;
    m_pending = std::move(done);
    if (m_rendererGone) {
        // No renderer, no document: the step cannot be delivered, and waiting for the guard would only
        // hold up the run.
        QTimer::singleShot(0, this, [this, serial] { finishStep(serial, {}); });
        return;
    }
    m_guard.start(m_guardMs ? m_guardMs() : m_guard.interval());
    m_page->runJavaScript(engine::encodePageStep(step), QWebEngineScript::ApplicationWorld,
                          [self = QPointer<WebBrowser>(this), serial](const QVariant& value) {
                              if (!self)
                                  return;
                              // Through the event queue: the engine is never answered from inside
                              // its own request, whatever state the page is in.
                              QMetaObject::invokeMethod(
                                  self, [self, serial, result = engine::decodeStepResult(value)] {
                                      if (self)
                                          self->finishStep(serial, result);
                                  },
                                  Qt::QueuedConnection);
                          });
}

void WebBrowser::finishStep(quint64 serial, const engine::StepResult& result)
{
    // Answers of steps that were already given up are dropped; every step is answered once.
    if (serial != m_stepSerial || !m_pending)
        return;
    m_guard.stop();
    auto done = std::move(m_pending);
    m_pending = nullptr;
    done(result);
}

} // namespace tvx::platform
