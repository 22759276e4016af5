#include "command.h"

namespace tvx::controls {

Command::Command(QWidget* parent)
    : QPushButton(parent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &Command::Click);
}

} // namespace tvx::controls
