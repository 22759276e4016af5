#pragma once

#include "sites/sitedefinition.h"
#include "sites/sitestore.h"
#include "ui/formdialog.h"

#include <memory>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QSplitter;
class QTabWidget;
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
class QtTicker;
class SystemClock;
} // namespace tvx::platform
namespace tvx::sites {
class SiteCheck;
struct CheckRow;
struct FormRow;
struct PickedElement;
} // namespace tvx::sites

namespace tvx::ui {

class BrowserPane;
class SiteFormWidget;

// "网站定义": the site definitions, edited without SQL. The list shows every site; the form every
// column of the selected one, and below it the hint of the row being typed in. The rows delivered with
// the program are read-only ("复制" makes an editable copy); the user's own rows are saved one row at a
// time. Beside the form a browser pane in which the user opens the site and picks its fields by
// pointing at them, and the results of a site check (试运行) with one of the site's accounts. Each
// showing reads the sites afresh.
class SiteDefinitionsDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit SiteDefinitionsDialog(store::ProgramStore& store, QWidget* parent = nullptr);
    ~SiteDefinitionsDialog() override;

    // Where the accounts' passwords are kept: a check (试运行) with an account whose password is in
    // the keyring reads it first. Without it the store's Pwd is typed.
    void setPasswords(platform::AccountPasswords* passwords) { m_passwords = passwords; }

    // For tests and pictures: the site shown, selected by ID.
    bool selectSite(qint64 id);
    qint64 currentId() const;
    SiteFormWidget* form() const { return m_form; }
    BrowserPane* pane() const { return m_pane; }

public slots:
    void reject() override;

private:
    // The parts of the window, made in this order (it is also the order Tab visits them in).
    void buildSiteList(QSplitter* split);
    void buildForm(QSplitter* split);
    QTabWidget* buildPanes();
    QHBoxLayout* buildButtons();
    void buildCheck();
    void connectSignals();

    void Form_Load() override;
    void fillList(qint64 selectId);
    void currentSiteChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void showDefinition(const sites::SiteDefinition& definition, bool own);
    void updateButtons();
    bool isDirty() const;
    // Asks whether to save changes; false when the user wants to stay (a save that failed).
    bool settleChanges();
    bool save();

    void newSite();
    void copySite();
    void deleteSite();
    // Starts the site check with the chosen account, or stops the one under way.
    void startOrStopCheck();
    void startCheck(const sites::SiteDefinition& definition, const QString& uid, const QString& pwd);

    void pickRequested(const sites::FormRow* row);
    void picked(const sites::PickedElement& element);
    void stopPicking(const QString& status = {});

    void loadAccounts();
    void checkRow(const sites::CheckRow& row);
    void checkFinished(int faults);

    store::ProgramStore& m_store;
    sites::SiteStore m_sites;
    sites::SiteDefinition m_loaded; // as stored (or as made by 新建/复制), to tell a change
    bool m_own = false;
    bool m_switching = false;
    const sites::FormRow* m_pickRow = nullptr;

    QTreeWidget* m_siteList = nullptr;
    bool m_savedNote = false; // the note says the definition was saved
    QLabel* m_stateNote = nullptr;
    SiteFormWidget* m_form = nullptr;
    QLabel* m_hintLine = nullptr;
    QTabWidget* m_tabs = nullptr;
    BrowserPane* m_pane = nullptr;
    QComboBox* m_checkAccount = nullptr;
    QTreeWidget* m_checkResults = nullptr;
    QLabel* m_checkStatus = nullptr;
    controls::Command* m_newButton = nullptr;
    controls::Command* m_copyButton = nullptr;
    controls::Command* m_deleteButton = nullptr;
    controls::Command* m_saveButton = nullptr;
    controls::Command* m_checkButton = nullptr;
    controls::Command* m_closeButton = nullptr;

    std::unique_ptr<platform::SystemClock> m_clock;
    platform::QtTicker* m_checkTimer = nullptr;
    std::unique_ptr<sites::SiteCheck> m_check;
    platform::AccountPasswords* m_passwords = nullptr;
};

} // namespace tvx::ui
