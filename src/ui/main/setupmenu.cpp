#include "setupmenu.h"

namespace tvx::ui {

SetupMenu::SetupMenu(QWidget* parent)
    : QMenu(QStringLiteral("菜单"), parent)
{
    setObjectName(QStringLiteral("mnuMain"));
}

QAction* SetupMenu::addEntry(const char* name, const QString& text, std::function<void()> handler)
{
    QAction* action = addAction(text);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return action;
}

QAction* SetupMenu::addSeparatorEntry(const char* name)
{
    QAction* line = addSeparator();
    line->setObjectName(QLatin1String(name));
    return line;
}

} // namespace tvx::ui
