#include "accountsdialog.h"

#include "controls/button/command.h"
#include "platform/accountpasswords.h"
#include "platform/messagebox.h"
#include "sitepickerdialog.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/recordset.h"
#include "store/sitecolumns.h"
#include "ui/errorbox.h"
#include "ui/formlayout.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace tvx::ui::dialogs {

namespace sitecolumn = tvx::store::sitecolumn;

namespace {
constexpr int kColumnWidth = 169; // 2540 twips
constexpr int kDesignWidth = 399;
constexpr int kDesignHeight = 396;
constexpr int kUidRole = Qt::UserRole + 1;

// One "*" per character of the password; the password itself is never shown.
QString masked(const QString& pwd)
{
    return QString(pwd.toUcs4().size(), QLatin1Char('*'));
}
} // namespace

AccountsDialog::AccountsDialog(store::ProgramStore& store, QWidget* parent)
    : FormDialog(parent)
    , m_store(store)
{
    setUpDialog(this, "frmSetup", QStringLiteral("设置帐号"), kDesignWidth, kDesignHeight);
    // Opens at its designed size and can be made larger: the list grows, the buttons below it follow
    // the bottom edge and "关闭" the right one (resizeEvent).
    setMinimumSize(kDesignWidth, kDesignHeight);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setSizeGripEnabled(true);

    auto* frame1 = new QGroupBox(QStringLiteral("帐号"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(4, 0, 391, 93);

    m_txtURL = addLineEdit(frame1, "txtURL", 82, 18, 269, 20);
    // Filled only by the site picker. It stays in the focus chain, so that it can take the focus
    // when the user is asked to choose a site and a screen reader can read it; greyed as read-only.
    m_txtURL->setReadOnly(true);
    QPalette greyed = m_txtURL->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    m_txtURL->setPalette(greyed);
    addLabel(frame1, "Label1", QStringLiteral("网摘站点"), 8, 22, m_txtURL);
    m_cmdSel = addCommand(frame1, "cmdSel", QStringLiteral("..."), 356, 14, 27, 27);
    // Like the add dialog's "...": named by what it does, which its tool tip also says.
    m_cmdSel->setToolTip(QStringLiteral("选择网摘站点"));
    m_cmdSel->setAccessibleName(m_cmdSel->toolTip());

    m_txtUid = addLineEdit(frame1, "txtUid", 82, 42, 157, 20);
    addLabel(frame1, "Label2", QStringLiteral("用户名(UID)"), 8, 46, m_txtUid);

    m_txtPwd = addLineEdit(frame1, "txtPwd", 82, 66, 157, 20);
    m_txtPwd->setEchoMode(QLineEdit::Password);
    m_txtPwd->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    addLabel(frame1, "Label3", QStringLiteral("密\u3000码(PWD)"), 6, 68, m_txtPwd);

    m_cmdAdd = addCommand(frame1, "cmdAdd", QStringLiteral("添加"), 278, 58);

    m_lvwAccounts = new QTreeWidget(this);
    m_lvwAccounts->setObjectName(QStringLiteral("lvwAccounts"));
    m_lvwAccounts->setAccessibleName(QStringLiteral("帐号列表"));
    m_lvwAccounts->setGeometry(2, 96, 395, 261);
    m_lvwAccounts->setColumnCount(3);
    m_lvwAccounts->setHeaderLabels({QStringLiteral("网摘站点"), QStringLiteral("用户名"), QStringLiteral("密码")});
    m_lvwAccounts->setRootIsDecorated(false);
    m_lvwAccounts->setItemsExpandable(false);
    m_lvwAccounts->setUniformRowHeights(true);
    m_lvwAccounts->setAllColumnsShowFocus(true);
    m_lvwAccounts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Three columns of the designed 169 pixels are wider together than the list and would hide most of
    // "密码": the site and user-id columns are as wide as their texts instead, up to the designed width
    // where there is room, and "密码" takes the rest (fitColumns).
    m_lvwAccounts->header()->setStretchLastSection(true);

    m_cmdRemove = addCommand(this, "cmdRemove", QStringLiteral("删除所选"), 2, 362);
    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("关闭"), 300, 362);
    // Enter adds the account being typed; Escape closes.
    m_cmdAdd->setDefault(true);
    setTabChain({m_txtURL, m_cmdSel, m_txtUid, m_txtPwd, m_cmdAdd, m_lvwAccounts, m_cmdRemove, m_cmdOK});

    connect(m_cmdSel, &controls::Command::Click, this, &AccountsDialog::cmdSel_Click);
    connect(m_cmdAdd, &controls::Command::Click, this, &AccountsDialog::cmdAdd_Click);
    connect(m_cmdRemove, &controls::Command::Click, this, &AccountsDialog::cmdRemove_Click);
    connect(m_cmdOK, &controls::Command::Click, this, &AccountsDialog::cmdOK_Click);
}

void AccountsDialog::setPasswords(platform::AccountPasswords* passwords)
{
    if (m_passwords)
        disconnect(m_passwords, nullptr, this, nullptr);
    m_passwords = passwords;
    if (!m_passwords)
        return;
    if (!m_lblPasswordPlace) {
        // Between the two buttons below the list: where the passwords are kept.
        m_lblPasswordPlace = new QLabel(this);
        m_lblPasswordPlace->setObjectName(QStringLiteral("lblPasswordPlace"));
        m_lblPasswordPlace->setGeometry(100, 359, 197, 34);
        m_lblPasswordPlace->setWordWrap(true);
        m_lblPasswordPlace->setTextFormat(Qt::PlainText);
    }
    connect(m_passwords, &platform::AccountPasswords::placeChanged, this, &AccountsDialog::showPasswordPlace);
    showPasswordPlace();
}

void AccountsDialog::showPasswordPlace()
{
    if (!m_lblPasswordPlace)
        return;
    const QString text = m_passwords ? m_passwords->placeText() : QString();
    m_lblPasswordPlace->setText(text);
    m_lblPasswordPlace->setToolTip(text);
}

void AccountsDialog::resizeEvent(QResizeEvent* event)
{
    FormDialog::resizeEvent(event);
    const int grownX = width() - kDesignWidth;
    const int grownY = height() - kDesignHeight;
    m_lvwAccounts->setGeometry(2, 96, 395 + grownX, 261 + grownY);
    m_cmdRemove->move(2, 362 + grownY);
    m_cmdOK->move(300 + grownX, 362 + grownY);
    if (m_lblPasswordPlace)
        m_lblPasswordPlace->setGeometry(100, 359 + grownY, 197 + grownX, 34);
}

void AccountsDialog::fitColumns()
{
    QTreeWidget* list = m_lvwAccounts;
    QHeaderView* header = list->header();
    // The room the columns have: the list inside its frame, less a vertical scroll bar when the rows
    // need one (asked before the window is first shown, when the view has not laid itself out yet).
    int room = list->maximumViewportSize().width();
    const int rows = list->topLevelItemCount();
    if (rows > 0 && rows * list->sizeHintForRow(0) > list->maximumViewportSize().height() - header->sizeHint().height())
        room -= list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    const auto needs = [&](int column) {
        // (QTreeView hides the public sizeHintForColumn of its base.) A little air after the text.
        return std::max(static_cast<const QAbstractItemView*>(list)->sizeHintForColumn(column),
                        header->sectionSizeHint(column)) +
               8;
    };
    // The password column ("密码", last) keeps room for its own texts and takes what is left; the site
    // column gets the designed width when there is room for it. Texts too long for the list (a user id
    // of a thousand characters) are cut in their column rather than push "密码" out of sight.
    const int pwd = needs(PwdColumn);
    const int uid = std::min(needs(UidColumn), std::max(room / 3, room - needs(SiteColumn) - pwd));
    const int rest = room - uid - pwd;
    const int site = std::min(std::max(needs(SiteColumn), std::min(kColumnWidth, rest)), std::max(room / 3, rest));
    header->resizeSection(SiteColumn, site);
    header->resizeSection(UidColumn, uid);
}

void AccountsDialog::appendRow(qint64 siteId, const QString& siteName, const QString& uid, const QString& pwd)
{
    // An account whose password is in the keyring keeps none in the store.
    const QString shown = m_passwords && pwd.isEmpty() ? QStringLiteral("（钥匙环）") : masked(pwd);
    auto* row = new QTreeWidgetItem(m_lvwAccounts, {siteName, uid, shown});
    row->setData(SiteColumn, Qt::UserRole, siteId);
    row->setData(UidColumn, kUidRole, uid);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(SiteColumn, Qt::Unchecked);
}

qint64 AccountsDialog::rowSiteId(const QTreeWidgetItem* row)
{
    return row->data(SiteColumn, Qt::UserRole).toLongLong();
}

QString AccountsDialog::rowUid(const QTreeWidgetItem* row)
{
    return row->data(UidColumn, kUidRole).toString();
}

void AccountsDialog::Form_Load()
{
    m_lvwAccounts->clear();
    // An empty list must not pass for "no accounts" when the store could not be read.
    showingStoreError(this, [&] {
        store::Recordset rs;
        rs.open(m_store.gcnnStore, store::catalogue::accountsWithSiteNames());
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            appendRow(rs.value(QStringLiteral("ID")).toLongLong(), rs.text(sitecolumn::WebName),
                      rs.text(QStringLiteral("Uid")), rs.text(QStringLiteral("Pwd")));
    });
    fitColumns();
}

void AccountsDialog::cmdSel_Click()
{
    SitePickerDialog picker(m_store, this);
    picker.exec();
    if (!picker.gblnOK)
        return;
    m_txtURLTag = picker.gstrID.toLongLong();
    m_txtURL->setText(picker.gstrName);
}

void AccountsDialog::cmdAdd_Click()
{
    if (m_txtURL->text().isEmpty() || !m_txtURLTag) {
        MessageBox::information(this, QStringLiteral("请选择网摘站点！"));
        m_txtURL->setFocus();
        return;
    }
    if (m_txtUid->text().trimmed().isEmpty()) {
        MessageBox::information(this, QStringLiteral("请输入用户名！"));
        m_txtUid->setFocus();
        return;
    }
    if (m_txtPwd->text().trimmed().isEmpty()) {
        MessageBox::information(this, QStringLiteral("请输入密码！"));
        m_txtPwd->setFocus();
        return;
    }
    const qint64 siteId = *m_txtURLTag;
    const QString uid = m_txtUid->text();
    const QString pwd = m_txtPwd->text();
    // An account is the pair (site, user id), compared exactly: case-sensitive and untrimmed.
    for (int i = 0; i < m_lvwAccounts->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_lvwAccounts->topLevelItem(i);
        if (rowSiteId(row) == siteId && rowUid(row) == uid) {
            MessageBox::information(this, QStringLiteral("该帐户已经存在，请重新输入！"));
            return;
        }
    }
    if (!m_passwords) {
        addAccount(siteId, m_txtURL->text(), uid, pwd, false);
        return;
    }
    // The keyring answers later; meanwhile the account cannot be added twice.
    m_cmdAdd->setEnabled(false);
    const QPointer<AccountsDialog> self(this);
    const QString siteName = m_txtURL->text();
    m_passwords->keep(siteId, uid, pwd, [self, siteId, siteName, uid, pwd](bool inKeyring) {
        if (!self)
            return;
        self->m_cmdAdd->setEnabled(true);
        self->addAccount(siteId, siteName, uid, pwd, inKeyring);
    });
}

// The account's row: with its password, or with none when the keyring holds it.
void AccountsDialog::addAccount(qint64 siteId, const QString& siteName, const QString& uid, const QString& pwd,
                                bool inKeyring)
{
    const QString kept = inKeyring ? QString() : pwd;
    if (!showingStoreError(this, [&] { m_store.gcnnStore.execute(store::catalogue::insertAccount(siteId, uid, kept)); }))
        return;
    appendRow(siteId, siteName, uid, kept);
    fitColumns();
    m_txtURL->clear();
    m_txtURLTag.reset();
    m_txtUid->clear();
    m_txtPwd->clear();
}

void AccountsDialog::cmdRemove_Click()
{
    if (m_lvwAccounts->topLevelItemCount() == 0)
        return;
    if (!MessageBox::question(this, QStringLiteral("真的要删除所选的帐号吗？")))
        return;
    struct Account {
        qint64 siteId;
        QString uid;
    };
    QList<Account> marked;
    for (int i = m_lvwAccounts->topLevelItemCount() - 1; i >= 0; --i) {
        const QTreeWidgetItem* row = m_lvwAccounts->topLevelItem(i);
        if (row->checkState(SiteColumn) == Qt::Checked)
            marked.append({rowSiteId(row), rowUid(row)});
    }
    for (const Account& account : marked) {
        if (!showingStoreError(
                this, [&] { m_store.gcnnStore.execute(store::catalogue::deleteAccount(account.siteId, account.uid)); }))
            return;
        if (m_passwords)
            m_passwords->forget(account.siteId, account.uid);
        // The statement deletes every row of the pair, so every row of the pair leaves the list.
        for (int i = m_lvwAccounts->topLevelItemCount() - 1; i >= 0; --i) {
            const QTreeWidgetItem* row = m_lvwAccounts->topLevelItem(i);
            if (rowSiteId(row) == account.siteId && rowUid(row) == account.uid)
                delete m_lvwAccounts->takeTopLevelItem(i);
        }
    }
}

void AccountsDialog::cmdOK_Click()
{
    accept();
}

} // namespace tvx::ui::dialogs
