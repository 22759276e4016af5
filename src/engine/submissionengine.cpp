#include "submissionengine.h"

#include "core/progress.h"
#include "sitenames.h"
#include "store/programstore.h"

#include <QUrl>

namespace tvx::engine {

const QString SubmissionEngine::kAbortCaption = QStringLiteral("中止(&T)");
const QString SubmissionEngine::kSubmitCaption = QStringLiteral("提交(&I)");
const QString SubmissionEngine::kAllSubmitCaption = QStringLiteral("全部提交(&M)");

SubmissionEngine::SubmissionEngine(RunHost& host, Browser& browser, const Clock& clock, Ticker& timer1,
                                   Ticker& timer2, store::ProgramStore& store, WebHosts hosts)
    : m_host(host)
    , m_browser(browser)
    , m_clock(clock)
    , m_timer1(timer1)
    , m_timer2(timer2)
    , m_store(store)
    , m_hosts(std::move(hosts))
{
    m_timer1.setEnabled(false);
    m_timer2.setEnabled(false);
    m_timer1.setHandler([this] { post(Event::Timer1); });
    m_timer2.setHandler([this] { post(Event::Timer2); });
}

SubmissionEngine::~SubmissionEngine()
{
    m_timer1.setHandler({});
    m_timer2.setHandler({});
}

void SubmissionEngine::cmdAllSubmit_Click()
{
    post(Event::AllSubmit);
}

void SubmissionEngine::cmdSubmit_Click()
{
    post(Event::Submit);
}

void SubmissionEngine::pageComplete(bool topLevel)
{
    post(topLevel ? Event::PageTop : Event::PageFrame);
}

void SubmissionEngine::windowClosing()
{
    post(Event::WindowClosing);
}

void SubmissionEngine::post(Event event)
{
    // A page that completes while no run is in progress changes nothing, whenever it is handled.
    if ((event == Event::PageTop || event == Event::PageFrame) && !m_run.mblnRunning)
        return;
    m_queue.append(Queued{event, m_runSerial});
    drain();
}

void SubmissionEngine::drain()
{
    while (!m_busy && !m_queue.isEmpty()) {
        const Queued next = m_queue.takeFirst();
        // Events of an earlier run (queued behind a handler that started a new one) are dropped.
        if (next.run != m_runSerial && next.event != Event::AllSubmit && next.event != Event::Submit)
            continue;
        m_busy = true;
        handle(next.event);
        if (!m_inFlight)
            handlerDone();
    }
}

void SubmissionEngine::handle(Event event)
{
    switch (event) {
    case Event::PageTop:
        wb_DocumentComplete();
        break;
    case Event::PageFrame:
        // A frame's document: the run goes on with the top-level page, and the watchdog is untouched.
        break;
    case Event::WindowClosing:
        wb_WindowClosing();
        break;
    case Event::Timer1:
        Timer1_Timer();
        break;
    case Event::Timer2:
        Timer2_Timer();
        break;
    case Event::AllSubmit:
        if (m_host.buttonCaption(RunButton::AllSubmit) == kAbortCaption)
            abortRun(RunButton::AllSubmit);
        else
            startAllSites();
        break;
    case Event::Submit:
        if (m_host.buttonCaption(RunButton::Submit) == kSubmitCaption)
            startChosenSites();
        else
            abortRun(RunButton::Submit);
        break;
    }
}

void SubmissionEngine::handlerDone()
{
    // Every run ends: a handler never leaves a run with neither a timer armed nor a page awaited
    // under a watchdog (a step that found nothing to press ends by time-out).
    if (m_run.mblnRunning && !m_timer1.isEnabled() && !m_timer2.isEnabled())
        armWatchdog();
    m_busy = false;
}

void SubmissionEngine::sendStep(const PageStep& step, std::function<void(const StepResult&)> then)
{
    m_inFlight = true;
    m_browser.runStep(step, [this, then = std::move(then)](const StepResult& result) {
        then(result);
        m_inFlight = false;
        handlerDone();
        drain();
    });
}

void SubmissionEngine::noteFailures(const StepResult& result)
{
    if (!result.delivered || result.failed)
        m_stepFailed = true;
}

void SubmissionEngine::refreshSite()
{
    m_site = SiteRecord::fromCurrent(m_run.mrsSites);
}

Bookmark SubmissionEngine::bookmarkAt(qint32 row) const
{
    return m_host.bookmark(row);
}

void SubmissionEngine::LoadCurrentBookmark()
{
    const Bookmark b = bookmarkAt(m_run.mlngCurRow);
    m_run.mstrURL = b.url;
    m_run.mstrTitle = b.title;
    m_run.mstrTags = b.tags;
    m_run.mstrSummary = b.summary;
}

void SubmissionEngine::log(const QString& before, const QString& after)
{
    m_host.addLog(before + QLatin1Char('"') + m_site.WebName + QLatin1Char('"') + after);
}

void SubmissionEngine::countDoneStep()
{
    ++m_run.mlngDoneSteps;
    m_host.setProgress(core::progressPercent(m_run.mlngDoneSteps, m_run.mlngTotalSteps));
}

// The submit page of the current bookmark, by site: the two share pages are built addresses, 口袋
// opens its SubmitUrl even when empty, and any other site opens nothing when it has none.
void SubmissionEngine::openSubmitPage()
{
    if (m_site.WebName == sites::FaceBook) {
        LoadCurrentBookmark();
        // The bookmark's address is percent-encoded (but for ':' and '/'), so that its own query
        // ("?a=1&b=2") stays part of it instead of cutting it short.
        m_browser.navigate(m_hosts.faceBook + QStringLiteral("/share.php?u=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(m_run.mstrURL, QByteArrayLiteral(":/"))) +
                           QStringLiteral("&c&st=2"));
    } else if (m_site.WebName == sites::Fanfou) {
        m_browser.navigate(m_hosts.fanfou + QStringLiteral("/sharer?u=&t=&d=&s=bm"));
    } else if (m_site.WebName == sites::Koudai || !m_site.SubmitUrl.isEmpty()) {
        m_browser.navigate(m_site.SubmitUrl);
    }
}

// The login of the current site: its script run in the loaded document, or its login page opened.
void SubmissionEngine::openLogin()
{
    if (m_site.IsScript)
        m_browser.runScript(m_site.LoginUrl);
    else
        m_browser.navigate(m_site.LoginUrl);
}

void SubmissionEngine::finishRun()
{
    m_host.setProgress(100);
    m_host.showInformation(QStringLiteral("网摘提交完毕！"));
    m_host.setProgress(0);
    m_host.setProgressVisible(false);
    m_run.mblnRunning = false;
    m_timer1.setEnabled(false);
    m_timer2.setEnabled(false); // no delayed pass outlives its run
    m_host.setButtonEnabled(RunButton::Setup, true);
    m_host.setButtonCaption(RunButton::AllSubmit, kAllSubmitCaption);
    m_host.setButtonCaption(RunButton::Submit, kSubmitCaption);
    for (RunButton b : {RunButton::AllSubmit, RunButton::Submit, RunButton::Add, RunButton::Remove, RunButton::Clear,
                        RunButton::SelAll, RunButton::UnSelAll})
        m_host.setButtonEnabled(b, true);
}

} // namespace tvx::engine
