#include "sitedefinitionsdialog.h"

#include "browserpane.h"
#include "controls/button/command.h"
#include "platform/messagebox.h"
#include "platform/pickerpage.h"
#include "platform/qtticker.h"
#include "platform/systemclock.h"
#include "platform/webbrowser.h"
#include "siteformwidget.h"
#include "sites/fieldpick.h"
#include "sites/sitecheck.h"
#include "sites/sitetemplates.h"
#include "sites/sitevalidation.h"
#include "store/programstore.h"
#include "store/sitecolumns.h"
#include "store/storeerror.h"
#include "templatedialog.h"
#include "ui/formlayout.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <algorithm>

namespace tvx::ui::sites {

namespace sitecolumn = tvx::store::sitecolumn;

namespace {
constexpr int kIdRole = Qt::UserRole;
const QString kDeliveredNote =
    QStringLiteral("这是程序附带的网站定义，只能查看。要修改，请按“复制”制作一份可以修改的副本。");
const QString kNewNote = QStringLiteral("新的网站定义，尚未保存。");

controls::Command* makeCommand(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new controls::Command(parent);
    button->setObjectName(QLatin1String(name));
    button->setCaption(caption);
    button->setFixedSize(95, 27);
    return button;
}

QTreeWidget* makeReport(QWidget* parent, const char* name, const QStringList& headers)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(QLatin1String(name));
    view->setColumnCount(int(headers.size()));
    view->setHeaderLabels(headers);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}
} // namespace

SiteDefinitionsDialog::SiteDefinitionsDialog(store::ProgramStore& store, QWidget* parent)
    : FormDialog(parent)
    , m_store(store)
    , m_sites(store.gcnnStore)
    , m_clock(std::make_unique<platform::SystemClock>())
{
    setObjectName(QStringLiteral("frmSites"));
    setWindowTitle(QStringLiteral("网站定义"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    // Left: the list above the form.
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* listLabel = new QLabel(QStringLiteral("网站"), left);
    m_lvwSites = makeReport(
        left, "lvwSites",
        {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("登录地址"), QStringLiteral("提交地址")});
    m_lvwSites->setAccessibleName(QStringLiteral("网站列表"));
    m_lvwSites->header()->resizeSection(0, 44);
    m_lvwSites->header()->resizeSection(1, 150);
    m_lvwSites->header()->resizeSection(2, 200);
    listLabel->setBuddy(m_lvwSites);
    m_lblState = new QLabel(left);
    m_lblState->setObjectName(QStringLiteral("lblState"));
    m_lblState->setWordWrap(true);
    m_form = new SiteFormWidget;
    auto* scroll = new QScrollArea(left);
    scroll->setObjectName(QStringLiteral("scrForm"));
    scroll->setWidget(m_form);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes from the list straight to the form's first box, not to a frameless stop that shows
    // no focus; the scroll area follows the focus through the form.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* listAndForm = new QSplitter(Qt::Vertical, left);
    auto* listBox = new QWidget(listAndForm);
    auto* listBoxLayout = new QVBoxLayout(listBox);
    listBoxLayout->setContentsMargins(0, 0, 0, 0);
    listBoxLayout->addWidget(listLabel);
    listBoxLayout->addWidget(m_lvwSites);
    auto* formBox = new QWidget(listAndForm);
    auto* formBoxLayout = new QVBoxLayout(formBox);
    formBoxLayout->setContentsMargins(0, 0, 0, 0);
    formBoxLayout->addWidget(m_lblState);
    formBoxLayout->addWidget(scroll, 1);
    listAndForm->addWidget(listBox);
    listAndForm->addWidget(formBox);
    listAndForm->setSizes({150, 550});
    leftLayout->addWidget(listAndForm);

    // Right: the browser pane and the site check's results.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabPane"));
    m_pane = new BrowserPane(m_tabs);
    m_tabs->addTab(m_pane, QStringLiteral("网页"));
    auto* checkPage = new QWidget(m_tabs);
    checkPage->setObjectName(QStringLiteral("pageCheck"));
    auto* accountLabel = new QLabel(QStringLiteral("试运行用的帐号"), checkPage);
    m_cboAccount = new QComboBox(checkPage);
    m_cboAccount->setObjectName(QStringLiteral("cboAccount"));
    accountLabel->setBuddy(m_cboAccount);
    m_lblCheck = new QLabel(checkPage);
    m_lblCheck->setObjectName(QStringLiteral("lblCheck"));
    m_lblCheck->setWordWrap(true);
    m_lblCheck->setText(
        QStringLiteral("试运行用一个帐号登录网站、打开提交页，检查每个字段和按钮能否找到，然后退出；不提交任何网摘。"));
    m_lvwCheck = makeReport(
        checkPage, "lvwCheck",
        {QStringLiteral("页面"), QStringLiteral("项目"), QStringLiteral("查找方式"), QStringLiteral("结果")});
    m_lvwCheck->setAccessibleName(QStringLiteral("试运行结果"));
    m_lvwCheck->header()->resizeSection(0, 60);
    m_lvwCheck->header()->resizeSection(1, 80);
    m_lvwCheck->header()->resizeSection(2, 170);
    auto* accountRow = new QHBoxLayout;
    accountRow->addWidget(accountLabel);
    accountRow->addWidget(m_cboAccount, 1);
    auto* checkLayout = new QVBoxLayout(checkPage);
    checkLayout->addLayout(accountRow);
    checkLayout->addWidget(m_lblCheck);
    checkLayout->addWidget(m_lvwCheck, 1);
    m_tabs->addTab(checkPage, QStringLiteral("试运行结果"));

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splSites"));
    split->addWidget(left);
    split->addWidget(m_tabs);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({640, 500});

    m_cmdNew = makeCommand(this, "cmdNew", QStringLiteral("新建(&N)..."));
    m_cmdCopy = makeCommand(this, "cmdCopy", QStringLiteral("复制(&C)"));
    m_cmdDelete = makeCommand(this, "cmdDelete", QStringLiteral("删除(&D)"));
    m_cmdSave = makeCommand(this, "cmdSave", QStringLiteral("保存(&S)"));
    m_cmdCheck = makeCommand(this, "cmdCheck", QStringLiteral("试运行(&T)"));
    m_cmdClose = makeCommand(this, "cmdClose", QStringLiteral("关闭"));
    auto* buttons = new QHBoxLayout;
    for (controls::Command* b : {m_cmdNew, m_cmdCopy, m_cmdDelete, m_cmdSave})
        buttons->addWidget(b);
    buttons->addSpacing(24);
    buttons->addWidget(m_cmdCheck);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    setMinimumSize(640, 480);
    resizeToFit(this, 1160, 760);

    m_checkTimer = new platform::QtTicker(1000, this);
    m_checkTimer->setObjectName(QStringLiteral("tmrCheck"));
    m_check = std::make_unique<tvx::sites::SiteCheck>(*m_pane->browser(), *m_clock, *m_checkTimer);
    m_check->rowAdded = [this](const tvx::sites::CheckRow& row) {
        checkRow(row);
    };
    m_check->finished = [this](int faults) {
        checkFinished(faults);
    };

    connect(m_lvwSites, &QTreeWidget::currentItemChanged, this, &SiteDefinitionsDialog::lvwSites_CurrentChanged);
    connect(m_form, &SiteFormWidget::changed, this, &SiteDefinitionsDialog::updateButtons);
    connect(m_form, &SiteFormWidget::pickRequested, this, &SiteDefinitionsDialog::pickRequested);
    connect(m_pane, &BrowserPane::picked, this, &SiteDefinitionsDialog::picked);
    connect(m_pane, &BrowserPane::pickCancelled, this, [this] { stopPicking(QStringLiteral("已取消拾取。")); });
    connect(m_cmdNew, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdNew_Click);
    connect(m_cmdCopy, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdCopy_Click);
    connect(m_cmdDelete, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdDelete_Click);
    connect(m_cmdSave, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdSave_Click);
    connect(m_cmdCheck, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdCheck_Click);
    connect(m_cmdClose, &controls::Command::Click, this, &SiteDefinitionsDialog::cmdClose_Click);
}

SiteDefinitionsDialog::~SiteDefinitionsDialog()
{
    m_pane->browser()->setEvents(nullptr);
    m_check.reset();
}

void SiteDefinitionsDialog::Form_Load()
{
    m_loaded = {};
    m_own = false;
    m_lvwCheck->clear();
    fillList(-1);
    if (m_lvwSites->topLevelItemCount() > 0)
        m_lvwSites->setCurrentItem(m_lvwSites->topLevelItem(0));
    else
        showDefinition(tvx::sites::fromTemplate(QStringLiteral("empty")), false);
}

void SiteDefinitionsDialog::fillList(qint64 selectId)
{
    const QSignalBlocker blocker(m_lvwSites);
    m_lvwSites->clear();
    try {
        for (const tvx::sites::SiteStore::Entry& e : m_sites.list()) {
            auto* item = new QTreeWidgetItem(m_lvwSites, {QString::number(e.id), e.name, e.loginUrl, e.submitUrl});
            item->setData(0, kIdRole, e.id);
            if (!e.own)
                item->setToolTip(1, QStringLiteral("程序附带，只读"));
            if (e.id == selectId)
                m_lvwSites->setCurrentItem(item);
        }
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
    }
}

bool SiteDefinitionsDialog::selectSite(qint64 id)
{
    for (int i = 0; i < m_lvwSites->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lvwSites->topLevelItem(i);
        if (item->data(0, kIdRole).toLongLong() == id) {
            m_lvwSites->setCurrentItem(item);
            return m_loaded.id == id;
        }
    }
    return false;
}

qint64 SiteDefinitionsDialog::currentId() const
{
    return m_loaded.id;
}

void SiteDefinitionsDialog::lvwSites_CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (m_switching || !current)
        return;
    const qint64 id = current->data(0, kIdRole).toLongLong();
    const qint64 before = previous ? previous->data(0, kIdRole).toLongLong() : m_loaded.id;
    // Saving fills the list afresh: the items are found again by their IDs.
    const auto reselect = [this](qint64 wanted) {
        m_switching = true;
        m_lvwSites->setCurrentItem(nullptr);
        for (int i = 0; i < m_lvwSites->topLevelItemCount(); ++i)
            if (m_lvwSites->topLevelItem(i)->data(0, kIdRole).toLongLong() == wanted)
                m_lvwSites->setCurrentItem(m_lvwSites->topLevelItem(i));
        m_switching = false;
    };
    if (!settleChanges()) {
        // Back to the row whose changes could not be saved.
        reselect(m_loaded.id >= 0 ? m_loaded.id : before);
        return;
    }
    reselect(id);
    try {
        showDefinition(m_sites.read(id), m_sites.isOwn(id));
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
    }
}

void SiteDefinitionsDialog::showDefinition(const tvx::sites::SiteDefinition& definition, bool own)
{
    stopPicking();
    m_loaded = definition;
    m_own = own || definition.id < 0;
    m_form->setDefinition(definition);
    m_form->setReadOnly(!m_own);
    m_lblState->setText(definition.id < 0 ? kNewNote : own ? QString() : kDeliveredNote);
    m_lblState->setVisible(!m_lblState->text().isEmpty());
    if (definition.id < 0) {
        const QSignalBlocker blocker(m_lvwSites);
        m_lvwSites->setCurrentItem(nullptr);
        m_lvwSites->clearSelection();
    }
    loadAccounts();
    updateButtons();
}

bool SiteDefinitionsDialog::isDirty() const
{
    return m_own && (m_loaded.id < 0 || !(m_form->definition() == m_loaded));
}

void SiteDefinitionsDialog::updateButtons()
{
    const bool running = m_check->running();
    m_cmdSave->setEnabled(m_own && !running);
    m_cmdDelete->setEnabled(m_own && m_loaded.id >= 0 && !running);
    m_cmdCopy->setEnabled(!running);
    m_cmdNew->setEnabled(!running);
    m_lvwSites->setEnabled(!running);
    m_form->setPickingEnabled(!running);
    m_cmdCheck->setCaption(running ? QStringLiteral("停止试运行(&T)") : QStringLiteral("试运行(&T)"));
}

bool SiteDefinitionsDialog::settleChanges()
{
    if (!isDirty())
        return true;
    const QString name = m_form->definition().text(sitecolumn::WebName).trimmed();
    const QString question = name.isEmpty() ? QStringLiteral("新的网站定义还没有保存，要保存吗？")
                                            : QStringLiteral("对网站定义“%1”的修改还没有保存，要保存吗？").arg(name);
    if (!MessageBox::question(this, question))
        return true;
    return save();
}

bool SiteDefinitionsDialog::save()
{
    tvx::sites::SiteDefinition definition = m_form->definition();
    QStringList otherNames;
    try {
        for (const tvx::sites::SiteStore::Entry& e : m_sites.list())
            if (e.id != definition.id)
                otherNames.append(e.name);
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
        return false;
    }
    if (const std::optional<tvx::sites::Problem> problem = tvx::sites::checkDefinition(definition, otherNames)) {
        MessageBox::information(this, problem->message);
        m_form->focusColumn(problem->column);
        return false;
    }
    try {
        m_sites.save(definition);
    } catch (const store::StoreError& e) {
        // The form keeps what the user typed.
        MessageBox::error(this, e.description());
        return false;
    }
    m_loaded = definition;
    m_form->setDefinition(definition);
    fillList(definition.id);
    m_lblState->clear();
    m_lblState->hide();
    loadAccounts();
    updateButtons();
    return true;
}

void SiteDefinitionsDialog::cmdNew_Click()
{
    if (!settleChanges())
        return;
    TemplateDialog frmTemplate(this);
    frmTemplate.exec();
    if (!frmTemplate.gblnOK)
        return;
    showDefinition(tvx::sites::fromTemplate(frmTemplate.gstrTemplate, frmTemplate.gstrAddress), true);
    if (!frmTemplate.gstrAddress.isEmpty())
        m_pane->open(m_loaded.text(sitecolumn::LoginUrl));
    m_form->focusColumn(sitecolumn::WebName);
}

void SiteDefinitionsDialog::cmdCopy_Click()
{
    if (!settleChanges())
        return;
    tvx::sites::SiteDefinition copy = m_form->definition();
    copy.id = -1;
    // A name of its own: "名称（副本）", "名称（副本2）"...
    QStringList names;
    for (int i = 0; i < m_lvwSites->topLevelItemCount(); ++i)
        names.append(m_lvwSites->topLevelItem(i)->text(1).trimmed());
    const QString base = copy.text(sitecolumn::WebName).trimmed() + QStringLiteral("（副本");
    QString name = base + QStringLiteral("）");
    for (int n = 2; names.contains(name); ++n)
        name = base + QString::number(n) + QStringLiteral("）");
    copy.set(sitecolumn::WebName, name);
    showDefinition(copy, true);
    m_form->focusColumn(sitecolumn::WebName);
}

void SiteDefinitionsDialog::cmdDelete_Click()
{
    if (!m_own || m_loaded.id < 0)
        return;
    const QString name = m_loaded.text(sitecolumn::WebName);
    try {
        const int accounts = m_sites.accountCount(m_loaded.id);
        const QString question =
            accounts > 0 ? QStringLiteral("网站“%1”还有 %2 个帐号，删除网站将同时删除这些帐号。真的要删除吗？")
                               .arg(name)
                               .arg(accounts)
                         : QStringLiteral("真的要删除网站“%1”吗？").arg(name);
        if (!MessageBox::question(this, question))
            return;
        m_sites.remove(m_loaded.id);
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
        return;
    }
    m_loaded = {};
    fillList(-1);
    if (m_lvwSites->topLevelItemCount() > 0) {
        m_own = false; // nothing left to save
        m_lvwSites->setCurrentItem(m_lvwSites->topLevelItem(0));
    } else {
        showDefinition(tvx::sites::fromTemplate(QStringLiteral("empty")), false);
    }
}

void SiteDefinitionsDialog::cmdSave_Click()
{
    if (m_own)
        save();
}

void SiteDefinitionsDialog::loadAccounts()
{
    m_cboAccount->clear();
    if (m_loaded.id < 0)
        return;
    try {
        for (const tvx::sites::SiteStore::Account& a : m_sites.accounts(m_loaded.id))
            m_cboAccount->addItem(a.uid, a.pwd);
    } catch (const store::StoreError&) {
        // The check says so when it is asked for.
    }
}

void SiteDefinitionsDialog::cmdCheck_Click()
{
    if (m_check->running()) {
        m_check->cancel();
        checkRow({QString(), QString(), QString(), QStringLiteral("试运行已停止。"), false});
        checkFinished(-1);
        return;
    }
    const tvx::sites::SiteDefinition definition = m_form->definition();
    const QString name = definition.text(sitecolumn::WebName).trimmed();
    if (definition.id < 0) {
        MessageBox::information(this,
                                QStringLiteral("请先保存网站定义，并在“设置网摘帐号”中为它添加帐号，然后再试运行！"));
        return;
    }
    if (m_cboAccount->count() == 0) {
        MessageBox::information(
            this, QStringLiteral("网站“%1”还没有帐号。请先在“设置网摘帐号”中为它添加帐号，然后再试运行！").arg(name));
        return;
    }
    stopPicking();
    const int account = std::max(0, m_cboAccount->currentIndex());
    m_lvwCheck->clear();
    m_lblCheck->setText(QStringLiteral("正在用帐号“%1”试运行“%2”……").arg(m_cboAccount->itemText(account), name));
    m_tabs->setCurrentIndex(1);
    m_pane->setDriven(true);
    // The check logs in itself: a session the user opened by hand in the pane would keep the site from
    // showing its login form, and the check would find none of its fields.
    m_pane->page()->profile()->cookieStore()->deleteAllCookies();
    m_pane->browser()->setEvents(m_check.get());
    m_check->start(definition.record(m_cboAccount->itemText(account), m_cboAccount->itemData(account).toString()),
                   std::clamp(int(m_store.gintTimeout), 5, 120));
    updateButtons();
}

void SiteDefinitionsDialog::checkRow(const tvx::sites::CheckRow& row)
{
    auto* item = new QTreeWidgetItem(m_lvwCheck, {row.page, row.item, row.lookup, row.result});
    item->setToolTip(3, row.result);
    item->setToolTip(2, row.lookup);
    item->setData(0, Qt::UserRole, row.ok);
    if (!row.ok)
        for (int c = 0; c < 4; ++c)
            item->setForeground(c, QColor(0xc0, 0, 0));
    m_lvwCheck->scrollToItem(item);
}

void SiteDefinitionsDialog::checkFinished(int faults)
{
    m_pane->browser()->setEvents(nullptr);
    m_pane->setDriven(false);
    if (faults == 0)
        m_lblCheck->setText(QStringLiteral("试运行完毕：所有字段和按钮都能找到。"));
    else if (faults > 0)
        m_lblCheck->setText(QStringLiteral("试运行完毕：有 %1 项问题（红色），请检查对应的字段。").arg(faults));
    else
        m_lblCheck->setText(QStringLiteral("试运行已停止。"));
    updateButtons();
}

void SiteDefinitionsDialog::pickRequested(const tvx::sites::FormRow* row)
{
    if (m_pickRow == row) {
        stopPicking(QStringLiteral("已取消拾取。"));
        return;
    }
    m_pickRow = row;
    m_form->setPickingRow(row);
    m_tabs->setCurrentIndex(0);
    if (m_pane->address().isEmpty()) {
        // Nothing open yet: the page the row belongs to.
        const tvx::sites::SiteDefinition d = m_form->definition();
        QString address = d.text(sitecolumn::LoginUrl);
        if (row->group != tvx::sites::FormGroup::Login && tvx::sites::isWebAddress(d.text(sitecolumn::SubmitUrl)))
            address = d.text(sitecolumn::SubmitUrl);
        if (tvx::sites::isWebAddress(address))
            m_pane->open(address);
    }
    m_pane->startPicking(row->label);
}

void SiteDefinitionsDialog::picked(const tvx::sites::PickedElement& element)
{
    const tvx::sites::FormRow* row = m_pickRow;
    m_pickRow = nullptr;
    m_form->setPickingRow(nullptr);
    if (!row)
        return;
    const tvx::sites::PickOutcome outcome = tvx::sites::pickInto(*row, element);
    if (outcome.taken)
        m_form->setValues(outcome.values);
    m_pane->setStatus(outcome.message);
}

void SiteDefinitionsDialog::stopPicking(const QString& status)
{
    m_pickRow = nullptr;
    m_form->setPickingRow(nullptr);
    m_pane->stopPicking();
    if (!status.isEmpty())
        m_pane->setStatus(status);
}

void SiteDefinitionsDialog::cmdClose_Click()
{
    reject();
}

void SiteDefinitionsDialog::reject()
{
    if (!settleChanges())
        return;
    m_check->cancel();
    FormDialog::reject();
}

} // namespace tvx::ui::sites
