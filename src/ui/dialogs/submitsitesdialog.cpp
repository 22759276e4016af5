#include "submitsitesdialog.h"

#include "controls/button/command.h"
#include "platform/messagebox.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/recordset.h"
#include "store/sitecolumns.h"
#include "ui/errorbox.h"
#include "ui/formlayout.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>

namespace tvx::ui::dialogs {

namespace sitecolumn = tvx::store::sitecolumn;

SubmitSitesDialog::SubmitSitesDialog(store::ProgramStore& store, QWidget* parent)
    : FormDialog(parent)
    , m_store(store)
{
    setUpDialog(this, "frmSelWeb", QStringLiteral("选择要提交的网摘"), 312, 310);

    m_lstWeb = new QListWidget(this);
    m_lstWeb->setObjectName(QStringLiteral("lstWeb"));
    m_lstWeb->setGeometry(4, 22, 301, 242);
    // A click chooses or un-chooses a row, so any number of rows can be chosen without modifier keys.
    m_lstWeb->setSelectionMode(QAbstractItemView::MultiSelection);
    m_lstWeb->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lstWeb->viewport()->installEventFilter(this);
    addLabel(this, "Label1", QStringLiteral("请选择要提交的网摘站点"), 6, 6, m_lstWeb);

    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("确定"), 58, 274);
    m_cmdCancel = addCommand(this, "cmdCancel", QStringLiteral("取消"), 160, 274);
    m_cmdOK->setDefault(true);
    setTabChain({m_lstWeb, m_cmdOK, m_cmdCancel});

    m_mnuMenu = new QMenu(QStringLiteral("Menu"), this);
    m_mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    // Its caption is never shown; a screen reader reads this instead.
    m_mnuMenu->setAccessibleName(QStringLiteral("菜单"));
    QAction* selAll = m_mnuMenu->addAction(QStringLiteral("全部选择(&A)"));
    selAll->setObjectName(QStringLiteral("mnuSelAll"));
    QAction* line = m_mnuMenu->addSeparator();
    line->setObjectName(QStringLiteral("mnuLine"));
    QAction* unSel = m_mnuMenu->addAction(QStringLiteral("全部取消(&U)"));
    unSel->setObjectName(QStringLiteral("mnuUnSel"));

    connect(m_cmdOK, &controls::Command::Click, this, &SubmitSitesDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &SubmitSitesDialog::cmdCancel_Click);
    // Raised by the right button and by the keyboard's menu key alike.
    connect(m_lstWeb, &QWidget::customContextMenuRequested, this, &SubmitSitesDialog::lstWeb_ContextMenu);
    connect(selAll, &QAction::triggered, this, &SubmitSitesDialog::mnuSelAll_Click);
    connect(unSel, &QAction::triggered, this, &SubmitSitesDialog::mnuUnSel_Click);
}

void SubmitSitesDialog::Form_Load()
{
    gblnOK = false;
    m_lstWeb->clear();
    showingStoreError(this, [&] {
        store::Recordset rs;
        rs.open(m_store.gcnnStore, store::catalogue::accountSites());
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            auto* row = new QListWidgetItem(rs.text(sitecolumn::WebName), m_lstWeb);
            row->setData(Qt::UserRole, rs.value(QStringLiteral("ID")).toLongLong());
        }
    });
}

bool SubmitSitesDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The right button only opens the menu: in a list where a click toggles a row, it must not also
    // toggle the row under the pointer.
    if (watched == m_lstWeb->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
        return true;
    return FormDialog::eventFilter(watched, event);
}

void SubmitSitesDialog::lstWeb_ContextMenu(const QPoint& pos)
{
    m_mnuMenu->exec(m_lstWeb->viewport()->mapToGlobal(pos));
}

void SubmitSitesDialog::mnuSelAll_Click()
{
    for (int i = 0; i < m_lstWeb->count(); ++i)
        m_lstWeb->item(i)->setSelected(true);
}

void SubmitSitesDialog::mnuUnSel_Click()
{
    for (int i = 0; i < m_lstWeb->count(); ++i)
        m_lstWeb->item(i)->setSelected(false);
}

void SubmitSitesDialog::cmdOK_Click()
{
    QStringList ids;
    for (int i = 0; i < m_lstWeb->count(); ++i) {
        const QListWidgetItem* row = m_lstWeb->item(i);
        if (row->isSelected())
            ids.append(QString::number(row->data(Qt::UserRole).toLongLong()));
    }
    if (ids.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择要提交的网摘站点！"));
        m_lstWeb->setFocus();
        return;
    }
    gstrBookMark = ids.join(QLatin1Char(','));
    gblnOK = true;
    accept();
}

void SubmitSitesDialog::cmdCancel_Click()
{
    reject();
}

} // namespace tvx::ui::dialogs
