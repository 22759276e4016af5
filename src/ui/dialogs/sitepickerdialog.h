#pragma once

#include "ui/formdialog.h"

class QListWidget;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui::dialogs {

// frmSel, "选择网摘站点": lists every site of BookMarkWeb in ID order and hands back the chosen one.
// The caller reads gblnOK after the modal showing, and gstrID and gstrName only when it is true.
class SitePickerDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit SitePickerDialog(store::ProgramStore& store, QWidget* parent = nullptr);

    bool gblnOK = false;
    QString gstrID;   // the chosen site's own ID, in decimal
    QString gstrName; // its display name, as listed

private:
    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();

    store::ProgramStore& m_store;
    QListWidget* m_lstWeb = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
};

} // namespace tvx::ui::dialogs
