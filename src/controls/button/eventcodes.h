#pragma once

#include <Qt>
#include <QtGlobal>

namespace tvx::controls {

// The codes the button's events carry, in the values of the desktop the program was first written
// for, so that handlers compare against the usual constants (key A is 65, Enter 13, left button 1).

// Key code of a Qt key: letters and digits as their upper-case character, Enter 13, Space 32, the
// arrows 37 to 40, F1 112 and so on; 0 for a key without a code.
qint16 keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers = {});

// Shift state: 1 Shift, 2 Ctrl, 4 Alt, added together.
qint16 shiftStateOf(Qt::KeyboardModifiers modifiers);

// Mouse buttons: 1 left, 2 right, 4 middle, added together; 0 for none.
qint16 mouseButtonsOf(Qt::MouseButtons buttons);

// Space and Enter (either Enter key), without Ctrl, Alt or Meta: the keys that press a focused push
// button on the desktop. No other key does.
bool pressesButton(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace tvx::controls
