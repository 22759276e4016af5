#pragma once

#include "controls/button/command.h"

#include <QAbstractItemView>
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

// The texts of a table or list view that it does not show whole at its present size: in a cell
// narrower or lower than its text needs (cut, elided, or wrapped onto more lines than the row holds),
// or in one that lies partly or wholly beside the view, to be scrolled to sideways. Rows above or below
// the view count as shown (the view scrolls up and down); hidden columns are not looked at.
inline QStringList cutTexts(const QAbstractItemView& view)
{
    QStringList cut;
    const QAbstractItemModel* model = view.model();
    const int shown = view.viewport()->width();
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex cell = model->index(r, c);
            const QString text = cell.data().toString();
            const QRect rect = view.visualRect(cell);
            if (text.isEmpty() || rect.isEmpty())
                continue;
            const QSize needs = view.sizeHintForIndex(cell);
            if (rect.left() < 0 || rect.x() + rect.width() > shown || rect.width() < needs.width() ||
                rect.height() < needs.height())
                cut.append(text);
        }
    return cut;
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
