#pragma once

#include <QString>

#include <initializer_list>

class QLabel;
class QLineEdit;
class QWidget;

namespace tvx::controls {
class Command;
}

// Placing controls on the program's windows. The dialogs of fixed size are laid out in fixed pixel
// places of their client area, as designed, and make and place their labels, buttons and text boxes
// with these helpers; the windows that can be resized (site definitions, results) are laid out by Qt
// layouts. Every window makes its buttons here, with addCommand or makeCommand.
namespace tvx::ui {

// Every button of every window is 95 × 27 unless its window gives another size ("..." buttons, the
// small buttons beside the site form's rows and the browser pane's address).
inline constexpr int kButtonWidth = 95;
inline constexpr int kButtonHeight = 27;

// Labels are designed 12 pixels high. The CJK font's line is taller, so a label is sized to its text
// and the ink of its text is centred on its designed line; when its box lies just below it (a heading
// above a box or a list), it is moved up as far as needed for the box not to cover its text. Never
// above the window's top. The label's buddy (set before placing it) is its box.
void placeLabel(QLabel* label, int x, int designTop);

// A label with its box as buddy, placed as above. The buddy also gives the box its accessible name.
QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int x, int designTop, QWidget* buddy);

controls::Command* addCommand(QWidget* parent, const char* name, const QString& caption, int x, int y,
                              int width = kButtonWidth, int height = kButtonHeight);

// A button of a fixed size for a window laid out by a Qt layout, which places it.
controls::Command* makeCommand(QWidget* parent, const char* name, const QString& caption, int width = kButtonWidth,
                               int height = kButtonHeight);

// A one-line text box without Qt's 32767-character limit: a pasted address, user id or password is
// taken whole.
QLineEdit* addLineEdit(QWidget* parent, const char* name, int x, int y, int width, int height);

// A dialog window of a fixed client size, without the "What's this" button.
void setUpDialog(QWidget* dialog, const char* name, const QString& caption, int width, int height);

// The order in which Tab visits a window's controls: the order the eye reads them in.
void setTabChain(std::initializer_list<QWidget*> controls);

// Gives a window that can be resized its designed size, or as much of it as the screen it opens on has
// room for (a laptop's screen, or a screen scaled to 1.5 or 2), never less than its minimum size: its
// bottom row of buttons is not left below the screen's edge.
void resizeToFit(QWidget* window, int width, int height);

} // namespace tvx::ui
