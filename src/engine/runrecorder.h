#pragma once

#include <QDateTime>
#include <QString>

namespace tvx::engine {

// What a run tells whoever keeps its results and its failure evidence (SubmissionEngine::addRecorder;
// the engine works without any). The engine calls it on the user-interface thread, in the order things
// happen, and nothing a recorder does changes the run or its log. Every method has an empty default,
// so a recorder implements only what it needs.
//
// A run reports, in this order: runStarted; for each site record accountStarted, then for each bookmark
// at most one bookmarkOutcome (rows in ascending order), with stepFailed calls wherever a step fails;
// finally runEnded. Positions and rows are 1-based; stages are those of RunStage.
class RunRecorder {
public:
    // What became of one bookmark for one account. Reported exactly once for every (account, bookmark)
    // pair the run reached or skipped; an aborted run reports nothing for the pairs it had not decided
    // when it was stopped, the one under way included.
    enum class Outcome {
        Submitted,   // the submit control was pressed and the result came back
        NoButton,    // the submit step found nothing to press (the step then ended by time-out, or the
                     // site's own rule moved on without a press)
        TimedOut,    // the watchdog gave up the step at `stage` while this bookmark was the current one
                     // (a time-out at the login gives it to the account's first bookmark)
        SiteSkipped, // a time-out at an earlier step left the account, so this bookmark was never tried
        Refused,     // the site answered the submit press (or, for the account's first bookmark, the login
                     // page or the login) with an HTTP error, or no answer came; siteAnswered says which
        NotChosen,   // a run of chosen pairs (a retry) did not include this bookmark for this account;
                     // when such a run is aborted, its pairs left out are all told so before runEnded,
                     // those of the accounts it never came to as well
    };

    // Why a step failed.
    enum class Failure {
        TimedOut,        // the watchdog gave the step up; its error line is the run log's last line
        NothingToPress,  // the login or submit step found no control to press
        StatementFailed, // a statement of the page step failed (an element the site row names is missing)
        NoAnswer,        // the page did not answer the step in time (busy or gone)
        SiteRefused,     // the site's answer was an HTTP error or a failed load; its error line is the
                         // run log's last line
    };

    virtual ~RunRecorder() = default;

    // A run has started: its start moment (local time), the site records (accounts) it walks and the
    // bookmarks of the URL list.
    virtual void runStarted(const QDateTime& start, int siteRecords, int bookmarks);

    // Every site record the run is to walk, told right after runStarted (before runTagged): its position,
    // its site's WebName and the account's Uid.
    virtual void accountPlanned(int position, const QString& webName, const QString& uid);

    // A run of chosen pairs has started with this tag (told right after runStarted; a retry's run).
    virtual void runTagged(qint64 tag);

    // The run has come to the site record at `position`: its site's WebName and the account's Uid.
    virtual void accountStarted(int position, const QString& webName, const QString& uid);

    // The outcome of bookmark `row` for the account at `position`; `stage` is the stage at which it was
    // decided (for TimedOut, the stage of the step that was given up).
    virtual void bookmarkOutcome(int position, int row, Outcome outcome, int stage);

    // What the site answered, in the user's words ("网站拒绝（HTTP 500）", "没有应答（连接被拒绝）"),
    // told right before the bookmarkOutcome of a Refused bookmark.
    virtual void siteAnswered(int position, int row, const QString& answer);

    // A step failed, reported as it happens and before the engine moves on: the worker browser still
    // shows the page of that step, and nothing has been navigated away. Whatever the recorder takes
    // from the page must be taken within this call (a grab of the view; a script or toHtml() request
    // sent now reaches the page before any navigation the engine requests afterwards). `row` is the
    // current bookmark. A page step reports at most one failure (NoAnswer before NothingToPress before
    // StatementFailed); a step that fails may time out later and report again.
    virtual void stepFailed(int stage, int row, Failure failure);

    // The run has ended: normally (after the "网摘提交完毕！" box was closed), or aborted by the user.
    virtual void runEnded(bool aborted);
};

inline void RunRecorder::runStarted(const QDateTime&, int, int) {}
inline void RunRecorder::accountPlanned(int, const QString&, const QString&) {}
inline void RunRecorder::runTagged(qint64) {}
inline void RunRecorder::accountStarted(int, const QString&, const QString&) {}
inline void RunRecorder::bookmarkOutcome(int, int, Outcome, int) {}
inline void RunRecorder::siteAnswered(int, int, const QString&) {}
inline void RunRecorder::stepFailed(int, int, Failure) {}
inline void RunRecorder::runEnded(bool) {}

} // namespace tvx::engine
