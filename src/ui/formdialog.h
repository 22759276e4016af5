#pragma once

#include <QDialog>

namespace tvx::ui {

// A modal window of the program. Its Form_Load runs at the start of every showing, before the window
// appears: a dialog reads its inputs (the public members its caller set) and the store then, so a
// dialog object shown twice starts afresh each time. A window the system restores after minimising is
// not a new showing.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    void setVisible(bool visible) override;

protected:
    virtual void Form_Load() = 0;
};

} // namespace tvx::ui
