#pragma once

#include "store/resulttables.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace tvx::store {
class Connection;
}

namespace tvx::ui {

// Writes the results of a run to the store as they come. A run's events arrive between page steps,
// so cells are gathered and written together a moment later (and at the end of the run), one
// transaction instead of one per bookmark; a write that fails is reported once and the run goes on.
class ResultWriter final : public QObject {
    Q_OBJECT
public:
    using Reporter = std::function<void(const QString& description)>;

    ResultWriter(store::Connection& connection, Reporter report, QObject* parent = nullptr);
    ~ResultWriter() override;

    void beginRun(const QDateTime& started, const QList<store::results::RunBookmark>& bookmarks);
    // The run being written retries run `retried`.
    void markRetry(qint64 retried);
    void account(int account, const store::results::RunAccount& who);
    void cell(const store::results::Cell& cell);
    void finishRun(const QDateTime& finished, bool aborted);

    // The run being written (0 when none, or when its start could not be written).
    qint64 run() const { return m_run; }
    // The last run written, finished or not.
    qint64 lastRun() const { return m_lastRun; }
    // Writes what has been gathered now.
    void flush();

    // How long cells are gathered before they are written (milliseconds).
    void setFlushDelay(int ms) { m_flush.setInterval(ms); }

private:
    bool attempt(const std::function<void()>& write);

    store::Connection& m_connection;
    Reporter m_report;
    QTimer m_flush;
    qint64 m_run = 0;
    qint64 m_lastRun = 0;
    QList<QPair<int, store::results::RunAccount>> m_accounts;
    QList<store::results::Cell> m_cells;
    bool m_reported = false;
};

} // namespace tvx::ui
