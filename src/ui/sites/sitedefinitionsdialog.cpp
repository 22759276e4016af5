#include "sitedefinitionsdialog.h"

#include "browserpane.h"
#include "controls/button/command.h"
#include "platform/accountpasswords.h"
#include "platform/messagebox.h"
#include "platform/pickerpage.h"
#include "platform/plaintext.h"
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
#include "ui/errorbox.h"
#include "ui/formlayout.h"

#include <QPointer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include <algorithm>

namespace tvx::ui {

namespace sitecolumn = tvx::store::sitecolumn;

namespace {
constexpr int kIdRole = Qt::UserRole;
const QString kDeliveredNote =
    QStringLiteral("这是程序附带的网站定义，只能查看。要修改，请按“复制”制作一份可以修改的副本。");
const QString kNewNote = QStringLiteral("新的网站定义，尚未保存。");
const QString kHintLineStart = QStringLiteral("点击一项，这里显示它的说明。");

// Rows as high as their texts need when wrapped in the columns from `firstWrapped` on (a tree view on
// its own asks its delegate with no width, and so gives every row one line). The columns before it
// keep their texts on one line, as wide as they are.
class WrappingDelegate final : public QStyledItemDelegate {
public:
    WrappingDelegate(QTreeView* view, int firstWrapped)
        : QStyledItemDelegate(view)
        , m_view(view)
        , m_firstWrapped(firstWrapped)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        if (index.column() < m_firstWrapped)
            opt.features &= ~QStyleOptionViewItem::WrapText;
        initStyleOption(&opt, index);
        // (The style wraps only within a valid rectangle, one of some height.)
        opt.rect = QRect(0, 0, m_view->header()->sectionSize(index.column()), 1);
        const QWidget* widget = opt.widget ? opt.widget : m_view;
        return widget->style()->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        if (index.column() < m_firstWrapped)
            opt.features &= ~QStyleOptionViewItem::WrapText;
        QStyledItemDelegate::paint(painter, opt, index);
    }

private:
    QTreeView* m_view;
    int m_firstWrapped;
};

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
    setObjectName(QStringLiteral("siteDefinitions"));
    setWindowTitle(QStringLiteral("网站定义"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    // From left to right: the list of sites, the selected site's form, and the browser pane with the
    // site check's results. Each runs the window's full height, so that the list shows many sites and
    // the form its rows down to the log-out address on a screen of 1366 × 768.
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("sitesSplitter"));
    buildSiteList(split);
    buildForm(split);
    split->addWidget(buildPanes());
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setStretchFactor(2, 1);
    split->setSizes({220, 600, 500});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buildButtons());
    setMinimumSize(640, 480);
    resizeToFit(this, 1340, 760);

    buildCheck();
    connectSignals();
}

void SiteDefinitionsDialog::buildSiteList(QSplitter* split)
{
    auto* listBox = new QWidget(split);
    listBox->setObjectName(QStringLiteral("siteListBox"));
    auto* listLabel = new QLabel(QStringLiteral("网站"), listBox);
    // The sites by number and name; a site's addresses are in its tool tip and its form.
    m_siteList = makeReport(listBox, "siteList", {QStringLiteral("ID"), QStringLiteral("名称")});
    m_siteList->setAccessibleName(QStringLiteral("网站列表"));
    m_siteList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    listLabel->setBuddy(m_siteList);
    auto* listBoxLayout = new QVBoxLayout(listBox);
    listBoxLayout->setContentsMargins(0, 0, 0, 0);
    listBoxLayout->addWidget(listLabel);
    listBoxLayout->addWidget(m_siteList);
    split->addWidget(listBox);
}

void SiteDefinitionsDialog::buildForm(QSplitter* split)
{
    auto* formBox = new QWidget(split);
    m_stateNote = new QLabel(formBox);
    m_stateNote->setObjectName(QStringLiteral("stateNote"));
    m_stateNote->setWordWrap(true);
    platform::showPlainText(m_stateNote);
    m_form = new SiteFormWidget;
    auto* scroll = new QScrollArea(formBox);
    scroll->setObjectName(QStringLiteral("formScroll"));
    scroll->setWidget(m_form);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes from the list straight to the form's first box, not to a frameless stop that shows
    // no focus; the scroll area follows the focus through the form.
    scroll->setFocusPolicy(Qt::NoFocus);
    // What the row being typed in is for (each row's tool tip says it too).
    m_hintLine = new QLabel(kHintLineStart, formBox);
    m_hintLine->setObjectName(QStringLiteral("hintLine"));
    m_hintLine->setWordWrap(true);
    platform::showPlainText(m_hintLine);
    QPalette grey = m_hintLine->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::PlaceholderText));
    m_hintLine->setPalette(grey);
    // Two lines, so that the form does not move up and down as hints of one and two lines come and go.
    m_hintLine->setMinimumHeight(2 * m_hintLine->fontMetrics().lineSpacing() + 4);
    m_hintLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* formBoxLayout = new QVBoxLayout(formBox);
    formBoxLayout->setContentsMargins(0, 0, 0, 0);
    formBoxLayout->addWidget(m_stateNote);
    formBoxLayout->addWidget(scroll, 1);
    formBoxLayout->addWidget(m_hintLine);
    split->addWidget(formBox);
}

QTabWidget* SiteDefinitionsDialog::buildPanes()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("paneTabs"));
    m_pane = new BrowserPane(m_tabs);
    m_tabs->addTab(m_pane, QStringLiteral("网页"));
    auto* checkPage = new QWidget(m_tabs);
    checkPage->setObjectName(QStringLiteral("checkPage"));
    auto* accountLabel = new QLabel(QStringLiteral("试运行用的帐号"), checkPage);
    m_checkAccount = new QComboBox(checkPage);
    m_checkAccount->setObjectName(QStringLiteral("checkAccount"));
    accountLabel->setBuddy(m_checkAccount);
    m_checkStatus = new QLabel(checkPage);
    m_checkStatus->setObjectName(QStringLiteral("checkStatus"));
    m_checkStatus->setWordWrap(true);
    // It names the account and the site, which the user typed or a page gave.
    platform::showPlainText(m_checkStatus);
    m_checkStatus->setText(
        QStringLiteral("试运行用一个帐号登录网站、打开提交页，检查每个字段和按钮能否找到，然后退出；不提交任何网摘。"));
    m_checkResults = makeReport(
        checkPage, "checkResults",
        {QStringLiteral("页面"), QStringLiteral("项目"), QStringLiteral("查找方式"), QStringLiteral("结果")});
    m_checkResults->setAccessibleName(QStringLiteral("试运行结果"));
    // The page and the item as wide as their texts; the way of finding and the result share the rest
    // and wrap onto further lines, so that every text is seen whole without scrolling sideways.
    m_checkResults->setWordWrap(true);
    m_checkResults->setUniformRowHeights(false);
    m_checkResults->header()->setStretchLastSection(false);
    m_checkResults->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_checkResults->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_checkResults->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_checkResults->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_checkResults->setItemDelegate(new WrappingDelegate(m_checkResults, 2));
    // Columns of another width wrap their texts afresh.
    connect(m_checkResults->header(), &QHeaderView::sectionResized, m_checkResults,
            [this] { m_checkResults->doItemsLayout(); });
    auto* accountRow = new QHBoxLayout;
    accountRow->addWidget(accountLabel);
    accountRow->addWidget(m_checkAccount, 1);
    auto* checkLayout = new QVBoxLayout(checkPage);
    checkLayout->addLayout(accountRow);
    checkLayout->addWidget(m_checkStatus);
    checkLayout->addWidget(m_checkResults, 1);
    m_tabs->addTab(checkPage, QStringLiteral("试运行结果"));
    return m_tabs;
}

QHBoxLayout* SiteDefinitionsDialog::buildButtons()
{
    m_newButton = makeCommand(this, "newButton", QStringLiteral("新建(&N)..."));
    m_copyButton = makeCommand(this, "copyButton", QStringLiteral("复制(&C)"));
    m_deleteButton = makeCommand(this, "deleteButton", QStringLiteral("删除(&D)"));
    m_saveButton = makeCommand(this, "saveButton", QStringLiteral("保存(&S)"));
    m_checkButton = makeCommand(this, "checkButton", QStringLiteral("试运行(&T)"));
    m_closeButton = makeCommand(this, "closeButton", QStringLiteral("关闭"));
    auto* buttons = new QHBoxLayout;
    for (controls::Command* b : {m_newButton, m_copyButton, m_deleteButton, m_saveButton})
        buttons->addWidget(b);
    buttons->addSpacing(24);
    buttons->addWidget(m_checkButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    return buttons;
}

void SiteDefinitionsDialog::buildCheck()
{
    m_checkTimer = new platform::QtTicker(1000, this);
    m_checkTimer->setObjectName(QStringLiteral("checkTimer"));
    m_check = std::make_unique<sites::SiteCheck>(*m_pane->browser(), *m_clock, *m_checkTimer);
    m_check->rowAdded = [this](const sites::CheckRow& row) {
        checkRow(row);
    };
    m_check->finished = [this](int faults) {
        checkFinished(faults);
    };
}

void SiteDefinitionsDialog::connectSignals()
{
    connect(m_siteList, &QTreeWidget::currentItemChanged, this, &SiteDefinitionsDialog::currentSiteChanged);
    connect(m_form, &SiteFormWidget::changed, this, &SiteDefinitionsDialog::updateButtons);
    connect(m_form, &SiteFormWidget::changed, this, [this] {
        if (m_savedNote && isDirty()) {
            m_savedNote = false;
            m_stateNote->clear();
            m_stateNote->hide();
        }
    });
    connect(m_form, &SiteFormWidget::hintShown, this, [this](const QString& label, const QString& hint) {
        m_hintLine->setText(label + QStringLiteral("：") + hint);
    });
    connect(m_form, &SiteFormWidget::pickRequested, this, &SiteDefinitionsDialog::pickRequested);
    connect(m_pane, &BrowserPane::picked, this, &SiteDefinitionsDialog::picked);
    connect(m_pane, &BrowserPane::pickCancelled, this, [this] { stopPicking(QStringLiteral("已取消拾取。")); });
    connect(m_newButton, &controls::Command::Click, this, &SiteDefinitionsDialog::newSite);
    connect(m_copyButton, &controls::Command::Click, this, &SiteDefinitionsDialog::copySite);
    connect(m_deleteButton, &controls::Command::Click, this, &SiteDefinitionsDialog::deleteSite);
    connect(m_saveButton, &controls::Command::Click, this, [this] {
        if (m_own)
            save();
    });
    connect(m_checkButton, &controls::Command::Click, this, &SiteDefinitionsDialog::startOrStopCheck);
    connect(m_closeButton, &controls::Command::Click, this, &SiteDefinitionsDialog::reject);
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
    m_checkResults->clear();
    fillList(-1);
    if (m_siteList->topLevelItemCount() > 0)
        m_siteList->setCurrentItem(m_siteList->topLevelItem(0));
    else
        showDefinition(sites::fromTemplate(QStringLiteral("empty")), false);
}

void SiteDefinitionsDialog::fillList(qint64 selectId)
{
    const QSignalBlocker blocker(m_siteList);
    m_siteList->clear();
    showingStoreError(this, [&] {
        for (const sites::SiteStore::Entry& e : m_sites.list()) {
            auto* item = new QTreeWidgetItem(m_siteList, {QString::number(e.id), e.name});
            item->setData(0, kIdRole, e.id);
            QString tip = QStringLiteral("登录地址：%1\n提交地址：%2").arg(e.loginUrl, e.submitUrl);
            if (!e.own)
                tip += QStringLiteral("\n程序附带，只读");
            item->setToolTip(1, platform::plainToolTip(tip));
            if (e.id == selectId)
                m_siteList->setCurrentItem(item);
        }
    });
    // The list as wide as its names (within bounds), so that none of them is cut.
    const int names = static_cast<QAbstractItemView*>(m_siteList)->sizeHintForColumn(1);
    const int wanted = m_siteList->header()->sectionSize(0) + std::max(names, 80) + 2 * m_siteList->frameWidth() +
                       m_siteList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_siteList) + 8;
    m_siteList->parentWidget()->setMinimumWidth(std::min(wanted, 360));
}

bool SiteDefinitionsDialog::selectSite(qint64 id)
{
    for (int i = 0; i < m_siteList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_siteList->topLevelItem(i);
        if (item->data(0, kIdRole).toLongLong() == id) {
            m_siteList->setCurrentItem(item);
            return m_loaded.id == id;
        }
    }
    return false;
}

qint64 SiteDefinitionsDialog::currentId() const
{
    return m_loaded.id;
}

void SiteDefinitionsDialog::currentSiteChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (m_switching || !current)
        return;
    const qint64 id = current->data(0, kIdRole).toLongLong();
    const qint64 before = previous ? previous->data(0, kIdRole).toLongLong() : m_loaded.id;
    // Saving fills the list afresh: the items are found again by their IDs.
    const auto reselect = [this](qint64 wanted) {
        m_switching = true;
        m_siteList->setCurrentItem(nullptr);
        for (int i = 0; i < m_siteList->topLevelItemCount(); ++i)
            if (m_siteList->topLevelItem(i)->data(0, kIdRole).toLongLong() == wanted)
                m_siteList->setCurrentItem(m_siteList->topLevelItem(i));
        m_switching = false;
    };
    if (!settleChanges()) {
        // Back to the row whose changes could not be saved.
        reselect(m_loaded.id >= 0 ? m_loaded.id : before);
        return;
    }
    reselect(id);
    showingStoreError(this, [&] { showDefinition(m_sites.read(id), m_sites.isOwn(id)); });
}

void SiteDefinitionsDialog::showDefinition(const sites::SiteDefinition& definition, bool own)
{
    stopPicking();
    m_loaded = definition;
    m_own = own || definition.id < 0;
    m_form->setDefinition(definition);
    m_form->setReadOnly(!m_own);
    m_stateNote->setText(definition.id < 0 ? kNewNote : own ? QString() : kDeliveredNote);
    m_stateNote->setVisible(!m_stateNote->text().isEmpty());
    m_savedNote = false;
    if (definition.id < 0) {
        const QSignalBlocker blocker(m_siteList);
        m_siteList->setCurrentItem(nullptr);
        m_siteList->clearSelection();
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
    m_saveButton->setEnabled(m_own && !running);
    m_deleteButton->setEnabled(m_own && m_loaded.id >= 0 && !running);
    m_copyButton->setEnabled(!running);
    m_newButton->setEnabled(!running);
    m_siteList->setEnabled(!running);
    m_form->setPickingEnabled(!running);
    m_checkButton->setCaption(running ? QStringLiteral("停止试运行(&T)") : QStringLiteral("试运行(&T)"));
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
    sites::SiteDefinition definition = m_form->definition();
    QStringList otherNames;
    const bool listed = showingStoreError(this, [&] {
        for (const sites::SiteStore::Entry& e : m_sites.list())
            if (e.id != definition.id)
                otherNames.append(e.name);
    });
    if (!listed)
        return false;
    if (const std::optional<sites::Problem> problem = sites::checkDefinition(definition, otherNames)) {
        MessageBox::information(this, problem->message);
        m_form->focusColumn(problem->column);
        return false;
    }
    // On a failure the form keeps what the user typed.
    if (!showingStoreError(this, [&] { m_sites.save(definition); }))
        return false;
    m_loaded = definition;
    m_form->setDefinition(definition);
    fillList(definition.id);
    // Said in the note until the form changes again.
    m_stateNote->setText(QStringLiteral("已保存网站定义“%1”。").arg(definition.text(sitecolumn::WebName).trimmed()));
    m_stateNote->show();
    m_savedNote = true;
    loadAccounts();
    updateButtons();
    return true;
}

void SiteDefinitionsDialog::newSite()
{
    if (!settleChanges())
        return;
    TemplateDialog templates(this);
    if (templates.exec() != QDialog::Accepted)
        return;
    showDefinition(sites::fromTemplate(templates.templateKey(), templates.address()), true);
    if (!templates.address().isEmpty())
        m_pane->open(m_loaded.text(sitecolumn::LoginUrl));
    m_form->focusColumn(sitecolumn::WebName);
}

void SiteDefinitionsDialog::copySite()
{
    if (!settleChanges())
        return;
    sites::SiteDefinition copy = m_form->definition();
    copy.id = -1;
    // A name of its own: "名称（副本）", "名称（副本2）"...
    QStringList names;
    for (int i = 0; i < m_siteList->topLevelItemCount(); ++i)
        names.append(m_siteList->topLevelItem(i)->text(1).trimmed());
    const QString base = copy.text(sitecolumn::WebName).trimmed() + QStringLiteral("（副本");
    QString name = base + QStringLiteral("）");
    for (int n = 2; names.contains(name); ++n)
        name = base + QString::number(n) + QStringLiteral("）");
    copy.set(sitecolumn::WebName, name);
    showDefinition(copy, true);
    m_form->focusColumn(sitecolumn::WebName);
}

void SiteDefinitionsDialog::deleteSite()
{
    if (!m_own || m_loaded.id < 0)
        return;
    const QString name = m_loaded.text(sitecolumn::WebName);
    int accounts = 0;
    if (!showingStoreError(this, [&] { accounts = m_sites.accountCount(m_loaded.id); }))
        return;
    const QString question = accounts > 0
                                 ? QStringLiteral("网站“%1”还有 %2 个帐号，删除网站将同时删除这些帐号。真的要删除吗？")
                                       .arg(name)
                                       .arg(accounts)
                                 : QStringLiteral("真的要删除网站“%1”吗？").arg(name);
    if (!MessageBox::question(this, question))
        return;
    if (!showingStoreError(this, [&] { m_sites.remove(m_loaded.id); }))
        return;
    m_loaded = {};
    fillList(-1);
    if (m_siteList->topLevelItemCount() > 0) {
        m_own = false; // nothing left to save
        m_siteList->setCurrentItem(m_siteList->topLevelItem(0));
    } else {
        showDefinition(sites::fromTemplate(QStringLiteral("empty")), false);
    }
}

void SiteDefinitionsDialog::loadAccounts()
{
    m_checkAccount->clear();
    if (m_loaded.id < 0)
        return;
    try {
        for (const sites::SiteStore::Account& a : m_sites.accounts(m_loaded.id))
            m_checkAccount->addItem(a.uid, a.pwd);
    } catch (const store::StoreError&) {
        // The check says so when it is asked for.
    }
}

void SiteDefinitionsDialog::startOrStopCheck()
{
    if (m_check->running()) {
        m_check->cancel();
        checkRow({QString(), QString(), QString(), QStringLiteral("试运行已停止。"), false});
        checkFinished(-1);
        return;
    }
    const sites::SiteDefinition definition = m_form->definition();
    const QString name = definition.text(sitecolumn::WebName).trimmed();
    if (definition.id < 0) {
        MessageBox::information(this,
                                QStringLiteral("请先保存网站定义，并在“设置网摘帐号”中为它添加帐号，然后再试运行！"));
        return;
    }
    if (m_checkAccount->count() == 0) {
        MessageBox::information(
            this, QStringLiteral("网站“%1”还没有帐号。请先在“设置网摘帐号”中为它添加帐号，然后再试运行！").arg(name));
        return;
    }
    const int account = std::max(0, m_checkAccount->currentIndex());
    const QString uid = m_checkAccount->itemText(account);
    const QString stored = m_checkAccount->itemData(account).toString();
    if (stored.isEmpty() && m_passwords) {
        // The account's password is in the keyring: the check starts once it has been read.
        m_checkStatus->setText(QStringLiteral("正在从钥匙环读取帐号“%1”的密码……").arg(uid));
        const QPointer<SiteDefinitionsDialog> self(this);
        m_passwords->kept(definition.id, uid, [self, definition, uid](const engine::PasswordSource::Answer& answer) {
            if (!self || self->m_check->running())
                return;
            if (!answer.password) {
                self->m_checkStatus->setText(
                    QStringLiteral("无法读取帐号“%1”的密码（%2），试运行没有开始。").arg(uid, answer.problem));
                return;
            }
            self->startCheck(definition, uid, *answer.password);
        });
        return;
    }
    startCheck(definition, uid, stored);
}

void SiteDefinitionsDialog::startCheck(const sites::SiteDefinition& definition, const QString& uid,
                                       const QString& pwd)
{
    const QString name = definition.text(sitecolumn::WebName).trimmed();
    stopPicking();
    m_checkResults->clear();
    m_checkStatus->setText(QStringLiteral("正在用帐号“%1”试运行“%2”……").arg(uid, name));
    m_tabs->setCurrentIndex(1);
    m_pane->setDriven(true);
    // The check logs in itself: a session the user opened by hand in the pane would keep the site from
    // showing its login form, and the check would find none of its fields.
    m_pane->page()->profile()->cookieStore()->deleteAllCookies();
    m_pane->browser()->setEvents(m_check.get());
    engine::SiteRecord record = definition.record(uid, pwd);
    showingStoreError(this, [&] { record.own = m_sites.isOwn(definition.id); });
    m_check->start(record, std::clamp(int(m_store.gintTimeout), 5, 120));
    updateButtons();
}

void SiteDefinitionsDialog::checkRow(const sites::CheckRow& row)
{
    auto* item = new QTreeWidgetItem(m_checkResults, {row.page, row.item, row.lookup, row.result});
    item->setToolTip(3, platform::plainToolTip(row.result));
    item->setToolTip(2, platform::plainToolTip(row.lookup));
    item->setData(0, Qt::UserRole, row.ok);
    if (!row.ok)
        for (int c = 0; c < 4; ++c)
            item->setForeground(c, QColor(0xc0, 0, 0));
    m_checkResults->scrollToItem(item);
}

void SiteDefinitionsDialog::checkFinished(int faults)
{
    m_pane->browser()->setEvents(nullptr);
    m_pane->setDriven(false);
    if (faults == 0)
        m_checkStatus->setText(QStringLiteral("试运行完毕：所有字段和按钮都能找到。"));
    else if (faults > 0)
        m_checkStatus->setText(QStringLiteral("试运行完毕：有 %1 项问题（红色），请检查对应的字段。").arg(faults));
    else
        m_checkStatus->setText(QStringLiteral("试运行已停止。"));
    updateButtons();
}

void SiteDefinitionsDialog::pickRequested(const sites::FormRow* row)
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
        const sites::SiteDefinition d = m_form->definition();
        QString address = d.text(sitecolumn::LoginUrl);
        if (row->group != sites::FormGroup::Login && sites::isWebAddress(d.text(sitecolumn::SubmitUrl)))
            address = d.text(sitecolumn::SubmitUrl);
        if (sites::isWebAddress(address))
            m_pane->open(address);
    }
    m_pane->startPicking(row->label);
}

void SiteDefinitionsDialog::picked(const sites::PickedElement& element)
{
    const sites::FormRow* row = m_pickRow;
    m_pickRow = nullptr;
    m_form->setPickingRow(nullptr);
    if (!row)
        return;
    const sites::PickOutcome outcome = sites::pickInto(*row, element);
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

void SiteDefinitionsDialog::reject()
{
    if (!settleChanges())
        return;
    m_check->cancel();
    FormDialog::reject();
}

} // namespace tvx::ui
