#pragma once

#include "ui/results/resultsmodel.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTreeView;
class QWidget;

namespace tvx::store {
class Connection;
}
namespace tvx::engine {
class RunRecorder;
}

namespace tvx::ui {

class BookmarkTransfer;
class ResultsRecorder;
class ResultsWindow;
class ResultWriter;
class UrlListKeeper;
class UrlListModel;

// What the URL list offers beyond its buttons: importing and exporting bookmark files, keeping the
// list in the store as it changes, and the results of runs. The main window makes one, restores the
// list through it at start-up, and puts its actions in the set-up menu; it adds the list's own
// context menu itself.
class BookmarkServices final : public QObject {
    Q_OBJECT
public:
    // `listLocked` tells whether the list may not change now (a run is going on).
    BookmarkServices(QWidget* window, QTreeView* list, UrlListModel& model, store::Connection& connection,
                     std::function<bool()> listLocked, QObject* parent = nullptr);
    ~BookmarkServices() override;

    // Start-up, once the store is open: the kept list comes back.
    void restore();

    void importBookmarks();
    void exportBookmarks();
    void exportSelectedBookmarks();
    // The results window, on the run with this id (the newest when 0): opened, or raised when it is
    // open already; `activate` false leaves the keyboard where it is (the window opening after a run).
    void showResults(qint64 run = 0, bool activate = true);
    // The results window when it has been opened (hidden or not), else null.
    ResultsWindow* resultsWindow() const;

    BookmarkTransfer& transfer() const { return *m_transfer; }
    ResultWriter& results() const { return *m_results; }
    // What the engine tells about each run, kept as its results; the main window adds it to the engine.
    engine::RunRecorder& recorder() const;
    // Whether the results window opens by itself when a run has ended.
    void setShowResultsAfterRun(bool show) { m_showAfterRun = show; }
    QMenu* contextMenu() const { return m_menu; }

    // Where the evidence of a failed cell lies; by default the failure evidence in the user's data.
    void setEvidenceFinder(ResultsModel::EvidenceFinder finder) { m_findEvidence = std::move(finder); }
    // The evidence folder the run keeps its failures in (empty: the user's data folder).
    void setEvidenceRoot(const QString& root);
    // How "重试失败的" starts its run (unset: the results window offers no retry).
    void setRetry(std::function<void(const store::results::RunResults&)> retry) { m_retry = std::move(retry); }
    // How a file or folder is opened for the user; tests replace it.
    void setOpener(std::function<bool(const QString&)> open) { m_open = std::move(open); }

private:
    void listContextMenu(const QPoint& at);
    // A write to the store failed: said once in the program's life, whatever failed.
    void storeWriteFailed(const QString& what, const QString& description);
    QPair<int, int> removeFromList(const QStringList& urls);

    QWidget* m_window;
    QTreeView* m_list;
    UrlListModel& m_model;
    store::Connection& m_connection;
    std::function<bool()> m_listLocked;
    UrlListKeeper* m_keeper;
    BookmarkTransfer* m_transfer;
    ResultWriter* m_results;
    std::unique_ptr<ResultsRecorder> m_recorder;
    QMenu* m_menu;
    QAction* m_import;
    ResultsModel::EvidenceFinder m_findEvidence;
    ResultsModel::EvidenceLister m_listEvidence;
    std::function<bool(const QString&)> m_open;
    std::function<void(const store::results::RunResults&)> m_retry;
    bool m_storeFailureShown = false;
    bool m_showAfterRun = false;
    QPointer<ResultsWindow> m_resultsWindow;
};

} // namespace tvx::ui
