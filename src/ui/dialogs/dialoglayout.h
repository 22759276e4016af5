#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tvx::controls {
class Command;
}

namespace tvx::ui::dialogs {

// The dialogs are laid out in fixed pixel places of their client area, with buttons 95 × 27.
constexpr int kButtonWidth = 95;
constexpr int kButtonHeight = 27;

// A label designed 12 pixels high at (x, designTop). The CJK font is taller than that, so the label is
// centred on its designed line instead, which keeps it level with the box beside it.
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int x, int designTop);

controls::Command* addCommand(QWidget* parent, const char* name, const QString& caption, int x, int y,
                              int width = kButtonWidth, int height = kButtonHeight);

// A dialog window of a fixed client size, without the "What's this" button.
void setUpDialog(QWidget* dialog, const char* name, const QString& caption, int width, int height);

} // namespace tvx::ui::dialogs
