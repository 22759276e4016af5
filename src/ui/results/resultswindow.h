#pragma once

#include "resultsmodel.h"

#include <QDialog>

#include <functional>

class QComboBox;
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
// on request; "只保留失败的" leaves in the URL list only the bookmarks this run submitted nowhere.
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
    };

    ResultsWindow(store::Connection& connection, Actions actions, QWidget* parent = nullptr);

    // Shows the run with this id (the newest when 0 or unknown).
    void showRun(qint64 run);
    ResultsModel* model() const { return m_model; }

private:
    void Form_Load();
    void cboRuns_Changed(int index);
    void cmdExport_Click();
    void cmdKeepFailed_Click();
    void tblResults_Activated(const QModelIndex& index);
    void updateSummary();

    store::Connection& m_connection;
    Actions m_actions;
    ResultsModel* m_model;
    QLabel* m_lblRuns;
    QComboBox* m_cboRuns;
    QTableView* m_tblResults;
    QLabel* m_lblSummary;
    controls::Command* m_cmdExport;
    controls::Command* m_cmdKeepFailed;
    controls::Command* m_cmdClose;
};

} // namespace tvx::ui
