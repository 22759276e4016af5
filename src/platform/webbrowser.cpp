#include "webbrowser.h"

#include "workerpage.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <utility>

namespace tvx::platform {

namespace {
constexpr int kDefaultStepGuardMs = 10000;
constexpr int kStopGuardMs = 1000;

// A page of a run's worker browser in a profile of its own: no storage name, so it lives in memory only
// and shares no cookies, storage, cache or service workers with any other profile. It fetches only what
// a form needs.
WorkerPage* sessionPage(QWebEngineView* view)
{
    auto* profile = new QWebEngineProfile;
    auto* page = new WorkerPage(profile, view);
    page->fetchOnlyWhatFormsNeed();
    // A profile must outlive its pages: it goes right after its page.
    QObject::connect(page, &QObject::destroyed, [profile] { delete profile; });
    return page;
}

// Why a load brought no answer from the site, in the user's words (Chromium's network error codes).
QString noAnswerText(QWebEngineLoadingInfo::ErrorDomain domain, int code)
{
    switch (code) {
    case -100:
        return QStringLiteral("连接被关闭");
    case -101:
        return QStringLiteral("连接被重置");
    case -102:
        return QStringLiteral("连接被拒绝");
    case -104:
        return QStringLiteral("连接失败");
    case -105:
        return QStringLiteral("找不到服务器");
    case -106:
        return QStringLiteral("没有网络连接");
    case -109:
        return QStringLiteral("无法访问服务器地址");
    case -7:
    case -118:
        return QStringLiteral("连接超时");
    case -310:
        return QStringLiteral("重定向次数过多");
    case -324:
        return QStringLiteral("服务器没有返回任何数据");
    default:
        break;
    }
    if (domain == QWebEngineLoadingInfo::CertificateErrorDomain)
        return QStringLiteral("证书无效");
    return QStringLiteral("网络错误 %1").arg(code);
}

// What the end of a top-level load says of the site's answer: an HTTP error, no answer, or neither.
engine::PageAnswer answerOf(const QWebEngineLoadingInfo& info)
{
    engine::PageAnswer answer;
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return answer;
    const int code = info.errorCode();
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        if (code >= 400 && code <= 599)
            answer.httpStatus = code;
        return answer;
    }
    // A load cancelled on this side (ERR_ABORTED: a download took the page's place) is no answer of
    // the site's.
    if (code == -3)
        return answer;
    answer.noAnswer = noAnswerText(info.errorDomain(), code);
    return answer;
}

// A page that has been replaced goes once it has answered what was asked of it before (a recorder's
// request for the document of a failed step), or after `graceMs` when its renderer is too busy to
// answer. Deleted later in any case: this may run inside one of its own signals.
void retire(WorkerPage* page, int graceMs)
{
    const QPointer<WorkerPage> guarded(page);
    page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld, [guarded](const QVariant&) {
        if (guarded)
            guarded->deleteLater();
    });
    QTimer::singleShot(graceMs, page, &QObject::deleteLater);
}
} // namespace

WebBrowser::WebBrowser(QWebEngineView* view, QObject* parent)
    : WebBrowser(view, sessionPage(view), parent)
{
    m_ownsPages = true;
    prepareSpare();
}

WebBrowser::WebBrowser(QWebEngineView* view, WorkerPage* page, QObject* parent)
    : QObject(parent)
    , m_view(view)
{
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
    m_pressGuard.setSingleShot(true);
    connect(&m_pressGuard, &QTimer::timeout, this, &WebBrowser::pressWaitOver);
    attach(page);
}

// Shows `page` and takes its events.
void WebBrowser::attach(WorkerPage* page)
{
    m_page = page;
    m_view->setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_loading = true;
            ++m_loadStarts;
            return;
        }
        loadEnded(info);
    });
    connect(page, &WorkerPage::documentCreated, this, [this] {
        m_leaving = false;
        // A step waiting in the document that went away will never report.
        if (m_stepWaiting)
            QMetaObject::invokeMethod(this, [this, serial = m_stepSerial] { finishStep(serial, {}); },
                                      Qt::QueuedConnection);
    });
    // A step that waited for its elements reports by a console line "serial:report".
    connect(page, &WorkerPage::stepReported, this, [this](const QString& line) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        bool ok = false;
        const quint64 serial = line.left(colon).toULongLong(&ok);
        if (colon < 0 || !ok || serial != m_stepSerial || !m_pending)
            return;
        emit stepAnswered();
        const engine::StepResult result =
            engine::decodeStepResult(QJsonDocument::fromJson(line.mid(colon + 1).toUtf8()).toVariant());
        QMetaObject::invokeMethod(this, [this, serial, result] { finishStep(serial, result); }, Qt::QueuedConnection);
    });
    // A press that started no navigation reports what it brought by a console line "serial:report"; it
    // stands for the press's page only while nothing else has happened since its step (no other step, no
    // load, nothing waiting for a navigation). Through the event queue, after the step's own answer.
    connect(page, &WorkerPage::pressReported, this, [this](const QString& line) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        bool ok = false;
        const quint64 serial = line.left(colon).toULongLong(&ok);
        if (colon < 0 || !ok)
            return;
        const engine::PressAnswer press = engine::decodePressAnswer(line.mid(colon + 1));
        QMetaObject::invokeMethod(
            this,
            [this, serial, press] {
                if (!press.delivered || serial != m_stepSerial || m_pending || m_loading || m_leaving ||
                    m_awaitingPress || m_deferred || m_deferredScript || m_loadStarts != m_startsAtStep)
                    return;
                engine::PageAnswer answer;
                answer.httpStatus = press.httpStatus;
                if (m_events)
                    m_events->pressAnswered(answer);
            },
            Qt::QueuedConnection);
    });
    connect(page, &WorkerPage::closeRequested, this, [this] {
        emit closeRequested();
        // A document the run has already asked to leave (its next page or script waits for a press's
        // answer, or for the load under way to stop) speaks for no step of the run: a share page's
        // answer that closes its window once saved would otherwise count a second time, and the page
        // it would open in place of the waiting one skips the next bookmark or the log-out. So does a
        // document the run's next page is replacing (a result page that closes its window a moment
        // after it has loaded, while the next submit page is on its way).
        if (m_deferred || m_deferredScript || m_leaving)
            return;
        if (m_events)
            m_events->windowClosing();
    });
    // A renderer that died leaves no page to answer a step in flight, and no document to run a script in
    // until another page has loaded.
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                m_noDocument = true;
                // No navigation of that page will be answered now: what waited for one goes.
                if (m_awaitingPress) {
                    m_pressGuard.stop();
                    pressWaitOver();
                }
                if (m_pending)
                    QTimer::singleShot(0, this, [this, serial = m_stepSerial] { finishStep(serial, {}); });
            });
}

// Nothing queued is carried out any more: no navigation or script waiting for its turn, no wait for a
// press's navigation.
void WebBrowser::dropQueued()
{
    m_deferred.reset();
    m_deferredScript.reset();
    m_scriptAfterBlank.reset();
    m_awaitingPress = false;
    m_pressGuard.stop();
    m_stopGuard.stop();
}

// A new renderer takes longer to start than a page on a near site takes to load: the next session's
// page is made ahead, while the current account goes on, and its renderer started by a blank document.
void WebBrowser::prepareSpare()
{
    if (!m_ownsPages || m_spare || !m_view)
        return;
    m_spare = sessionPage(m_view);
    m_spareReady = false;
    connect(m_spare, &QWebEnginePage::loadFinished, this, [this] { m_spareReady = true; });
    m_spare->load(QUrl(QStringLiteral("about:blank")));
}

void WebBrowser::hold(bool held)
{
    m_held = held;
    if (!held)
        return;
    dropQueued();
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebBrowser::freshSession()
{
    dropQueued();
    // A step still waiting for its answer gets none from the page that goes.
    if (m_pending)
        QTimer::singleShot(0, this, [this, serial = m_stepSerial] { finishStep(serial, {}); });
    if (!m_ownsPages || !m_view) {
        m_page->triggerAction(QWebEnginePage::Stop);
        return;
    }
    // The page that goes reports nothing more (its stopped load, a late close request), and takes its
    // profile and renderer with it. It is deleted later: this may be called from one of its own signals.
    WorkerPage* old = m_page;
    old->disconnect(this);
    // A spare whose blank document is still loading would report its end as a page of the run.
    const bool spare = m_spare && m_spareReady;
    WorkerPage* next = spare ? std::exchange(m_spare, nullptr) : sessionPage(m_view);
    next->disconnect(this);
    attach(next);
    old->triggerAction(QWebEnginePage::Stop);
    retire(old, stepGuardMs());
    m_loading = false;
    m_leaving = false;
    // A page that is not the spare holds no document yet: a site's script gets a blank one to run in.
    m_noDocument = !spare;
    QTimer::singleShot(0, this, &WebBrowser::prepareSpare);
}

void WebBrowser::loadEnded(const QWebEngineLoadingInfo& info)
{
    m_loading = false;
    m_leaving = false; // whichever document is shown now is the run's
    if (m_awaitingPress && m_loadStarts > m_startsAtStep) {
        // The press's navigation has been answered: the server has the submission.
        m_awaitingPress = false;
        m_pressGuard.stop();
    }
    if (m_deferred || m_deferredScript) {
        // The load that ended was overtaken by a navigation (or a site's script) that waited for it: it
        // is no page of the run. What waited goes now, unless the press's navigation is still to come;
        // a script runs in the document that navigation brought.
        if (m_awaitingPress)
            return;
        if (m_deferred)
            startLoad(*std::exchange(m_deferred, std::nullopt));
        else
            runScriptNow(*std::exchange(m_deferredScript, std::nullopt));
        return;
    }
    if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
        info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    m_noDocument = false; // a document is there again
    if (m_scriptAfterBlank) {
        // The blank document made for a site's script (after the renderer died, or in a fresh page) is
        // the program's own doing, not a page of the run: the script runs in it, and no page event is
        // raised.
        runScriptNow(*std::exchange(m_scriptAfterBlank, std::nullopt));
        return;
    }
    const engine::PageAnswer answer = answerOf(info);
    emit pageCompleted();
    if (m_events) {
        if (answer.failed())
            m_events->pageFailed(answer);
        m_events->pageComplete(true);
    }
}

void WebBrowser::navigate(const QString& address)
{
    if (m_held)
        return;
    emit requestMade();
    m_scriptAfterBlank.reset(); // a script still waiting for its blank document is overtaken
    m_deferredScript.reset();
    // The empty address opens the blank page, so that a page event always follows.
    load(address.isEmpty() ? QUrl(QStringLiteral("about:blank")) : QUrl(address));
}

// Qt WebEngine reports when the page starts and stops loading, not each navigation: a navigation
// requested while a load is under way may end together with it, or after it as a second end. Either
// way the end of the overtaken load would be taken for the new page. So the load under way is stopped
// first, and the new one starts when its end has been reported; every load then ends on its own.
//
// A navigation requested right after a press that started one (a form submitted, a link followed)
// waits until the press's navigation has been answered: stopping it, or starting another before it has
// begun, would cancel the submission the press just made.
void WebBrowser::load(const QUrl& url)
{
    if (m_awaitingPress) {
        m_deferred = url;
        return;
    }
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
    m_leaving = true;
    m_page->load(url);
}

void WebBrowser::stop()
{
    // A navigation or script waiting for its turn is cancelled too.
    dropQueued();
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebBrowser::awaitPressNavigation()
{
    // A navigation that has begun and ended since the step was sent leaves nothing to wait for.
    if (m_loadStarts > m_startsAtStep && !m_loading)
        return;
    m_awaitingPress = true;
    m_pressGuard.start(stepGuardMs());
}

// The press's navigation did not come, or was not answered, within the step guard: what waited goes
// now, after the load under way (if any) has been stopped.
void WebBrowser::pressWaitOver()
{
    m_awaitingPress = false;
    if (m_deferred) {
        if (m_loading) {
            m_page->triggerAction(QWebEnginePage::Stop);
            m_stopGuard.start();
        } else {
            startLoad(*std::exchange(m_deferred, std::nullopt));
        }
    } else if (m_deferredScript) {
        runScriptNow(*std::exchange(m_deferredScript, std::nullopt));
    }
}

void WebBrowser::runScript(const QString& code)
{
    if (m_held)
        return;
    emit requestMade();
    if (m_awaitingPress) {
        // A site's script (which typically opens its login page) would cancel the press's navigation too.
        m_deferred.reset();
        m_deferredScript = code;
        return;
    }
    runScriptNow(code);
}

void WebBrowser::runScriptNow(const QString& code)
{
    if (m_noDocument) {
        // The page's renderer died, or the page is fresh: there is no document to run the script in, and
        // Chromium would drop it. A blank document is made for it first (a site's login script then still
        // starts its login).
        m_scriptAfterBlank = code;
        load(QUrl(QStringLiteral("about:blank")));
        return;
    }
    // A site's script leaves the page as a navigation does (a login script opens its login page): a
    // close request of the document it leaves speaks for no step of the run.
    m_leaving = true;
    m_page->runJavaScript(code, QWebEngineScript::MainWorld);
}

void WebBrowser::runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done)
{
    const bool held = m_held; // a step asked for before the hold goes to the page all the same
    emit requestMade();
    const quint64 serial = ++m_stepSerial;
    m_pending = std::move(done);
    m_stepWaiting = false;
    m_startsAtStep = m_loadStarts;
    if (m_noDocument || held) {
        // No document: the step cannot be delivered, and waiting for the guard would only
        // hold up the run.
        QTimer::singleShot(0, this, [this, serial] { finishStep(serial, {}); });
        return;
    }
    const int guardMs = stepGuardMs();
    m_guard.start(guardMs);
    // The page itself drops the step once it is due to be given up (a page busy past the guard would
    // otherwise carry it out later, on whatever the run has moved on to). Its deadline lies a little
    // before the guard, so that a step the page still carries out is answered before it is given up.
    engine::StepGuard pageGuard;
    pageGuard.deadlineMs = QDateTime::currentMSecsSinceEpoch() + guardMs - qMin(guardMs / 4, 1000);
    pageGuard.formSubmitEvent = m_page->formSubmitEvent();
    pageGuard.requestEvent = m_page->requestEvent();
    pageGuard.answer = m_page->stepToken() + QString::number(serial) + QLatin1Char(':');
    pageGuard.pressAnswer = m_page->pressToken() + QString::number(serial) + QLatin1Char(':');
    m_page->runJavaScript(engine::encodePageStep(step, pageGuard), QWebEngineScript::ApplicationWorld,
                          [self = QPointer<WebBrowser>(this), serial](const QVariant& value) {
                              if (!self)
                                  return;
                              const engine::StepResult result = engine::decodeStepResult(value);
                              if (result.waiting) {
                                  if (serial == self->m_stepSerial && self->m_pending)
                                      self->m_stepWaiting = true;
                                  return; // answered by stepReported
                              }
                              emit self->stepAnswered();
                              // Through the event queue: the engine is never answered from inside
                              // its own request, whatever state the page is in.
                              QMetaObject::invokeMethod(
                                  self, [self, serial, result] {
                                      if (self)
                                          self->finishStep(serial, result);
                                  },
                                  Qt::QueuedConnection);
                          });
    emit stepSent();
}

void WebBrowser::finishStep(quint64 serial, const engine::StepResult& result)
{
    // Answers of steps that were already given up are dropped; every step is answered once.
    if (serial != m_stepSerial || !m_pending)
        return;
    m_guard.stop();
    m_stepWaiting = false;
    if (result.navigating)
        awaitPressNavigation();
    auto done = std::move(m_pending);
    m_pending = nullptr;
    done(result);
    emit stepHandled();
}

} // namespace tvx::platform
