#pragma once

#include "ui/formdialog.h"

class QListWidget;
class QMenu;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui::dialogs {

// frmSelWeb, "选择要提交的网摘": one row per stored account; the user chooses any number of rows and
// the chosen site IDs come back as "3,5,12" for the run's site list. The caller reads gblnOK after
// the modal showing, and gstrBookMark only when it is true.
class SubmitSitesDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit SubmitSitesDialog(store::ProgramStore& store, QWidget* parent = nullptr);

    bool gblnOK = false;
    QString gstrBookMark;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();
    void lstWeb_ContextMenu(const QPoint& pos);
    void mnuSelAll_Click();
    void mnuUnSel_Click();

    store::ProgramStore& m_store;
    QListWidget* m_lstWeb = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
    QMenu* m_mnuMenu = nullptr;
};

} // namespace tvx::ui::dialogs
