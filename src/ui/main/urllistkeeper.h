#pragma once

#include <QList>
#include <QObject>

#include <functional>

namespace tvx::store {
class Connection;
}

namespace tvx::ui {

class UrlListModel;

// Keeps the URL list in the store as it changes, so that it survives closing the program, a crash and
// a power cut: every change of the model is one transaction on the file when it happens. A write
// that fails is reported once (through `report`); after that every change tries to write the whole
// list again, silently, until one succeeds, so nothing is lost once the fault is gone.
class UrlListKeeper final : public QObject {
    Q_OBJECT
public:
    using Reporter = std::function<void(const QString& description)>;

    UrlListKeeper(UrlListModel& model, store::Connection& connection, Reporter report, QObject* parent = nullptr);

    // Fills the model with the list kept in the store (its table made first where it is missing) and
    // keeps every later change. Does nothing while the store is not open. Failures are reported.
    void restore();

    // Whether the store holds the list as the model shows it.
    bool inStep() const { return m_inStep; }

private:
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved();
    void modelReset();
    // Runs a write; on failure reports it (once until a write succeeds again) and leaves the store out
    // of step.
    void write(const std::function<void()>& change);
    void writeAll();
    bool active() const;

    UrlListModel& m_model;
    store::Connection& m_connection;
    Reporter m_report;
    QList<qint64> m_seqs; // the store's Seq of each row of the model, in order
    QList<qint64> m_removing;
    qint64 m_nextSeq = 1;
    bool m_restored = false;
    bool m_restoring = false;
    bool m_inStep = true;
    bool m_reported = false;
};

} // namespace tvx::ui
