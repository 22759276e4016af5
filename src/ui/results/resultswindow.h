#pragma once

#include "resultsmodel.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QMenu;
class QLabel;
class QTableView;

namespace tvx::store {
class Connection;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui {

// "提交结果": the results of the last runs, one table per run (bookmarks × accounts), exported to CSV
// on request; "只保留失败的" leaves in the URL list only the bookmarks this run submitted nowhere;
// "重试失败的" submits again exactly the pairs (account × bookmark) of this run that did not succeed.
// A window of its own beside the main window, not modal: the run log, the URL list and the rest of
// the program stay usable while it is open.
class ResultsWindow final : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        // Removes from the URL list the rows with these addresses; returns how many rows went and how
        // many are left.
        std::function<QPair<int, int>(const QStringList& urls)> removeFromList;
        // Where a failed cell's evidence lies (empty: none).
        ResultsModel::EvidenceFinder findEvidence;
        // Opens a file or folder for the user.
        std::function<bool(const QString& path)> open;
        // All the evidence of a cell, for its context menu (unset: the menu offers none).
        ResultsModel::EvidenceLister listEvidence;
        // Whether the URL list may not change now (a run is reading it); unset: it may always change.
        std::function<bool()> listLocked;
        // "重试失败的": starts a run of the pairs of this run that did not succeed (unset: no retry).
        std::function<void(const store::results::RunResults& run)> retry;
    };

    ResultsWindow(store::Connection& connection, Actions actions, QWidget* parent = nullptr);

    // Shows the run with this id (the newest when 0 or unknown).
    void showRun(qint64 run);
    // Reads the runs from the store again (a run may have ended since), then shows `run` as showRun does.
    void reload(qint64 run);
    ResultsModel* model() const { return m_model; }

private:
    // Fills the choice of runs from the store.
    void loadRuns();
    void showChosenRun(int index);
    void exportCsv();
    // "只保留失败的": removes from the URL list what this run submitted somewhere.
    void keepOnlyFailed();
    // "重试失败的": the pairs of this run that did not succeed are submitted again, in a run of their own.
    void retryFailed();
    // Opens the evidence of a failed cell.
    void openEvidence(const QModelIndex& index);
    // A cell's context menu: every piece of evidence of its bookmark, the one it names first.
    void cellMenu(const QPoint& at);
    void openFile(const QString& path);
    void updateSummary();

    store::Connection& m_connection;
    Actions m_actions;
    ResultsModel* m_model;
    QLabel* m_runLabel;
    QComboBox* m_runChoice;
    QTableView* m_table;
    QMenu* m_cellMenu;
    QLabel* m_summary;
    controls::Command* m_exportButton;
    controls::Command* m_keepFailedButton;
    controls::Command* m_retryButton;
    controls::Command* m_closeButton;
};

} // namespace tvx::ui
