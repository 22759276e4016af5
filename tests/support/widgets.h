#pragma once

#include "controls/button/command.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QWidget>

namespace tvx::test {

// A control of a window, found by its name; a missing control ends the test at once.
template <typename T> T* child(const QWidget& parent, const char* name)
{
    T* c = parent.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Where a label's glyphs are, in its parent's coordinates: the ink of its text, without the room the
// font keeps above and below.
inline QRect textInk(const QLabel* label)
{
    const QFontMetrics metrics = label->fontMetrics();
    const int baseline = label->y() + metrics.ascent() + (label->height() - metrics.height()) / 2;
    return metrics.tightBoundingRect(label->text()).translated(label->x(), baseline);
}

// Enters an account into the accounts dialog as the user does: the site from the picker (its row),
// then the user id and password; pressing "添加" is left to the caller.
inline void enterAccount(const QWidget& dlg, int siteRow, const QString& uid, const QString& pwd)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, siteRow] {
        auto* picker = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!picker || picker->objectName() != QLatin1String("frmSel") || !picker->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        child<QListWidget>(*picker, "lstWeb")->setCurrentRow(siteRow);
        child<controls::Command>(*picker, "cmdOK")->click();
        if (picker->isVisible())
            picker->reject();
    });
    poll->start();
    child<controls::Command>(dlg, "cmdSel")->click();
    child<QLineEdit>(dlg, "txtUid")->setText(uid);
    child<QLineEdit>(dlg, "txtPwd")->setText(pwd);
}

} // namespace tvx::test
