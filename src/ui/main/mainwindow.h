#pragma once

#include "core/webhosts.h"
#include "engine/clock.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTreeView;
class QWebEngineView;

namespace tvx::store {
struct ProgramStore;
namespace results {
struct RunResults;
}
} // namespace tvx::store
namespace tvx::controls {
class Command;
}
namespace tvx::engine {
class SubmissionEngine;
}
namespace tvx::platform {
class AccountPasswords;
class WebBrowser;
}

namespace tvx::ui {

class BookmarkServices;
class InfoPanes;
class LogEvidence;
class MainRunHost;
class RunLogModel;
class RunLogView;
class SetupMenu;
class UrlListController;
class UrlListModel;

// frmMain: the program's one top-level window. It makes and places its controls, starts up, lays the
// controls out when resized, and answers the set-up, help and exit buttons. Its parts do the rest:
// the URL list (UrlListController), the run that the engine drives through the window (MainRunHost),
// the information panes (InfoPanes) and the set-up menu (SetupMenu).
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    struct Options {
        QString storePath; // tvx.cfg
        QString helpPath;  // readme.html
        WebHosts hosts;
        const engine::Clock* clock = nullptr; // the program's clock when not given
        // The results window opens by itself when a run has ended (the program does; tests that run
        // many runs leave it closed).
        bool showResultsAfterRun = false;
        QString evidenceRoot; // where failure evidence is kept; empty: the user's data folder
        // The desktop keyring's service name for the accounts' passwords; empty: tvx.cfg keeps them.
        QString keyringService;
    };

    MainWindow(store::ProgramStore& store, Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: panes, store, blank worker browser, stage 0. Failures are reported in the "错误" box
    // and the window stays usable.
    void Form_Load();

    // How help is opened; tests replace it.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    // "重试失败的" of a kept run: a run of its pairs that did not succeed, as far as their accounts and
    // bookmarks are still there; false (and said in a box) when none is left to submit.
    bool retryRun(const store::results::RunResults& run);

    MainRunHost& runHost() const { return *m_run; }
    UrlListController& urlList() const { return *m_urls; }
    // Import, export, the kept list and the results of runs.
    BookmarkServices& bookmarks() const { return *m_bookmarks; }
    LogEvidence& evidence() const { return *m_evidence; }
    QWebEngineView* workerBrowser() const { return m_wb; }
    platform::WebBrowser* workerAdapter() const;
    engine::SubmissionEngine& engine() const;
    UrlListModel* urlListModel() const;
    RunLogModel* runLogModel() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createSetupMenu();
    void Form_Resize();
    void cmdSetup_Click();
    void mnuAccounts_Click();
    void mnuPara_Click();
    void mnuSites_Click();
    void cmdHelp_Click();
    void cmdExit_Click();

    store::ProgramStore& m_store;
    Options m_options;
    std::function<bool(const QUrl&)> m_openUrl;
    std::unique_ptr<engine::Clock> m_ownClock;
    const engine::Clock* m_clock = nullptr;

    QWebEngineView* m_wbADS = nullptr;
    QWebEngineView* m_wbStatus = nullptr;
    QWebEngineView* m_wb = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_txtURL = nullptr;
    QTreeView* m_lvwURLList = nullptr;
    RunLogView* m_lvwLog = nullptr;
    QProgressBar* m_pbProcess = nullptr;
    controls::Command* m_cmdAdd = nullptr;
    controls::Command* m_cmdRemove = nullptr;
    controls::Command* m_cmdClear = nullptr;
    controls::Command* m_cmdSelAll = nullptr;
    controls::Command* m_cmdUnSelAll = nullptr;
    controls::Command* m_cmdSubmit = nullptr;
    controls::Command* m_cmdAllSubmit = nullptr;
    controls::Command* m_cmdSetup = nullptr;
    controls::Command* m_cmdHelp = nullptr;
    controls::Command* m_cmdExit = nullptr;
    SetupMenu* m_mnuMain = nullptr;

    InfoPanes* m_panes = nullptr;
    UrlListController* m_urls = nullptr;
    BookmarkServices* m_bookmarks = nullptr;
    LogEvidence* m_evidence = nullptr;
    MainRunHost* m_run = nullptr;
    platform::AccountPasswords* m_passwords = nullptr; // none without a keyring service
};

} // namespace tvx::ui
