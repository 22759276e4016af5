#include "sitepickerdialog.h"

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

namespace tvx::ui::dialogs {

namespace sitecolumn = tvx::store::sitecolumn;

SitePickerDialog::SitePickerDialog(store::ProgramStore& store, QWidget* parent)
    : FormDialog(parent)
    , m_store(store)
{
    setUpDialog(this, "frmSel", QStringLiteral("选择网摘站点"), 451, 353);

    m_lstWeb = new QListWidget(this);
    m_lstWeb->setObjectName(QStringLiteral("lstWeb"));
    m_lstWeb->setGeometry(4, 18, 441, 280);
    m_lstWeb->setSelectionMode(QAbstractItemView::SingleSelection);
    addLabel(this, "Label1", QStringLiteral("网摘站点"), 4, 4, m_lstWeb);

    m_cmdOK = addCommand(this, "cmdOK", QStringLiteral("确定"), 132, 314);
    m_cmdCancel = addCommand(this, "cmdCancel", QStringLiteral("取消"), 234, 314);
    m_cmdOK->setDefault(true);
    setTabChain({m_lstWeb, m_cmdOK, m_cmdCancel});
    connect(m_cmdOK, &controls::Command::Click, this, &SitePickerDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &SitePickerDialog::cmdCancel_Click);
}

void SitePickerDialog::Form_Load()
{
    gblnOK = false;
    m_lstWeb->clear();
    showingStoreError(this, [&] {
        store::Recordset rs;
        rs.open(m_store.gcnnStore, store::catalogue::sitesById());
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            auto* row = new QListWidgetItem(rs.text(sitecolumn::WebName), m_lstWeb);
            // The row keeps its site's own ID: IDs need not run 0, 1, 2, ... without gaps.
            row->setData(Qt::UserRole, rs.value(QStringLiteral("ID")).toLongLong());
        }
    });
}

void SitePickerDialog::cmdOK_Click()
{
    const QList<QListWidgetItem*> chosen = m_lstWeb->selectedItems();
    if (chosen.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择网摘站点！"));
        m_lstWeb->setFocus();
        return;
    }
    gstrID = QString::number(chosen.first()->data(Qt::UserRole).toLongLong());
    gstrName = chosen.first()->text();
    gblnOK = true;
    accept();
}

void SitePickerDialog::cmdCancel_Click()
{
    reject();
}

} // namespace tvx::ui::dialogs
