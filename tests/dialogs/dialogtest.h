#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QDialog;

namespace tvx::test {

template <typename T> T* child(const QWidget& parent, const char* name)
{
    T* c = parent.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Runs `action` on the modal dialog called `name` once it is up, from within its event loop. Gives up
// after a few seconds (the test then fails on what the action should have done).
void whenModal(const QString& name, std::function<void(QDialog*)> action);

// Shows a window and waits until it is active, so that focus moves can be observed.
bool showActive(QWidget& window);

// Saves the window's picture as screenshots/<file>.png in the build folder.
bool saveScreenshot(QWidget& window, const QString& file);

} // namespace tvx::test
