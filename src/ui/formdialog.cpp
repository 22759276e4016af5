#include "formdialog.h"

namespace tvx::ui {

void FormDialog::setVisible(bool visible)
{
    // show(), exec() and open() all come here; hide() and the end of a modal showing come here with
    // false, so the next show is a new showing.
    if (visible && !isVisible())
        Form_Load();
    QDialog::setVisible(visible);
}

} // namespace tvx::ui
