#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

namespace tvx::store {

class Connection;

// The results of runs, per account and bookmark, in tables of our own (Runs, RunAccounts,
// RunBookmarks, RunResults); the newest runs are kept, older ones deleted as new ones begin.
namespace results {

// What became of one bookmark at one account. A cell never recorded was not reached (the run was
// aborted, or ended before it).
enum class Outcome : int {
    NotReached = 0,
    Submitted = 1,   // a page came back after the submit button was pressed
    NoButton = 2,    // the submit page had nothing to press
    TimedOut = 3,    // a step got no page within the time-out; `stage` says which
    SiteSkipped = 4, // the site was left before this bookmark (its login failed, or the run moved on)
    Refused = 5,     // the site answered with an HTTP error or not at all; `answer` says which
    NotChosen = 6,   // a retry left this pair out (it had not failed in the run retried)
};

// Whether a recorded outcome is a failure (what a retry submits again, with the pairs not reached).
inline bool failed(Outcome outcome)
{
    return outcome != Outcome::Submitted && outcome != Outcome::NotChosen;
}

struct RunAccount {
    QString siteName;
    QString uid;
    friend bool operator==(const RunAccount&, const RunAccount&) = default;
};

struct RunBookmark {
    qint64 number = 0; // the row number the list showed
    QString url;
    QString title;
    friend bool operator==(const RunBookmark&, const RunBookmark&) = default;
};

struct Cell {
    int account = 0;  // 0-based, in the order the run visited the accounts
    int bookmark = 0; // 0-based position in the run's list
    Outcome outcome = Outcome::NotReached;
    int stage = 0; // the run stage a time-out happened at
    QDateTime at;
    QString answer; // what the site answered a Refused step: "网站拒绝（HTTP 500）", "没有应答（连接被拒绝）"
    friend bool operator==(const Cell&, const Cell&) = default;
};

struct RunSummary {
    qint64 id = 0;
    QDateTime started;
    QDateTime finished; // invalid while running, or when the program ended during the run
    bool aborted = false;
    int accounts = 0;
    int bookmarks = 0;
    int submitted = 0; // cells
    int failed = 0;    // cells that are neither submitted nor unreached (nor left out of a retry)
    qint64 retryOf = 0; // the run this one retried (0: none)
};

struct RunResults {
    RunSummary run;
    QList<RunAccount> accounts;
    QList<RunBookmark> bookmarks;
    QList<Cell> cells; // recorded cells only
};

constexpr int kRunsKept = 50;

// Creates the tables in a store that does not have them yet.
void create(Connection& connection);

// Starts a run with the bookmarks it submits; deletes the oldest runs beyond `kept` (this one counted).
qint64 beginRun(Connection& connection, const QDateTime& started, const QList<RunBookmark>& bookmarks,
                int kept = kRunsKept, qint64 retryOf = 0);

// The pairs of a run that did not succeed: for each account (0-based) that has any, the bookmarks
// (0-based) failed or never reached; pairs a retry left out are not among them.
QList<QPair<int, QList<int>>> unsuccessful(const RunResults& run);

// Records the accounts and cells of a run as they come (a cell recorded again takes the newer value).
void record(Connection& connection, qint64 run, const QList<QPair<int, RunAccount>>& accounts,
            const QList<Cell>& cells);

// Links a run to the run it retries.
void markRetry(Connection& connection, qint64 run, qint64 retried);

void finishRun(Connection& connection, qint64 run, const QDateTime& finished, bool aborted);

// The kept runs, newest first; none in a store without the tables.
QList<RunSummary> runs(const Connection& connection);

RunResults load(const Connection& connection, qint64 run);

} // namespace results
} // namespace tvx::store
