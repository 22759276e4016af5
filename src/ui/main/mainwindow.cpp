#include "mainwindow.h"

#include "controls/button/command.h"
#include "engine/submissionengine.h"
#include "infopanes.h"
#include "mainlayout.h"
#include "mainrunhost.h"
#include "platform/accessibility.h"
#include "platform/accountpasswords.h"
#include "platform/keyboardfocus.h"
#include "platform/messagebox.h"
#include "platform/systemclock.h"
#include "runlogview.h"
#include "setupmenu.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "store/programstore.h"
#include "store/schema.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/errorbox.h"
#include "ui/formlayout.h"
#include "ui/results/retrychoice.h"
#include "ui/evidence/logevidence.h"
#include "ui/sites/sitedefinitionsdialog.h"
#include "urllistcontroller.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeView>
#include <QWebEngineView>

namespace tvx::ui {

namespace {
constexpr int kDesignWidth = 800;
constexpr int kDesignHeight = 652;
// Below this the controls would overlap; the layout still clamps sizes at zero for smaller areas.
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 420;
constexpr int kStatusPaneHeight = 60;

template <typename W> W* placed(W* widget, const char* name, int x, int y, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}
} // namespace

MainWindow::MainWindow(store::ProgramStore& store, Options options, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_options(std::move(options))
    , m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    if (m_options.clock) {
        m_clock = m_options.clock;
    } else {
        m_ownClock = std::make_unique<platform::SystemClock>();
        m_clock = m_ownClock.get();
    }
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tavrinex"));
    platform::presentAsWindow(this);
    createControls();
    createSetupMenu();

    m_panes = new InfoPanes(m_wbADS, m_wbStatus, m_options.hosts.infoPanes, this);
    m_urls = new UrlListController(
        {m_txtURL, m_lvwURLList, m_cmdAdd, m_cmdRemove, m_cmdClear, m_cmdSelAll, m_cmdUnSelAll}, *m_clock, this);
    using engine::RunButton;
    m_run = new MainRunHost({m_lvwLog,
                             m_pbProcess,
                             m_wb,
                             {{RunButton::Add, m_cmdAdd},
                              {RunButton::Remove, m_cmdRemove},
                              {RunButton::Clear, m_cmdClear},
                              {RunButton::SelAll, m_cmdSelAll},
                              {RunButton::UnSelAll, m_cmdUnSelAll},
                              {RunButton::Submit, m_cmdSubmit},
                              {RunButton::AllSubmit, m_cmdAllSubmit},
                              {RunButton::Setup, m_cmdSetup}}},
                            *m_urls, m_store, *m_clock, m_options.hosts, this);
    m_bookmarks = new BookmarkServices(this, m_lvwURLList, *m_urls->model(), m_store.gcnnStore,
                                       [this] { return engine().state().mblnRunning; }, this);
    m_bookmarks->setShowResultsAfterRun(m_options.showResultsAfterRun);
    m_bookmarks->setEvidenceRoot(m_options.evidenceRoot);
    engine().addRecorder(&m_bookmarks->recorder());
    m_bookmarks->setRetry([this](const store::results::RunResults& run) { retryRun(run); });
    m_evidence = new LogEvidence(*m_lvwLog, m_wb, engine(), m_options.evidenceRoot,
                                 [this](const QUrl& url) { return m_openUrl(url); }, this);

    connect(m_cmdSetup, &controls::Command::Click, this, &MainWindow::cmdSetup_Click);
    connect(m_cmdHelp, &controls::Command::Click, this, &MainWindow::cmdHelp_Click);
    connect(m_cmdExit, &controls::Command::Click, this, &MainWindow::cmdExit_Click);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kDesignWidth, kDesignHeight);
    Form_Resize();
}

MainWindow::~MainWindow()
{
    // The run goes first: nothing may reach the engine from the browser or the timers afterwards.
    delete m_run;
}

// The controls in their design places; Form_Resize then moves those that follow the window's edges.
void MainWindow::createControls()
{
    m_wbADS = placed(new QWebEngineView(this), "wbADS", 6, 4, 789, 90);
    m_txtURL = addLineEdit(this, "txtURL", 6, 120, 677, 20);
    m_label1 = addLabel(this, "Label1", QStringLiteral("请输入网址并点击[添加]按钮"), 8, 106, m_txtURL);
    m_lvwURLList = placed(new QTreeView(this), "lvwURLList", 6, 142, 677, 271);
    m_lvwLog = placed(new RunLogView(this), "lvwLog", 6, 426, 677, 143);
    m_label2 = addLabel(this, "Label2", QStringLiteral("提交进程"), 8, 414, m_lvwLog);

    m_pbProcess = placed(new QProgressBar(this), "pbProcess", 6, 570, 677, 17);
    m_pbProcess->setRange(0, 100);
    m_pbProcess->setValue(0);
    m_pbProcess->setTextVisible(false);

    m_cmdAdd = addCommand(this, "cmdAdd", QStringLiteral("添加(&A)"), 696, 144);
    m_cmdRemove = addCommand(this, "cmdRemove", QStringLiteral("移除(&R)"), 696, 181);
    m_cmdClear = addCommand(this, "cmdClear", QStringLiteral("清空(&C)"), 696, 218);
    m_cmdSelAll = addCommand(this, "cmdSelAll", QStringLiteral("全部选择(&S)"), 696, 255);
    m_cmdUnSelAll = addCommand(this, "cmdUnSelAll", QStringLiteral("取消选择(&U)"), 696, 292);
    m_cmdSubmit = addCommand(this, "cmdSubmit", QStringLiteral("提交(&I)"), 696, 330);
    m_cmdAllSubmit = addCommand(this, "cmdAllSubmit", QStringLiteral("全部提交(&M)"), 6, 594);
    m_cmdSetup = addCommand(this, "cmdSetup", QStringLiteral("设置(&E)"), 106, 594);
    m_cmdHelp = addCommand(this, "cmdHelp", QStringLiteral("帮助(&H)"), 595, 594);
    m_cmdExit = addCommand(this, "cmdExit", QStringLiteral("退出(&X)"), 696, 594);

    m_wbStatus = placed(new QWebEngineView(this), "wbStatus", 5, kDesignHeight - 25, 790, kStatusPaneHeight);
    // The worker browser lies far below the client area: live, and treated by Chromium as visible
    // (so its timers run at full speed), but never seen.
    m_wb = placed(new QWebEngineView(this), "wb", 18, 3000, 675, 189);
    // Nothing the user types may reach a site's form while a run fills it.
    platform::keepOutOfUserInput(m_wb);

    m_lvwURLList->setAccessibleName(QStringLiteral("网址列表"));
    m_lvwLog->setAccessibleName(m_label2->text());
    m_pbProcess->setAccessibleName(m_label2->text());
    setTabChain({m_txtURL, m_lvwURLList, m_cmdAdd, m_cmdRemove, m_cmdClear, m_cmdSelAll, m_cmdUnSelAll, m_cmdSubmit,
                 m_lvwLog, m_cmdAllSubmit, m_cmdSetup, m_cmdHelp, m_cmdExit});
}

// Every entry of the set-up button's menu, in the order shown.
void MainWindow::createSetupMenu()
{
    m_mnuMain = new SetupMenu(this);
    m_mnuMain->addEntry("mnuAccounts", QStringLiteral("设置网摘帐号"), [this] { mnuAccounts_Click(); });
    m_mnuMain->addSeparatorEntry("mnuLine1");
    m_mnuMain->addEntry("mnuPara", QStringLiteral("设置系统参数"), [this] { mnuPara_Click(); });
    m_mnuMain->addEntry("mnuSites", QStringLiteral("网站定义(&W)..."), [this] { mnuSites_Click(); });
    m_mnuMain->addSeparatorEntry("mnuLine2");
    m_mnuMain->addEntry("mnuImport", QStringLiteral("导入书签(&I)..."), [this] { m_bookmarks->importBookmarks(); });
    m_mnuMain->addEntry("mnuExport", QStringLiteral("导出书签(&O)..."), [this] { m_bookmarks->exportBookmarks(); });
    m_mnuMain->addSeparatorEntry("mnuLine3");
    m_mnuMain->addEntry("mnuResults", QStringLiteral("提交结果(&R)..."), [this] { m_bookmarks->showResults(); });
}

void MainWindow::Form_Load()
{
    m_panes->load();
    const bool opened = showingStoreError(this, [&] {
        m_store.gcnnStore.open(m_options.storePath);
        m_store.gintTimeout = 0;
        m_store.gintTimeout = store::loadTimeout(m_store.gcnnStore);
        m_store.gintSitePause = store::loadSitePause(m_store.gcnnStore);
        store::checkSchema(m_store.gcnnStore);
    });
    if (!opened)
        return;
    // The accounts' passwords go where they are kept (the keyring, when one answers), in the background.
    if (!m_options.keyringService.isEmpty() && !m_passwords) {
        m_passwords = new platform::AccountPasswords(m_store.gcnnStore, m_options.keyringService, this);
        engine().setPasswordSource(m_passwords);
        m_passwords->settle();
    }
    // The URL list as it was when the program last changed it.
    m_bookmarks->restore();
    m_wb->load(QUrl(QStringLiteral("about:blank")));
    engine().state().mlngStage = engine::RunStage::Idle;
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Restoring a minimised window lays it out again (nothing is done while it is minimised).
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        Form_Resize();
}

void MainWindow::Form_Resize()
{
    if (isMinimized())
        return;
    const MainLayout l = MainLayout::compute(width(), height());
    for (controls::Command* b : {m_cmdAdd, m_cmdRemove, m_cmdClear, m_cmdSelAll, m_cmdUnSelAll, m_cmdSubmit, m_cmdExit})
        b->move(l.columnLeft, b->y());
    m_cmdHelp->move(l.helpLeft, m_cmdHelp->y());
    m_wbADS->resize(l.adsWidth, m_wbADS->height());
    m_lvwURLList->resize(l.listWidth, m_lvwURLList->height());
    m_lvwLog->resize(l.listWidth, m_lvwLog->height());
    for (controls::Command* b : {m_cmdAllSubmit, m_cmdSetup, m_cmdHelp, m_cmdExit})
        b->move(b->x(), l.bottomRowTop);
    m_lvwLog->move(m_lvwLog->x(), l.logTop);
    m_pbProcess->move(m_pbProcess->x(), l.progressTop);
    placeLabel(m_label2, m_label2->x(), l.logLabelTop);
    m_lvwURLList->resize(m_lvwURLList->width(), l.listHeight);
    m_pbProcess->resize(l.listWidth, m_pbProcess->height());
    m_wbStatus->setGeometry(m_wbStatus->x(), l.statusTop, l.statusWidth, m_wbStatus->height());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Whatever the way of closing, and even during a run, the user confirms first.
    if (MessageBox::question(this, QStringLiteral("真的要退出Tavrinex吗？")))
        event->accept();
    else
        event->ignore();
}

void MainWindow::cmdSetup_Click()
{
    m_mnuMain->exec(QCursor::pos());
}

void MainWindow::mnuAccounts_Click()
{
    dialogs::AccountsDialog frmSetup(m_store, this);
    frmSetup.setPasswords(m_passwords);
    frmSetup.exec();
}

void MainWindow::mnuPara_Click()
{
    dialogs::ParametersDialog frmPara(m_store, this);
    // A change of where the passwords are kept moves them there.
    if (frmPara.exec() == QDialog::Accepted && m_passwords)
        m_passwords->settle();
}

void MainWindow::mnuSites_Click()
{
    SiteDefinitionsDialog siteDefinitions(m_store, this);
    siteDefinitions.setPasswords(m_passwords);
    siteDefinitions.exec();
}

void MainWindow::cmdHelp_Click()
{
    const QString path = m_options.helpPath;
    if (!m_openUrl(QUrl::fromLocalFile(path)))
        MessageBox::error(
            this, QStringLiteral("无法打开帮助文件“%1”。请确认该文件存在，并且系统中装有网页浏览器。").arg(path));
}

void MainWindow::cmdExit_Click()
{
    close();
}

bool MainWindow::retryRun(const store::results::RunResults& run)
{
    const RetryChoice choice = retryChoice(run, *m_urls->model());
    if (choice.accounts.isEmpty()) {
        MessageBox::information(this, QStringLiteral("要重试的网址已不在网址列表中，或其帐号已不在了，没有可以重试的提交。"));
        return false;
    }
    if (choice.missing > 0)
        m_run->addLog(QStringLiteral("有 %1 个失败的提交不再重试：其网址已不在网址列表中，或其帐号已不在了。")
                          .arg(choice.missing));
    engine().startChosenPairs(choice.accounts, run.run.id);
    return true;
}

platform::WebBrowser* MainWindow::workerAdapter() const
{
    return m_run->browser();
}

engine::SubmissionEngine& MainWindow::engine() const
{
    return m_run->engine();
}

UrlListModel* MainWindow::urlListModel() const
{
    return m_urls->model();
}

RunLogModel* MainWindow::runLogModel() const
{
    return m_lvwLog->logModel();
}

} // namespace tvx::ui
