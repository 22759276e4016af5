#pragma once

#include "store/resulttables.h"

#include <QAbstractTableModel>
#include <QHash>

#include <functional>

namespace tvx::evidence {
class EvidenceStore;
}

namespace tvx::ui {

// The failure evidence kept for a cell of a run (account and bookmark 0-based): the picture of the
// page of its last failed step, else that page's HTML; empty when none was kept.
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

    using QAbstractTableModel::QAbstractTableModel;

    void setResults(store::results::RunResults results);
    void setEvidenceFinder(EvidenceFinder finder) { m_findEvidence = std::move(finder); }
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
};

} // namespace tvx::ui
