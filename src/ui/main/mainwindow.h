#pragma once

#include "core/webhosts.h"
#include "engine/clock.h"
#include "engine/runhost.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QProgressBar;
class QTableView;
class QTreeView;
class QWebEngineView;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}
namespace tvx::engine {
class SubmissionEngine;
}
namespace tvx::platform {
class QtTicker;
class WebBrowser;
}

namespace tvx::ui {

class UrlListModel;
class RunLogModel;

// frmMain: the program's one top-level window. It owns the worker browser, the URL list, the run log,
// the progress bar, the information panes and the buttons, and hosts the submission run.
class MainWindow final : public QWidget, public engine::RunHost {
    Q_OBJECT
public:
    struct Options {
        QString storePath; // tvx.cfg
        QString helpPath;  // readme.html
        WebHosts hosts;
        const engine::Clock* clock = nullptr; // the program's clock when not given
    };

    MainWindow(store::ProgramStore& store, Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: panes, store, blank worker browser, stage 0. Failures are reported in the "错误" box
    // and the window stays usable.
    void Form_Load();

    // How help is opened; tests replace it.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    QWebEngineView* workerBrowser() const { return m_wb; }
    platform::WebBrowser* workerAdapter() const { return m_browser; }
    engine::SubmissionEngine& engine() const { return *m_engine; }
    UrlListModel* urlListModel() const { return m_urlModel; }
    RunLogModel* runLogModel() const { return m_logModel; }

    // RunHost
    void addLog(const QString& message) override;
    qint32 rowCount() const override;
    engine::Bookmark bookmark(qint32 row) const override;
    bool hasSelectedRow() const override;
    void focusUrlList() override;
    void setProgress(int percent) override;
    void setProgressVisible(bool visible) override;
    void setButtonEnabled(engine::RunButton button, bool enabled) override;
    void setButtonCaption(engine::RunButton button, const QString& caption) override;
    QString buttonCaption(engine::RunButton button) const override;
    void showInformation(const QString& text) override;
    void showError(const QString& text) override;
    std::optional<QString> chooseSubmitSites() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createEngine();
    void Form_Resize();
    void cmdSetup_Click();
    void mnuAccounts_Click();
    void mnuPara_Click();
    void cmdHelp_Click();
    void cmdExit_Click();
    void paneFailed(QWebEngineView* pane);
    controls::Command* button(engine::RunButton which) const;

    // The URL list
    void wireUrlList();
    void txtURL_GotFocus();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdClear_Click();
    void cmdSelAll_Click();
    void cmdUnSelAll_Click();
    int selectedUrlRow() const;

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
    QTableView* m_lvwLog = nullptr;
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
    QMenu* m_mnuMain = nullptr;
    UrlListModel* m_urlModel = nullptr;
    // The submission run: the worker browser's adapter, the watchdog and the delayed filler.
    platform::WebBrowser* m_browser = nullptr;
    platform::QtTicker* m_timer1 = nullptr;
    platform::QtTicker* m_timer2 = nullptr;
    std::unique_ptr<engine::SubmissionEngine> m_engine;
    RunLogModel* m_logModel = nullptr;
};

} // namespace tvx::ui
