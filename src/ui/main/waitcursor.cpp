#include "waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tvx::ui {

void WaitCursor::acquire()
{
    if (m_active)
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_active = true;
}

void WaitCursor::release()
{
    if (!m_active)
        return;
    m_active = false;
    QGuiApplication::restoreOverrideCursor();
}

} // namespace tvx::ui
