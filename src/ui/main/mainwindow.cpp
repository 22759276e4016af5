#include "mainwindow.h"

#include "adddialog.h"
#include "controls/button/command.h"
#include "engine/submissionengine.h"
#include "labelplace.h"
#include "mainlayout.h"
#include "platform/messagebox.h"
#include "platform/qtticker.h"
#include "platform/webbrowser.h"
#include "platform/systemclock.h"
#include "runlogmodel.h"
#include "store/programstore.h"
#include "store/schema.h"
#include "store/storeerror.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "urllistmodel.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>
#include <limits>

namespace tvx::ui {

namespace {
constexpr int kButtonWidth = 95;
constexpr int kButtonHeight = 27;
constexpr int kDesignWidth = 800;
constexpr int kDesignHeight = 652;
// Below this the controls would overlap; the layout still clamps sizes at zero for smaller areas.
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 420;
constexpr int kStatusPaneHeight = 60;

QTreeView* makeReportView(QWidget* parent, const QString& name)
{
    auto* view = new QTreeView(parent);
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

// The run log only grows, to 100,000 lines and more. A tree view lays out every row again after each
// appended line, so appending grows slower with the log's length; a table with rows of one fixed
// height costs the same for every line.
QTableView* makeLogView(QWidget* parent, QAbstractItemModel* model)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QStringLiteral("lvwLog"));
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->resizeSection(RunLogModel::Time, 70);
    return view;
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
    createControls();
    createEngine();
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kDesignWidth, kDesignHeight);
    Form_Resize();
}

MainWindow::~MainWindow()
{
    // The engine goes first: nothing may reach it from the browser or the timers afterwards.
    m_browser->setEvents(nullptr);
    m_engine.reset();
}

void MainWindow::createControls()
{
    const auto place = [](QWidget* w, const char* name, int x, int y, int width, int height) {
        w->setObjectName(QLatin1String(name));
        w->setGeometry(x, y, width, height);
    };
    const auto label = [&](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        placeLabelAbove(l, x, y);
        return l;
    };
    const auto command = [&](const char* name, const QString& caption, int x, int y) {
        auto* b = new controls::Command(this);
        b->setCaption(caption);
        place(b, name, x, y, kButtonWidth, kButtonHeight);
        return b;
    };

    m_wbADS = new QWebEngineView(this);
    place(m_wbADS, "wbADS", 6, 4, 789, 90);
    m_label1 = label("Label1", QStringLiteral("请输入网址并点击[添加]按钮"), 8, 106);
    m_txtURL = new QLineEdit(this);
    place(m_txtURL, "txtURL", 6, 120, 677, 20);

    m_urlModel = new UrlListModel(this);
    m_lvwURLList = makeReportView(this, QStringLiteral("lvwURLList"));
    m_lvwURLList->setModel(m_urlModel);
    m_lvwURLList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lvwURLList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvwURLList->setGeometry(6, 142, 677, 271);
    m_lvwURLList->header()->resizeSection(UrlListModel::Number, 40);
    m_lvwURLList->header()->resizeSection(UrlListModel::Url, 220);
    m_lvwURLList->header()->resizeSection(UrlListModel::Title, 180);
    m_lvwURLList->header()->resizeSection(UrlListModel::Tags, 110);

    m_label2 = label("Label2", QStringLiteral("提交进程"), 8, 414);
    m_logModel = new RunLogModel(this);
    m_lvwLog = makeLogView(this, m_logModel);
    m_lvwLog->setGeometry(6, 426, 677, 143);

    m_pbProcess = new QProgressBar(this);
    place(m_pbProcess, "pbProcess", 6, 570, 677, 17);
    m_pbProcess->setRange(0, 100);
    m_pbProcess->setValue(0);
    m_pbProcess->setTextVisible(false);

    m_cmdAdd = command("cmdAdd", QStringLiteral("添加(&A)"), 696, 144);
    m_cmdRemove = command("cmdRemove", QStringLiteral("移除(&R)"), 696, 181);
    m_cmdClear = command("cmdClear", QStringLiteral("清空(&C)"), 696, 218);
    m_cmdSelAll = command("cmdSelAll", QStringLiteral("全部选择(&S)"), 696, 255);
    m_cmdUnSelAll = command("cmdUnSelAll", QStringLiteral("取消选择(&U)"), 696, 292);
    m_cmdSubmit = command("cmdSubmit", QStringLiteral("提交(&I)"), 696, 330);
    m_cmdAllSubmit = command("cmdAllSubmit", QStringLiteral("全部提交(&M)"), 6, 594);
    m_cmdSetup = command("cmdSetup", QStringLiteral("设置(&E)"), 106, 594);
    m_cmdHelp = command("cmdHelp", QStringLiteral("帮助(&H)"), 595, 594);
    m_cmdExit = command("cmdExit", QStringLiteral("退出(&X)"), 696, 594);

    m_wbStatus = new QWebEngineView(this);
    place(m_wbStatus, "wbStatus", 5, kDesignHeight - 25, 790, kStatusPaneHeight);

    // The worker browser lies far below the client area: live, and treated by Chromium as visible
    // (so its timers run at full speed), but never seen.
    m_wb = new QWebEngineView(this);
    place(m_wb, "wb", 18, 3000, 675, 189);

    for (QWebEngineView* pane : {m_wbADS, m_wbStatus}) {
        // A pane whose page cannot be loaded is hidden and shows no error page.
        pane->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        pane->setContextMenuPolicy(Qt::NoContextMenu);
        connect(pane->page(), &QWebEnginePage::loadingChanged, this, [this, pane](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                paneFailed(pane);
        });
    }

    m_mnuMain = new QMenu(QStringLiteral("菜单"), this);
    m_mnuMain->setObjectName(QStringLiteral("mnuMain"));
    QAction* accounts = m_mnuMain->addAction(QStringLiteral("设置网摘帐号"));
    accounts->setObjectName(QStringLiteral("mnuAccounts"));
    QAction* line = m_mnuMain->addSeparator();
    line->setObjectName(QStringLiteral("mnuLine1"));
    QAction* para = m_mnuMain->addAction(QStringLiteral("设置系统参数"));
    para->setObjectName(QStringLiteral("mnuPara"));
    connect(accounts, &QAction::triggered, this, &MainWindow::mnuAccounts_Click);
    connect(para, &QAction::triggered, this, &MainWindow::mnuPara_Click);

    connect(m_cmdSetup, &controls::Command::Click, this, &MainWindow::cmdSetup_Click);
    connect(m_cmdHelp, &controls::Command::Click, this, &MainWindow::cmdHelp_Click);
    connect(m_cmdExit, &controls::Command::Click, this, &MainWindow::cmdExit_Click);
    wireUrlList();
}

void MainWindow::createEngine()
{
    m_browser = new platform::WebBrowser(m_wb, this);
    // A page step may hold the run no longer than a step may wait for its page (the time-out and the
    // watchdog's second), and never more than ten seconds: a page whose scripts never stop then costs
    // no more than a page that never comes.
    m_browser->setStepGuard([this] { return std::clamp((int(m_store.gintTimeout) + 1) * 1000, 1000, 10000); });
    m_timer1 = new platform::QtTicker(1000, this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer2 = new platform::QtTicker(1000, this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_engine = std::make_unique<engine::SubmissionEngine>(*this, *m_browser, *m_clock, *m_timer1, *m_timer2, m_store,
                                                          m_options.hosts);
    m_browser->setEvents(m_engine.get());
    connect(m_cmdAllSubmit, &controls::Command::Click, this, [this] { m_engine->cmdAllSubmit_Click(); });
    connect(m_cmdSubmit, &controls::Command::Click, this, [this] { m_engine->cmdSubmit_Click(); });
}

void MainWindow::Form_Load()
{
    m_wbADS->load(QUrl(m_options.hosts.infoPanes + QStringLiteral("/ads/Ads.html")));
    m_wbStatus->load(QUrl(m_options.hosts.infoPanes + QStringLiteral("/ads/AdsStatus.html")));
    try {
        m_store.gcnnStore.open(m_options.storePath);
        m_store.gintTimeout = 0;
        m_store.gintTimeout = store::loadTimeout(m_store.gcnnStore);
        store::checkSchema(m_store.gcnnStore);
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
        return;
    }
    m_wb->load(QUrl(QStringLiteral("about:blank")));
    m_engine->state().mlngStage = engine::RunStage::Idle;
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
    placeLabelAbove(m_label2, m_label2->x(), l.logLabelTop);
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
    frmSetup.exec();
}

void MainWindow::mnuPara_Click()
{
    dialogs::ParametersDialog frmPara(m_store, this);
    frmPara.exec();
}

void MainWindow::cmdHelp_Click()
{
    const QString path = m_options.helpPath;
    if (!m_openUrl(QUrl::fromLocalFile(path)))
        MessageBox::error(this, QStringLiteral("无法打开帮助文件“%1”。请确认该文件存在，并且系统中装有网页浏览器。").arg(path));
}

void MainWindow::cmdExit_Click()
{
    close();
}

void MainWindow::paneFailed(QWebEngineView* pane)
{
    pane->hide();
}

void MainWindow::wireUrlList()
{
    // An address may be long (a line edit cuts at 32767 characters unless told otherwise).
    m_txtURL->setMaxLength(std::numeric_limits<int>::max());
    m_txtURL->installEventFilter(this);
    m_label1->setBuddy(m_txtURL);
    connect(m_cmdAdd, &controls::Command::Click, this, &MainWindow::cmdAdd_Click);
    connect(m_cmdRemove, &controls::Command::Click, this, &MainWindow::cmdRemove_Click);
    connect(m_cmdClear, &controls::Command::Click, this, &MainWindow::cmdClear_Click);
    connect(m_cmdSelAll, &controls::Command::Click, this, &MainWindow::cmdSelAll_Click);
    connect(m_cmdUnSelAll, &controls::Command::Click, this, &MainWindow::cmdUnSelAll_Click);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_txtURL && event->type() == QEvent::FocusIn) {
        txtURL_GotFocus();
        // The click that brought the focus goes on to place the text cursor, which drops the
        // selection; select again once the click has been handled.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, m_txtURL, [this] { txtURL_GotFocus(); });
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::txtURL_GotFocus()
{
    if (!m_txtURL->text().isEmpty())
        m_txtURL->selectAll();
}

void MainWindow::cmdAdd_Click()
{
    AddDialog frmAdd(*m_clock, this);
    frmAdd.gstrURL = m_txtURL->text();
    frmAdd.exec();
    if (!frmAdd.gblnOK)
        return;
    m_urlModel->append({frmAdd.gstrURL, frmAdd.gstrTitle, frmAdd.gstrTag, frmAdd.gstrSummary});
    m_lvwURLList->scrollToBottom();
    m_txtURL->clear();
}

void MainWindow::cmdRemove_Click()
{
    const int position = selectedUrlRow();
    if (position >= 0)
        m_urlModel->removeAt(position);
}

void MainWindow::cmdClear_Click()
{
    m_urlModel->clear();
}

void MainWindow::cmdSelAll_Click()
{
    if (m_urlModel->rowCount() > 0)
        m_lvwURLList->selectAll();
}

void MainWindow::cmdUnSelAll_Click()
{
    m_lvwURLList->clearSelection();
}

// The list's selected row: the current row when it is selected (the row the user clicked last),
// otherwise the topmost selected row; -1 when no row is selected.
int MainWindow::selectedUrlRow() const
{
    const QItemSelectionModel* selection = m_lvwURLList->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), {}))
        return current.row();
    int top = -1;
    for (const QModelIndex& index : selection->selectedRows()) {
        if (top < 0 || index.row() < top)
            top = index.row();
    }
    return top;
}

controls::Command* MainWindow::button(engine::RunButton which) const
{
    switch (which) {
    case engine::RunButton::Add:
        return m_cmdAdd;
    case engine::RunButton::Remove:
        return m_cmdRemove;
    case engine::RunButton::Clear:
        return m_cmdClear;
    case engine::RunButton::SelAll:
        return m_cmdSelAll;
    case engine::RunButton::UnSelAll:
        return m_cmdUnSelAll;
    case engine::RunButton::Submit:
        return m_cmdSubmit;
    case engine::RunButton::AllSubmit:
        return m_cmdAllSubmit;
    case engine::RunButton::Setup:
        return m_cmdSetup;
    }
    return m_cmdSetup;
}

void MainWindow::addLog(const QString& message)
{
    // The log follows its newest line while the user has it scrolled to the end, and stays where the
    // user scrolled it otherwise.
    const QScrollBar* bar = m_lvwLog->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_logModel->append(m_clock->localTime().toString(QStringLiteral("HH:mm:ss")), message);
    if (following)
        m_lvwLog->scrollToBottom();
}

qint32 MainWindow::rowCount() const
{
    return m_urlModel->rowCount();
}

engine::Bookmark MainWindow::bookmark(qint32 row) const
{
    if (row < 1 || row > m_urlModel->rowCount())
        return {};
    return m_urlModel->rowAt(row - 1).bookmark;
}

bool MainWindow::hasSelectedRow() const
{
    return m_lvwURLList->selectionModel()->hasSelection();
}

void MainWindow::focusUrlList()
{
    m_lvwURLList->setFocus();
}

void MainWindow::setProgress(int percent)
{
    m_pbProcess->setValue(percent);
}

void MainWindow::setProgressVisible(bool visible)
{
    m_pbProcess->setVisible(visible);
}

void MainWindow::setButtonEnabled(engine::RunButton which, bool enabled)
{
    button(which)->setEnabled(enabled);
}

void MainWindow::setButtonCaption(engine::RunButton which, const QString& caption)
{
    button(which)->setCaption(caption);
}

QString MainWindow::buttonCaption(engine::RunButton which) const
{
    return button(which)->caption();
}

void MainWindow::showInformation(const QString& text)
{
    MessageBox::information(this, text);
}

void MainWindow::showError(const QString& text)
{
    MessageBox::error(this, text);
}

std::optional<QString> MainWindow::chooseSubmitSites()
{
    dialogs::SubmitSitesDialog frmSelWeb(m_store, this);
    frmSelWeb.exec();
    if (!frmSelWeb.gblnOK)
        return std::nullopt;
    return frmSelWeb.gstrBookMark;
}

} // namespace tvx::ui
