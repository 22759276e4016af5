#include "webbrowser.h"

#include "workerpage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace tvx::platform {

namespace {
constexpr int kDefaultStepGuardMs = 10000;
}

WebBrowser::WebBrowser(QWebEngineView* view, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_page(new WorkerPage(view))
{
    view->setPage(m_page);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    m_guard.setSingleShot(true);
    m_guard.setInterval(kDefaultStepGuardMs);
    connect(&m_guard, &QTimer::timeout, this, [this] { finishStep(m_stepSerial, {}); });

    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
            info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        emit pageCompleted();
        if (m_events)
            m_events->pageComplete(true);
    });
    connect(m_page, &WorkerPage::closeRequested, this, [this] {
        if (m_events)
            m_events->windowClosing();
    });
    // A renderer that died leaves no page to answer a step in flight.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status != QWebEnginePage::NormalTerminationStatus && m_pending)
                    QTimer::singleShot(0, this, [this, serial = m_stepSerial] { finishStep(serial, {}); });
            });
}

void WebBrowser::navigate(const QString& address)
{
    emit requestMade();
    // The empty address opens the blank page, so that a page event always follows.
    m_page->load(address.isEmpty() ? QUrl(QStringLiteral("about:blank")) : QUrl(address));
}

void WebBrowser::stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebBrowser::runScript(const QString& code)
{
    emit requestMade();
    m_page->runJavaScript(code, QWebEngineScript::MainWorld);
}

void WebBrowser::runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done)
{
    emit requestMade();
    const quint64 serial = ++m_stepSerial;
    m_pending = std::move(done);
    m_guard.start();
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
