#pragma once

#include "sites/sitedefinition.h"
#include "sites/sitestore.h"
#include "ui/formdialog.h"

#include <memory>

class QComboBox;
class QLabel;
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
class QtTicker;
class SystemClock;
} // namespace tvx::platform
namespace tvx::sites {
class SiteCheck;
struct CheckRow;
struct FormRow;
struct PickedElement;
} // namespace tvx::sites

namespace tvx::ui::sites {

class BrowserPane;
class SiteFormWidget;

// frmSites, "网站定义": the site definitions, edited without SQL. The list shows every site; the form
// every column of the selected one. The rows delivered with the program are read-only ("复制" makes an
// editable copy); the user's own rows are saved one row at a time. Beside the form a browser pane in
// which the user opens the site and picks its fields by pointing at them, and the results of a site
// check (试运行) with one of the site's accounts. Each showing reads the sites afresh.
class SiteDefinitionsDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit SiteDefinitionsDialog(store::ProgramStore& store, QWidget* parent = nullptr);
    ~SiteDefinitionsDialog() override;

    // For tests and pictures: the site shown, selected by ID.
    bool selectSite(qint64 id);
    qint64 currentId() const;
    SiteFormWidget* form() const { return m_form; }
    BrowserPane* pane() const { return m_pane; }

public slots:
    void reject() override;

private:
    void Form_Load() override;
    void fillList(qint64 selectId);
    void lvwSites_CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void showDefinition(const tvx::sites::SiteDefinition& definition, bool own);
    void updateButtons();
    bool isDirty() const;
    // Asks whether to save changes; false when the user wants to stay (a save that failed).
    bool settleChanges();
    bool save();

    void cmdNew_Click();
    void cmdCopy_Click();
    void cmdDelete_Click();
    void cmdSave_Click();
    void cmdCheck_Click();
    void cmdClose_Click();

    void pickRequested(const tvx::sites::FormRow* row);
    void picked(const tvx::sites::PickedElement& element);
    void stopPicking(const QString& status = {});

    void loadAccounts();
    void checkRow(const tvx::sites::CheckRow& row);
    void checkFinished(int faults);

    store::ProgramStore& m_store;
    tvx::sites::SiteStore m_sites;
    tvx::sites::SiteDefinition m_loaded; // as stored (or as made by 新建/复制), to tell a change
    bool m_own = false;
    bool m_switching = false;
    const tvx::sites::FormRow* m_pickRow = nullptr;

    QTreeWidget* m_lvwSites = nullptr;
    QLabel* m_lblState = nullptr;
    SiteFormWidget* m_form = nullptr;
    QTabWidget* m_tabs = nullptr;
    BrowserPane* m_pane = nullptr;
    QComboBox* m_cboAccount = nullptr;
    QTreeWidget* m_lvwCheck = nullptr;
    QLabel* m_lblCheck = nullptr;
    controls::Command* m_cmdNew = nullptr;
    controls::Command* m_cmdCopy = nullptr;
    controls::Command* m_cmdDelete = nullptr;
    controls::Command* m_cmdSave = nullptr;
    controls::Command* m_cmdCheck = nullptr;
    controls::Command* m_cmdClose = nullptr;

    std::unique_ptr<platform::SystemClock> m_clock;
    platform::QtTicker* m_checkTimer = nullptr;
    std::unique_ptr<tvx::sites::SiteCheck> m_check;
};

} // namespace tvx::ui::sites
