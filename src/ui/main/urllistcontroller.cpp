#include "urllistcontroller.h"

#include "adddialog.h"
#include "controls/button/command.h"
#include "urllistmodel.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

namespace tvx::ui {

UrlListController::UrlListController(const Controls& controls, const engine::Clock& clock, QWidget* window)
    : QObject(window)
    , m_c(controls)
    , m_clock(clock)
    , m_window(window)
    , m_model(new UrlListModel(this))
{
    QTreeView* list = m_c.lvwURLList;
    list->setModel(m_model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->resizeSection(UrlListModel::Number, 40);
    list->header()->resizeSection(UrlListModel::Url, 220);
    list->header()->resizeSection(UrlListModel::Title, 180);
    list->header()->resizeSection(UrlListModel::Tags, 110);

    m_c.txtURL->installEventFilter(this);
    // Enter in the address box adds the address as 添加(&A) does, and only when that button could.
    connect(m_c.txtURL, &QLineEdit::returnPressed, this, [this] {
        if (m_c.cmdAdd->isEnabled())
            cmdAdd_Click();
    });
    connect(m_c.cmdAdd, &controls::Command::Click, this, &UrlListController::cmdAdd_Click);
    connect(m_c.cmdRemove, &controls::Command::Click, this, &UrlListController::cmdRemove_Click);
    connect(m_c.cmdClear, &controls::Command::Click, this, &UrlListController::cmdClear_Click);
    connect(m_c.cmdSelAll, &controls::Command::Click, this, &UrlListController::cmdSelAll_Click);
    connect(m_c.cmdUnSelAll, &controls::Command::Click, this, &UrlListController::cmdUnSelAll_Click);
}

bool UrlListController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_c.txtURL && event->type() == QEvent::FocusIn) {
        txtURL_GotFocus();
        // The click that brought the focus goes on to place the text cursor, which drops the
        // selection; select again once the click has been handled.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, m_c.txtURL, [this] { txtURL_GotFocus(); });
    }
    return QObject::eventFilter(watched, event);
}

void UrlListController::txtURL_GotFocus()
{
    if (!m_c.txtURL->text().isEmpty())
        m_c.txtURL->selectAll();
}

void UrlListController::cmdAdd_Click()
{
    AddDialog frmAdd(m_clock, m_window);
    frmAdd.gstrURL = m_c.txtURL->text();
    frmAdd.exec();
    if (!frmAdd.gblnOK)
        return;
    m_model->append({frmAdd.gstrURL, frmAdd.gstrTitle, frmAdd.gstrTag, frmAdd.gstrSummary});
    m_c.lvwURLList->scrollToBottom();
    m_c.txtURL->clear();
}

void UrlListController::cmdRemove_Click()
{
    const int position = selectedRow();
    if (position >= 0)
        m_model->removeAt(position);
}

void UrlListController::cmdClear_Click()
{
    m_model->clear();
}

void UrlListController::cmdSelAll_Click()
{
    if (m_model->rowCount() > 0)
        m_c.lvwURLList->selectAll();
}

void UrlListController::cmdUnSelAll_Click()
{
    m_c.lvwURLList->clearSelection();
}

int UrlListController::selectedRow() const
{
    const QItemSelectionModel* selection = m_c.lvwURLList->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), {}))
        return current.row();
    int top = -1;
    for (const QModelIndex& index : selection->selectedRows()) {
        if (top < 0 || index.row() < top)
            top = index.row();
    }
    return top;
}

qint32 UrlListController::rowCount() const
{
    return m_model->rowCount();
}

Bookmark UrlListController::bookmark(qint32 row) const
{
    if (row < 1 || row > m_model->rowCount())
        return {};
    return m_model->rowAt(row - 1).bookmark;
}

bool UrlListController::hasSelectedRow() const
{
    return m_c.lvwURLList->selectionModel()->hasSelection();
}

void UrlListController::focusList()
{
    m_c.lvwURLList->setFocus();
}

} // namespace tvx::ui
