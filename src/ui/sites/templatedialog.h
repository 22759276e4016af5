#pragma once

#include "ui/formdialog.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace tvx::controls {
class Command;
}

namespace tvx::ui {

// "新建网站定义": what a new site definition starts from, an empty one or a template of a known service,
// with the address of the user's instance for a template that needs one.
class TemplateDialog final : public FormDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(QWidget* parent = nullptr);

    // What was chosen, once the dialog has been accepted: the template's key, and for a template that
    // needs one the instance address made whole ("http://host/path"), else "".
    QString templateKey() const { return m_templateKey; }
    QString address() const { return m_address; }

private:
    void Form_Load() override;
    void describeTemplate();
    void acceptChoice();

    QString m_templateKey;
    QString m_address;
    QListWidget* m_templateList = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLineEdit* m_addressEdit = nullptr;
    controls::Command* m_okButton = nullptr;
    controls::Command* m_cancelButton = nullptr;
};

} // namespace tvx::ui
