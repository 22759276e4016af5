#pragma once

#include "ui/formdialog.h"

class QCheckBox;
class QLineEdit;

namespace tvx::store {
struct ProgramStore;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui::dialogs {

// frmPara, "系统参数": sets the step time-out of a run, and below its buttons the pause between two
// submissions to the same site ("同站间隔"). "确定" writes both to Config and to the running values
// together, so they take effect at once and survive a restart. Below them, a setting kept in the store:
// the accounts' passwords stay in tvx.cfg instead of the desktop's keyring.
class ParametersDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit ParametersDialog(store::ProgramStore& store, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load() override;
    void cmdOK_Click();
    void cmdCancel_Click();

    store::ProgramStore& m_store;
    QLineEdit* m_txtTimeout = nullptr;
    QLineEdit* m_txtPause = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
    QCheckBox* m_chkPasswordsInFile = nullptr;
};

} // namespace tvx::ui::dialogs
