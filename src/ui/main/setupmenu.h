#pragma once

#include <QMenu>

#include <functional>

namespace tvx::ui {

// mnuMain, "菜单": the pop-up menu of the set-up button 设置(&E). Its entries are added in one place,
// MainWindow::createSetupMenu: mnuAccounts "设置网摘帐号", the separator mnuLine1, mnuPara
// "设置系统参数", then the entries of windows beyond those: mnuSites "网站定义(&W)...".
class SetupMenu final : public QMenu {
    Q_OBJECT
public:
    explicit SetupMenu(QWidget* parent);

    // Appends an entry named `name` (its object name) that runs `handler` when chosen.
    QAction* addEntry(const char* name, const QString& text, std::function<void()> handler);
    QAction* addSeparatorEntry(const char* name);
};

} // namespace tvx::ui
