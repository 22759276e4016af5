#pragma once

#include "ui/formdialog.h"

#include <optional>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}
namespace tvx::platform {
class AccountPasswords;
}

namespace tvx::ui::dialogs {

// frmSetup, "设置帐号": the accounts a run logs in with. Every change goes to Accounts at once; the
// dialog keeps nothing but the list on screen. An account is the pair (site ID, user id), so a site may
// have several accounts, each with its own row.
class AccountsDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit AccountsDialog(store::ProgramStore& store, QWidget* parent = nullptr);

    // Where passwords are kept (the keyring when one answers); without it the store keeps them.
    void setPasswords(platform::AccountPasswords* passwords);

    // txtURL.Tag: the ID of the site chosen in the picker, until the account is added.
    std::optional<qint64> chosenSiteId() const { return m_txtURLTag; }

private:
    enum Column { SiteColumn = 0, UidColumn = 1, PwdColumn = 2 };

    void Form_Load() override;
    void resizeEvent(QResizeEvent* event) override;
    // The site and user-id columns as wide as their texts, within the list beside the password column.
    void fitColumns();
    void cmdSel_Click();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdOK_Click();

    void addAccount(qint64 siteId, const QString& siteName, const QString& uid, const QString& pwd, bool inKeyring);
    void showPasswordPlace();
    void appendRow(qint64 siteId, const QString& siteName, const QString& uid, const QString& pwd);
    static qint64 rowSiteId(const QTreeWidgetItem* row);
    static QString rowUid(const QTreeWidgetItem* row);

    store::ProgramStore& m_store;
    platform::AccountPasswords* m_passwords = nullptr;
    QLabel* m_lblPasswordPlace = nullptr; // where the passwords are kept, in a line of text
    QLineEdit* m_txtURL = nullptr;
    std::optional<qint64> m_txtURLTag;
    QLineEdit* m_txtUid = nullptr;
    QLineEdit* m_txtPwd = nullptr;
    QTreeWidget* m_lvwAccounts = nullptr;
    controls::Command* m_cmdSel = nullptr;
    controls::Command* m_cmdAdd = nullptr;
    controls::Command* m_cmdRemove = nullptr;
    controls::Command* m_cmdOK = nullptr;
};

} // namespace tvx::ui::dialogs
