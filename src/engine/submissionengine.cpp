#include "submissionengine.h"

#include "core/progress.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/recordset.h"
#include "store/storeerror.h"

#include <QUrl>

#include <algorithm>

#include <utility>

namespace tvx::engine {

const QString SubmissionEngine::kAbortCaption = QStringLiteral("中止(&T)");
const QString SubmissionEngine::kSubmitCaption = QStringLiteral("提交(&I)");
const QString SubmissionEngine::kAllSubmitCaption = QStringLiteral("全部提交(&M)");
const QString SubmissionEngine::kLoginRefused = QStringLiteral("登录被拒绝");

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

// A press is judged by the caption the button shows now, when the user presses it: two presses on
// "中止(&T)" during a slow step are two aborts of that run, never an abort and a new run.
void SubmissionEngine::cmdAllSubmit_Click()
{
    post(m_host.buttonCaption(RunButton::AllSubmit) == kAbortCaption ? Event::AbortAll : Event::StartAll);
}

void SubmissionEngine::cmdSubmit_Click()
{
    post(m_host.buttonCaption(RunButton::Submit) == kSubmitCaption ? Event::StartChosen : Event::AbortChosen);
}

// An abort of the run in progress holds the browser at once, also when the abort itself waits behind a
// step in flight: what that step's answer asks for never reaches the site.
void SubmissionEngine::holdForAbort(Event event)
{
    if ((event == Event::AbortAll || event == Event::AbortChosen) && m_run.mblnRunning && m_busy)
        m_browser.hold(true);
}

void SubmissionEngine::pageFailed(const PageAnswer& answer)
{
    m_nextAnswer = answer;
}

void SubmissionEngine::pageComplete(bool topLevel)
{
    if (!topLevel) {
        post(Event::PageFrame);
        return;
    }
    post(Event::PageTop, std::exchange(m_nextAnswer, PageAnswer{}));
}

void SubmissionEngine::pressAnswered(const PageAnswer& answer)
{
    PageAnswer stayed = answer;
    stayed.pageStayed = true;
    post(Event::PressAnswer, stayed);
}

void SubmissionEngine::windowClosing()
{
    post(Event::WindowClosing);
}

void SubmissionEngine::post(Event event, const PageAnswer& answer)
{
    // A page that completes while no run is in progress changes nothing, whenever it is handled.
    if ((event == Event::PageTop || event == Event::PageFrame || event == Event::PressAnswer) && !m_run.mblnRunning)
        return;
    holdForAbort(event);
    m_queue.append(Queued{event, m_runSerial, answer});
    drain();
}

void SubmissionEngine::drain()
{
    while (!m_busy && !m_queue.isEmpty()) {
        const Queued next = m_queue.takeFirst();
        // Events of an earlier run (queued behind a handler that started a new one) are dropped, an
        // abort of that run included.
        if (next.run != m_runSerial && !startsRun(next.event))
            continue;
        m_busy = true;
        m_answer = next.answer;
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
    case Event::PressAnswer:
        // The answer to a login or a submission pressed on a page that stays: taken as the page the press
        // brought (an HTTP error as the site's refusal), only by the stage that waits for that page.
        if (m_run.mlngStage == RunStage::AfterLogin || m_run.mlngStage == RunStage::AfterSubmit)
            wb_DocumentComplete();
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
    case Event::StartAll:
    case Event::StartChosen:
        // A start pressed while the buttons still showed their idle captions never restarts a run that
        // is in progress by the time it is handled.
        if (m_run.mblnRunning)
            break;
        m_pairsRun = false;
        m_pairs.clear();
        if (event == Event::StartAll)
            startAllSites();
        else
            startChosenSites();
        break;
    case Event::StartPairs:
        if (!m_run.mblnRunning)
            startPairs();
        break;
    case Event::AbortAll:
    case Event::AbortChosen:
        // An abort of a run that has ended already does nothing.
        if (m_run.mblnRunning)
            abortRun(event == Event::AbortAll ? RunButton::AllSubmit : RunButton::Submit);
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
    m_quirks = quirksOf(m_site.WebName);
    m_rows = m_pairsRun ? m_pairs.value({m_site.WebName, m_site.Uid}) : QList<qint32>{};
    // Site names are unique, so the name tells a row the user made.
    m_site.own = false;
    if (m_run.mrsSites.eof())
        return;
    try {
        if (m_store.gcnnStore.hasColumn(QStringLiteral("UserSites"))) {
            store::Recordset own;
            own.open(m_store.gcnnStore, store::catalogue::ownSiteNamed(m_site.WebName));
            m_site.own = !own.eof();
        }
    } catch (const store::StoreError&) {
        // A store that cannot say leaves the row to the rules of the delivered rows.
    }
}

qint32 SubmissionEngine::nextRow(qint32 after) const
{
    if (!m_pairsRun)
        return after < m_host.rowCount() ? after + 1 : 0;
    for (qint32 row : m_rows)
        if (row > after)
            return row;
    return 0;
}

// The pace: a submit page of a site that took a submission less than the pause ago waits the rest.
void SubmissionEngine::goToSubmitPage()
{
    // The stage stays what it was during the pause, as it is while the page is requested.
    const qint64 pause = m_store.gintSitePause;
    const auto last = m_lastSubmission.constFind(m_site.WebName);
    // The clock reads whole seconds, so a reading may be up to a second late: the pause ends a second
    // after the reading plus the pause, and is never shorter than the pause itself.
    if (pause > 0 && last != m_lastSubmission.constEnd() && secondsBetween(*last, m_clock.nowSeconds()) <= pause) {
        m_pausing = true;
        m_pauseUntil = *last + pause + 1;
        armWatchdog();
        return;
    }
    openSubmitPage();
    setStage(RunStage::Submit);
    stepStart();
    armWatchdog();
}

// A tick of the watchdog during a pause: true while it lasts; at its end the submit page opens.
bool SubmissionEngine::endPause()
{
    if (!m_pausing)
        return false;
    if (secondsBetween(m_clock.nowSeconds(), m_pauseUntil) > 0)
        return true;
    m_pausing = false;
    openSubmitPage();
    setStage(RunStage::Submit);
    stepStart();
    armWatchdog();
    return true;
}

void SubmissionEngine::noteSubmissionEnded()
{
    m_lastSubmission.insert(m_site.WebName, m_clock.nowSeconds());
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

// The submit page of the current bookmark: a share page is a built address, a site that opens an empty
// SubmitUrl opens it all the same, and any other site opens nothing when it has none.
void SubmissionEngine::openSubmitPage()
{
    if (m_quirks.sharePage == SharePage::FaceBook) {
        LoadCurrentBookmark();
        // The bookmark's address is percent-encoded (but for ':' and '/'), so that its own query
        // ("?a=1&b=2") stays part of it instead of cutting it short.
        m_browser.navigate(m_hosts.faceBook + QStringLiteral("/share.php?u=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(m_run.mstrURL, QByteArrayLiteral(":/"))) +
                           QStringLiteral("&c&st=2"));
    } else if (m_quirks.sharePage == SharePage::Fanfou) {
        m_browser.navigate(m_hosts.fanfou + QStringLiteral("/sharer?u=&t=&d=&s=bm"));
    } else if (m_quirks.opensEmptySubmitUrl || !m_site.SubmitUrl.isEmpty()) {
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

void SubmissionEngine::beginLogin()
{
    openLogin();
    setStage(RunStage::Login);
    stepStart();
    armWatchdog();
}

// The account's password comes from the source before its login starts; the handler waits for it as
// for a page step, so nothing else acts on the run meanwhile.
void SubmissionEngine::withPassword(std::function<void()> login)
{
    if (!m_passwords) {
        login();
        return;
    }
    m_inFlight = true;
    const std::weak_ptr<int> alive = m_alive;
    m_passwords->password(m_site.WebName, m_site.Uid, m_site.Pwd,
                          [this, alive, login = std::move(login)](const PasswordSource::Answer& answer) {
                              if (alive.expired())
                                  return; // the engine has gone while the source looked
                              m_inFlight = false;
                              if (answer.password) {
                                  m_site.Pwd = *answer.password;
                                  login();
                              } else {
                                  skipAccount(answer.problem); // which may wait for the next account's
                              }
                              if (!m_inFlight) {
                                  handlerDone();
                                  drain();
                              }
                          });
}

// An account whose password cannot be read is not logged in: the log and its results say why, its
// bookmarks are skipped, and the run goes on with the next account.
void SubmissionEngine::skipAccount(const QString& problem)
{
    m_host.addLog(QStringLiteral("无法读取\"%1\"的帐号\"%2\"的密码（%3），跳过这个帐号！")
                      .arg(m_site.WebName, m_site.Uid, problem));
    tell([&](RunRecorder& r) { r.siteAnswered(m_account, 1, QStringLiteral("无法读取密码（%1）").arg(problem)); });
    decide(1, RunRecorder::Outcome::Refused);
    for (qint32 row = 2; row <= m_host.rowCount(); ++row)
        decide(row, RunRecorder::Outcome::SiteSkipped);
    m_run.mlngDoneSteps += m_host.rowCount();
    m_host.setProgress(core::progressPercent(m_run.mlngDoneSteps, m_run.mlngTotalSteps));
    m_run.mrsSites.moveNext();
    refreshSite();
    if (m_run.mrsSites.eof()) {
        finishRun();
        return;
    }
    m_run.mlngCurRow = 1;
    startAccount(m_account + 1);
    withPassword([this] { beginLogin(); });
}

void SubmissionEngine::finishRun()
{
    // The last account's browser goes with its run.
    m_browser.freshSession();
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
    tell([](RunRecorder& r) { r.runEnded(false); });
}

// The recorder's account: the site record the run has come to.
void SubmissionEngine::startAccount(int position)
{
    m_account = position;
    m_decidedRows = 0;
    m_pressRow = 0;
    tell([&](RunRecorder& r) { r.accountStarted(position, m_site.WebName, m_site.Uid); });
}

// A press by id or by name counts as done once attempted; whether the page found the control tells
// the outcome apart. A step the page never answered may have pressed: it is not taken as "nothing".
bool SubmissionEngine::pressedNothing(const forms::Press& press, const StepResult& result)
{
    return result.delivered && (press.op < 0 || result.outcome(press.op) == 0);
}

void SubmissionEngine::noteSubmitPress(const forms::Press& press, const StepResult& result)
{
    m_pressRow = m_run.mlngCurRow;
    m_pressed = !pressedNothing(press, result);
}

bool SubmissionEngine::submitPressed() const
{
    return m_pressRow == m_run.mlngCurRow && m_pressed;
}

// Outcomes are decided row by row, each exactly once.
void SubmissionEngine::decide(qint32 row, RunRecorder::Outcome outcome)
{
    if (row <= m_decidedRows)
        return;
    // The rows a run of chosen pairs leaves out of this account, up to this one and after its last.
    const qint32 last = m_pairsRun && !nextRow(row) ? m_host.rowCount() : row - 1;
    const auto notChosen = [&](qint32 upTo) {
        for (qint32 r = m_decidedRows + 1; r <= upTo; ++r)
            if (!chosenRow(r))
                tell([&](RunRecorder& rec) { rec.bookmarkOutcome(m_account, r, RunRecorder::Outcome::NotChosen, 0); });
    };
    notChosen(row - 1);
    m_decidedRows = row;
    tell([&](RunRecorder& r) { r.bookmarkOutcome(m_account, row, outcome, m_run.mlngStage); });
    if (last > row)
        notChosen(last);
    m_decidedRows = std::max(m_decidedRows, last);
}

// The result of the current bookmark's submission is in (or the site's rule takes it as in).
void SubmissionEngine::decideSubmitted()
{
    decide(m_run.mlngCurRow, submitPressed() ? RunRecorder::Outcome::Submitted : RunRecorder::Outcome::NoButton);
}

// The watchdog gave up the current step: the current bookmark timed out (or found nothing to press),
// and when the account is left, every later bookmark is skipped.
void SubmissionEngine::decideTimedOut(bool leavingSite)
{
    const bool nothing = m_pressRow == m_run.mlngCurRow && !m_pressed;
    decide(m_run.mlngCurRow, nothing ? RunRecorder::Outcome::NoButton : RunRecorder::Outcome::TimedOut);
    if (leavingSite)
        for (qint32 row = nextRow(m_run.mlngCurRow); row; row = nextRow(row))
            decide(row, RunRecorder::Outcome::SiteSkipped);
}

// The site refused the current step: the current bookmark failed with the site's answer, and when the
// account is left, every later bookmark is skipped.
void SubmissionEngine::decideRefused(const QString& answer, bool leavingSite)
{
    if (m_run.mlngCurRow > m_decidedRows)
        tell([&](RunRecorder& r) { r.siteAnswered(m_account, m_run.mlngCurRow, answer); });
    decide(m_run.mlngCurRow, RunRecorder::Outcome::Refused);
    if (leavingSite)
        for (qint32 row = nextRow(m_run.mlngCurRow); row; row = nextRow(row))
            decide(row, RunRecorder::Outcome::SiteSkipped);
}

// A page step's failure, told before the engine acts on the answer (and before it navigates away).
void SubmissionEngine::reportStep(const StepResult& result, bool nothingPressed)
{
    RunRecorder::Failure failure;
    if (!result.delivered)
        failure = RunRecorder::Failure::NoAnswer;
    else if (nothingPressed)
        failure = RunRecorder::Failure::NothingToPress;
    else if (result.failed)
        failure = RunRecorder::Failure::StatementFailed;
    else
        return;
    tell([&](RunRecorder& r) { r.stepFailed(m_run.mlngStage, m_run.mlngCurRow, failure); });
}

} // namespace tvx::engine
