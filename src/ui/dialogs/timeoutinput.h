#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What the time-out box of the parameters dialog accepts, kept apart from the widgets.
namespace tvx::ui::dialogs {

// The largest time-out the program can hold (whole seconds, a signed 16-bit number).
constexpr int kLargestTimeout = 32767;

// Characters the box takes: the digits and the full stop.
bool isTimeoutCharacter(QChar c);

// The keystroke filter: whether a key press may reach the box. Digits, the full stop and Backspace
// pass; every other character is discarded, control characters such as Ctrl+V included. Keys that
// carry no character (arrows, Home, Delete) and the keys that move the focus, confirm or close the
// dialog (Tab, Enter, Escape) are no input and pass: the box types nothing for them.
bool isTimeoutKeyAccepted(int key, const QString& text);

// Text put into the box other than by typing (pasted, dropped) obeys the same filter: the characters
// a keystroke could not enter are left out.
QString filterTimeoutText(QStringView text);

struct TimeoutCheck {
    std::optional<qint16> seconds; // the time-out to store and use, when the text is acceptable
    QString message;               // otherwise what to tell the user
};

// Checks the text of the box in the order the user is told about it: empty, zero, not a number,
// rounding to zero, too large. An acceptable text yields its value rounded to whole seconds (halves to
// the even neighbour), which is the value both stored and used.
TimeoutCheck checkTimeoutText(const QString& text);

} // namespace tvx::ui::dialogs
