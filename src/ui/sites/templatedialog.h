#pragma once

#include "ui/formdialog.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace tvx::controls {
class Command;
}

namespace tvx::ui::sites {

// "新建网站定义": what a new site definition starts from, an empty one or a template of a known service,
// with the address of the user's instance for a template that needs one.
class TemplateDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(QWidget* parent = nullptr);

    bool gblnOK = false;
    QString gstrTemplate; // the chosen template's key
    QString gstrAddress;  // the instance address, made whole ("http://host/path")

private:
    void Form_Load() override;
    void lstTemplates_Changed();
    void cmdOK_Click();

    QListWidget* m_lstTemplates = nullptr;
    QLabel* m_lblDescription = nullptr;
    QLabel* m_lblAddress = nullptr;
    QLineEdit* m_txtAddress = nullptr;
    controls::Command* m_cmdOK = nullptr;
    controls::Command* m_cmdCancel = nullptr;
};

} // namespace tvx::ui::sites
