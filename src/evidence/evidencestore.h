#pragma once

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>

// Failure evidence: what the worker browser's page looked like when a step of a run failed, kept in a
// folder of the user's data. Each run that had a failure gets a folder named by its start
// (evidence/2026-03-04_09-30-00-123/); in it, per failure, a picture of the page (PNG) and the live
// document serialised (HTML, made inert by the recorder: no scripts, no event attributes), named by site, account, bookmark and step, and an index (index.json)
// that the lookups below read. A run without failures writes nothing. Only the newest runs are kept
// (at most kKeepRuns, and no more than kMaxBytes together); folders that are not a run's are never
// touched.
//
// Writing (add, setLogLine) may happen on a worker thread while the user-interface thread reads; the
// store serialises them, and the index is replaced atomically, so a reader never sees half of it.
namespace tvx::evidence {

struct Evidence {
    QDateTime runStart; // the run's start, local time to the millisecond: the run's key
    int account = 0;    // the account's position in the run, 1-based
    QString site;       // the site's WebName
    QString uid;        // the account's user id
    int bookmark = 0;   // the URL list's row, 1-based
    int stage = 0;      // the run stage of the step that failed (1 login ... 5 log-out)
    QString failure;    // "timeout", "nothing-to-press", "statement-failed", "no-answer"
    int logLine = -1;   // the run log's line (0-based) that reports the failure; -1: none
    QDateTime captured;
    QString png; // absolute paths; empty when that part could not be kept
    QString html;
};

class EvidenceStore final {
public:
    static constexpr int kKeepRuns = 20;
    static constexpr qint64 kMaxBytes = 200LL * 1024 * 1024;

    // `root` is the evidence folder; by default evidence/ in the user's data (~/.local/share/tavrinex).
    explicit EvidenceStore(QString root = defaultRoot(), int keepRuns = kKeepRuns, qint64 maxBytes = kMaxBytes);
    static QString defaultRoot();
    const QString& root() const { return m_root; }

    // The folder of the run that started at `start` (whether or not it exists).
    QString runFolder(const QDateTime& start) const;

    // Keeps one failure: writes the picture and the document (either may be empty: not kept) and adds
    // the entry to its run's index; the run's first entry makes its folder and lets the oldest runs go.
    // Returns the entry with its files' paths. A file that cannot be written leaves its path empty; the
    // store never throws and never fails the run.
    Evidence add(Evidence entry, const QByteArray& png, const QByteArray& html);
    // Ties the entries of one account's bookmark that have no log line yet to `line` (the error line
    // written when the step was given up).
    void setLogLine(const QDateTime& runStart, int account, int bookmark, int line);

    // The runs that have evidence, oldest first.
    QList<QDateTime> runs() const;
    QList<Evidence> entries(const QDateTime& runStart) const;
    QList<Evidence> atLogLine(const QDateTime& runStart, int line) const;
    QList<Evidence> forBookmark(const QDateTime& runStart, int account, int bookmark) const;

    // The name a run's folder has, and the step's name in file names ("登录页", "提交页"...).
    static QString folderName(const QDateTime& start);
    static QString stageName(int stage);
    // A failure's name in file names ("超时", "无按钮"...).
    static QString failureName(const QString& failure);

private:
    QList<Evidence> readIndex(const QString& folder) const;
    bool writeIndex(const QString& folder, const QDateTime& start, const QList<Evidence>& entries) const;
    void prune(const QString& keep);

    QString m_root;
    int m_keepRuns;
    qint64 m_maxBytes;
    mutable QMutex m_mutex;
};

} // namespace tvx::evidence
