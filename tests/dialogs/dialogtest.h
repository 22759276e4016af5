#pragma once

#include "support/widgets.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDialog;

namespace tvx::test {

// Runs `action` on the modal dialog called `name` once it is up, from within its event loop. Gives up
// after a few seconds (the test then fails on what the action should have done).
void whenModal(const QString& name, std::function<void(QDialog*)> action);

// Shows a window and waits until it is active, so that focus moves can be observed.
bool showActive(QWidget& window);

// Every caption of a window, as "objectName=text", sorted: labels, buttons, frames.
QStringList captions(const QWidget& window);

// The first control that sticks out of its parent, or a label whose text runs into another control;
// empty when there is none. Browsers, placed partly or wholly outside on purpose, do not count.
QString layoutFault(const QWidget& window);

// Saves the window's picture as screenshots/<file>.png in the build folder.
bool saveScreenshot(QWidget& window, const QString& file);

} // namespace tvx::test
