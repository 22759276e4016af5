#pragma once

#include "engine/runrecorder.h"
#include "evidence/evidencestore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <functional>
#include <memory>

class QWebEngineView;

namespace tvx::ui {

class PageSnapshot;

// Keeps the evidence of every failing step of a run: when the engine reports a failure, the worker
// browser's page is grabbed as it is (a picture of the view) and its live document is asked for
// (serialised HTML, without the page's scripts and event attributes and with a <base> of its address,
// so that opening the kept file runs nothing of the site's). The document is then drawn as a whole page at a desktop width, off screen (a
// PageSnapshot), and that picture replaces the view's small one; both files are written to the evidence
// store on a thread of their own. The run goes on at once. The time-out's error line in the run log is
// tied to the evidence of its step, so that the line finds it again.
class EvidenceRecorder final : public QObject, public engine::RunRecorder {
    Q_OBJECT
public:
    // `logLines` gives the number of lines the run log has now.
    EvidenceRecorder(QWebEngineView* worker, std::function<int()> logLines,
                     std::shared_ptr<evidence::EvidenceStore> store, QObject* parent = nullptr);
    ~EvidenceRecorder() override;

    void runStarted(const QDateTime& start, int siteRecords, int bookmarks) override;
    void accountStarted(int position, const QString& webName, const QString& uid) override;
    void stepFailed(int stage, int row, Failure failure) override;

    // The evidence of a line of the run log (0-based): the failures of the step the line reports.
    QList<evidence::Evidence> forLogLine(int line) const;
    const evidence::EvidenceStore& store() const { return *m_store; }

    // Waits until all that was captured has been written; false when `ms` ran out first.
    bool flush(int ms);

    // What keeping evidence costs the run: the time spent inside stepFailed (the grab of the view and
    // the request for the document), over all failures so far.
    struct Cost {
        int failures = 0;
        double totalMs = 0;
        double maxMs = 0;
        // The whole pages drawn off screen, and the time from the document to its picture (the run
        // does not wait for it).
        int drawn = 0;
        double drawTotalMs = 0;
    };
    Cost cost() const { return m_cost; }

signals:
    // An entry has been written (on the user-interface thread).
    void kept(const evidence::Evidence& entry);

private:
    struct Pending;
    void write(const std::shared_ptr<Pending>& pending);

    QPointer<QWebEngineView> m_worker;
    PageSnapshot* m_snapshot;
    std::function<int()> m_logLines;
    std::shared_ptr<evidence::EvidenceStore> m_store;
    QThreadPool m_writer; // one thread: entries are written in the order they were taken
    QDateTime m_start;
    int m_account = 0;
    QString m_site;
    QString m_uid;
    // Per run, the first log line it wrote; a log line belongs to the last run that began before it.
    QList<QPair<int, QDateTime>> m_runs;
    // The entries of the current run not yet tied to a log line, by account and bookmark.
    QHash<QPair<int, int>, QList<std::shared_ptr<Pending>>> m_unlined;
    int m_inFlight = 0; // documents asked for (and drawn) and not yet written
    Cost m_cost;
};

} // namespace tvx::ui
