#pragma once

#include "store/resulttables.h"

#include <QAbstractTableModel>
#include <QHash>

#include <functional>

namespace tvx::evidence {
class EvidenceStore;
}

namespace tvx::ui {

// One piece of failure evidence kept for a cell of a run.
struct CellEvidence {
    QString path;    // the picture of the page, else the page's document
    QString failure; // as the evidence store names it ("nothing-to-press", "timeout"...)
    QString step;    // as its file name says it: "提交页_无按钮"
    QDateTime captured;
};

// All the failure evidence kept for a cell of a run (account and bookmark 0-based), in the order the
// run kept it; pieces whose files are gone are left out.
QList<CellEvidence> cellEvidence(const evidence::EvidenceStore& store, const store::results::RunResults& run,
                                 int account, int bookmark);
// The piece a cell's outcome names: the first of its own kind (for "没有找到提交按钮" the step that found
// nothing to press, not the time-out that followed it), else the bookmark's first; -1 when there is none.
int namedEvidence(const QList<CellEvidence>& kept, store::results::Outcome outcome);
// The file of the evidence the cell names (see namedEvidence); empty when none was kept.
QString evidenceFor(const evidence::EvidenceStore& store, const store::results::RunResults& run, int account,
                    int bookmark);

// The results of one run as a table: one row per bookmark ("#", "网址", "标题"), then one column per
// account with what became of the bookmark there, a mark and a colour per state, and the time.
class ResultsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number = 0, Url, Title, FirstAccount };
    static constexpr int OutcomeRole = Qt::UserRole + 1;
    static constexpr int EvidenceRole = Qt::UserRole + 2;

    // Where the evidence of a failed cell (a screenshot and the page's HTML) lies, or empty.
    using EvidenceFinder = std::function<QString(const store::results::RunResults& run, int account, int bookmark)>;
    // All the evidence of a cell (see cellEvidence).
    using EvidenceLister =
        std::function<QList<CellEvidence>(const store::results::RunResults& run, int account, int bookmark)>;

    using QAbstractTableModel::QAbstractTableModel;

    void setResults(store::results::RunResults results);
    void setEvidenceFinder(EvidenceFinder finder) { m_findEvidence = std::move(finder); }
    void setEvidenceLister(EvidenceLister lister) { m_listEvidence = std::move(lister); }
    // All the evidence kept for the cell at this index (empty outside the accounts' columns).
    QList<CellEvidence> evidenceList(const QModelIndex& index) const;
    const store::results::RunResults& results() const { return m_results; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    store::results::Cell cell(int bookmark, int account) const;

    // What a cell says, in words (as the table shows it, without the time), for the table and its export.
    static QString outcomeText(const store::results::Cell& cell);
    static QString stageName(int stage);
    QString accountName(int account) const;

    // The table as CSV (UTF-8 with a byte-order mark): one row per bookmark, a column per account whose
    // cells hold the state and the time.
    QByteArray toCsv() const;

    // Addresses (as the list holds them) submitted at least once in this run.
    QStringList submittedSomewhere() const;

private:
    store::results::RunResults m_results;
    QHash<qint64, int> m_cellIndex; // (account << 32 | bookmark) -> index in m_results.cells
    EvidenceFinder m_findEvidence;
    EvidenceLister m_listEvidence;
};

} // namespace tvx::ui
