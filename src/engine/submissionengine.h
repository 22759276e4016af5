#pragma once

#include "browser.h"
#include "clock.h"
#include "formfill.h"
#include "passwordsource.h"
#include "core/webhosts.h"
#include "runhost.h"
#include "runrecorder.h"
#include "runstate.h"
#include "sitequirks.h"
#include "siterecord.h"
#include "ticker.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <functional>
#include <memory>

namespace tvx::store {
struct ProgramStore;
}

namespace tvx::engine {

// The submission run: it walks the accounts and, for each, the bookmarks of the URL list, driven by
// the worker browser's events and two timers (the step watchdog and the delayed filler).
//
// Every handler is atomic to the rest of the program. A handler that needs the page sends one step
// and finishes its work when the page answers; events that arrive meanwhile (page completions, timer
// ticks, window closing, the buttons) wait and are handled afterwards, in the order they came.
class SubmissionEngine final : public BrowserEvents {
public:
    SubmissionEngine(RunHost& host, Browser& browser, const Clock& clock, Ticker& timer1, Ticker& timer2,
                     store::ProgramStore& store, WebHosts hosts);
    ~SubmissionEngine() override;

    // The two run buttons: start a run, or abort the run they started. A press means what the button
    // showed when it was pressed, also when it waits behind a step in flight: a press on "中止(&T)"
    // only ever aborts that run (and does nothing once it has ended), any other press only starts.
    void cmdAllSubmit_Click();
    void cmdSubmit_Click();

    // One account of a run of chosen pairs: its site's WebName, its Uid, and the URL-list rows (1-based)
    // it submits.
    struct ChosenAccount {
        QString webName;
        QString uid;
        QList<qint32> rows;
    };
    // Starts a run, as 全部提交 does (its button aborts it), of exactly these pairs: the accounts named
    // (as far as they still exist) with only their own rows; every other bookmark of those accounts is
    // reported as not chosen. `tag` is handed to the recorders with the start (a retry's run).
    void startChosenPairs(const QList<ChosenAccount>& accounts, qint64 tag = 0);

    // Who is told about runs, accounts, outcomes and failed steps (none by default), in the order they
    // were added. A recorder is removed before it is destroyed.
    void addRecorder(RunRecorder* recorder)
    {
        if (recorder && !m_recorders.contains(recorder))
            m_recorders.append(recorder);
    }
    void removeRecorder(RunRecorder* recorder) { m_recorders.removeAll(recorder); }

    // Where an account's password comes from when it starts (none: the store's Pwd as it is). The
    // source outlives the engine or is unset first.
    void setPasswordSource(PasswordSource* source) { m_passwords = source; }

    // BrowserEvents
    void pageFailed(const PageAnswer& answer) override;
    void pageComplete(bool topLevel) override;
    void windowClosing() override;
    void pressAnswered(const PageAnswer& answer) override;

    const RunState& state() const { return m_run; }
    RunState& state() { return m_run; }
    bool busy() const { return m_busy; }

    // Captions of the run buttons.
    static const QString kAbortCaption;    // "中止(&T)"
    static const QString kSubmitCaption;   // "提交(&I)"
    static const QString kAllSubmitCaption; // "全部提交(&M)"

private:
    // How long the delayed login waits after the last login page before it fills the form.
    static constexpr qint64 kSettleSeconds = 5;

    enum class Event {
        PageTop,
        PageFrame,
        PressAnswer, // a press that started no navigation was answered: its page, for the stage that awaits it
        WindowClosing,
        Timer1,
        Timer2,
        StartAll,
        AbortAll,
        StartChosen,
        AbortChosen,
        StartPairs
    };
    struct Queued {
        Event event;
        quint64 run;        // the run during which the event arrived
        PageAnswer answer;  // of a top-level page: an HTTP error or a failed load
    };
    // What a submit page gets: the share page's button, a hand-over to the delayed filler, or the form.
    struct SubmitPlan {
        enum Kind { ShareButton, DelayedFill, Form } kind = Form;
        forms::Press press;
    };

    void post(Event event, const PageAnswer& answer = {});
    void holdForAbort(Event event);
    void drain();
    void handle(Event event);
    void handlerDone();
    // Sends one page step; `then` finishes the handler when the page has answered.
    void sendStep(const PageStep& step, std::function<void(const StepResult&)> then);
    void noteFailures(const StepResult& result);

    // Run start and abort.
    void startAllSites();
    void startChosenSites();
    void beginRun(RunButton own, const QList<RunButton>& locked, qint64 tag = 0);
    void abortRun(RunButton own);
    void startPairs();
    static bool startsRun(Event event)
    {
        return event == Event::StartAll || event == Event::StartChosen || event == Event::StartPairs;
    }

    // Page-load automaton.
    void wb_DocumentComplete();
    void stageIdle();
    void stageLogin();
    void stageAfterLogin();
    void loggedIn();
    void stageSubmit();
    SubmitPlan planSubmitPage(QList<PageOp>& ops) const;
    void applySubmitPage(const SubmitPlan& plan, const StepResult& result);
    void stageAfterSubmitWork();
    void stageLogout();
    void endEvent();
    void finishRun();

    // Step watchdog.
    void Timer1_Timer();
    void giveUpStep(RunRecorder::Failure failure, const QString& answer = {});
    // Whether the page of the current stage is the site's answer to what the run asked (the login page,
    // the login, a submit press), which an HTTP error or a failed load refuses.
    bool judgesAnswer() const;

    // The state a login gets that the site answered with its login form again.
    static const QString kLoginRefused; // "登录被拒绝"

    // Delayed filler.
    void Timer2_Timer();
    void loginPass();
    void submitPass();
    void applySubmitPass(const forms::Press& press, const StepResult& result);

    // Browser hooks.
    void wb_WindowClosing();

    // Shared pieces.
    void LoadCurrentBookmark();
    Bookmark bookmarkAt(qint32 row) const;
    void openSubmitPage();
    // The submit stage of the current bookmark: its page opened now, or once the pause between two
    // submissions to the same site has passed (the watchdog's tick ends the pause; the step's time-out
    // counts from then).
    void goToSubmitPage();
    void noteSubmissionEnded();
    bool endPause();
    // The rows of the current account: all, or in a run of chosen pairs only its own; 0 when none follows.
    bool chosenRow(qint32 row) const { return !m_pairsRun || m_rows.contains(row); }
    qint32 nextRow(qint32 after) const;
    qint32 firstRow() const { return nextRow(0); }
    // An aborted run of chosen pairs: every pair it left out is told as not chosen, also of the accounts
    // it never came to, so that nothing it was not to submit is taken for unreached.
    void leaveOutTheRest();
    void openLogin();
    // The login step of the account the run has come to: its login opened, the watchdog armed.
    void beginLogin();
    void setStage(qint32 stage)
    {
        m_run.mlngStage = stage;
        m_settling = false; // a new step: no delayed login waits for its page to settle
    }
    void stepStart() { m_run.mdtStepStart = m_clock.nowSeconds(); }
    void armWatchdog() { m_timer1.setEnabled(true); }
    void countDoneStep();
    void log(const QString& before, const QString& after);
    void moveToNextSite();
    void refreshSite();

    // An account's password, read before its login; an account without one is skipped.
    void withPassword(std::function<void()> login);
    void skipAccount(const QString& problem);

    // What the recorder is told.
    void startAccount(int position);
    void noteSubmitPress(const forms::Press& press, const StepResult& result);
    bool submitPressed() const;
    void decide(qint32 row, RunRecorder::Outcome outcome);
    void decideSubmitted();
    void decideTimedOut(bool leavingSite);
    void decideRefused(const QString& answer, bool leavingSite);
    void reportStep(const StepResult& result, bool nothingPressed);
    static bool pressedNothing(const forms::Press& press, const StepResult& result);

    RunHost& m_host;
    Browser& m_browser;
    const Clock& m_clock;
    Ticker& m_timer1;
    Ticker& m_timer2;
    store::ProgramStore& m_store;
    WebHosts m_hosts;

    RunState m_run;
    SiteRecord m_site;   // the current record of the run's site recordset
    SiteQuirks m_quirks; // its site's own handling, looked up when the record is loaded

    QList<Queued> m_queue;
    bool m_busy = false;     // a handler is running or waits for its page step
    bool m_inFlight = false; // a page step has been sent and not yet answered
    bool m_stepFailed = false; // some statement of the current page event failed
    PageAnswer m_nextAnswer;   // told by pageFailed for the page event that comes next
    PageAnswer m_answer;       // of the page event being handled
    quint64 m_runSerial = 0;   // counts run starts
    // The delayed login waits for its page to settle; the watchdog allows the settle time on top of the
    // time-out, counted from the first login page of the step.
    bool m_settling = false;

    // Tells every recorder.
    template <typename Call> void tell(const Call& call) const
    {
        for (RunRecorder* recorder : m_recorders)
            call(*recorder);
    }

    // A run of chosen pairs: the rows of each account (by WebName and Uid), those of the current one.
    bool m_pairsRun = false;
    QHash<QPair<QString, QString>, QList<qint32>> m_pairs;
    QList<qint32> m_rows;
    QList<QPair<QString, QString>> m_planned; // the run's site records, in order
    QList<ChosenAccount> m_pendingPairs; // of a start not yet handled
    qint64 m_pendingTag = 0;

    // The pace: when each site's last submission ended (engine clock), and the end of a pause under way.
    QHash<QString, qint64> m_lastSubmission;
    bool m_pausing = false;
    qint64 m_pauseUntil = 0;

    QList<RunRecorder*> m_recorders;
    PasswordSource* m_passwords = nullptr;
    std::shared_ptr<int> m_alive = std::make_shared<int>(); // expires with the engine
    int m_account = 0;          // position of the current site record in the run
    qint32 m_decidedRows = 0;   // bookmarks of the current account whose outcome is decided
    qint32 m_pressRow = 0;      // the bookmark whose submit step ran last, and whether it pressed
    bool m_pressed = false;
};

} // namespace tvx::engine
