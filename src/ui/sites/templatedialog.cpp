#include "templatedialog.h"

#include "controls/button/command.h"
#include "platform/messagebox.h"
#include "sites/sitetemplates.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <limits>

namespace tvx::ui::sites {

TemplateDialog::TemplateDialog(QWidget* parent)
    : FormDialog(parent)
{
    setObjectName(QStringLiteral("frmTemplate"));
    setWindowTitle(QStringLiteral("新建网站定义"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* heading = new QLabel(QStringLiteral("从哪里开始"), this);
    m_lstTemplates = new QListWidget(this);
    m_lstTemplates->setObjectName(QStringLiteral("lstTemplates"));
    heading->setBuddy(m_lstTemplates);
    m_lstTemplates->setAccessibleName(heading->text());
    for (const tvx::sites::SiteTemplate& t : tvx::sites::siteTemplates()) {
        auto* item = new QListWidgetItem(t.label, m_lstTemplates);
        item->setData(Qt::UserRole, t.key);
    }
    m_lblDescription = new QLabel(this);
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_lblDescription->setWordWrap(true);
    m_lblAddress = new QLabel(QStringLiteral("网址"), this);
    m_txtAddress = new QLineEdit(this);
    m_txtAddress->setObjectName(QStringLiteral("txtAddress"));
    m_txtAddress->setMaxLength(std::numeric_limits<int>::max());
    m_txtAddress->setPlaceholderText(QStringLiteral("例如 https://links.example.org"));
    m_lblAddress->setBuddy(m_txtAddress);

    m_cmdOK = new controls::Command(this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setCaption(QStringLiteral("确定"));
    m_cmdOK->setFixedSize(95, 27);
    m_cmdOK->setDefault(true);
    m_cmdCancel = new controls::Command(this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setCaption(QStringLiteral("取消"));
    m_cmdCancel->setFixedSize(95, 27);

    auto* address = new QHBoxLayout;
    address->addWidget(m_lblAddress);
    address->addWidget(m_txtAddress, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_lstTemplates, 1);
    layout->addWidget(m_lblDescription);
    layout->addLayout(address);
    layout->addLayout(buttons);
    resize(420, 300);

    connect(m_lstTemplates, &QListWidget::currentRowChanged, this, &TemplateDialog::lstTemplates_Changed);
    connect(m_lstTemplates, &QListWidget::itemDoubleClicked, this, &TemplateDialog::cmdOK_Click);
    connect(m_cmdOK, &controls::Command::Click, this, &TemplateDialog::cmdOK_Click);
    connect(m_cmdCancel, &controls::Command::Click, this, &QDialog::reject);
}

void TemplateDialog::Form_Load()
{
    gblnOK = false;
    m_lstTemplates->setCurrentRow(0);
    lstTemplates_Changed();
}

void TemplateDialog::lstTemplates_Changed()
{
    const int row = m_lstTemplates->currentRow();
    const auto& templates = tvx::sites::siteTemplates();
    const bool address = row >= 0 && templates.at(row).needsAddress;
    m_lblDescription->setText(row >= 0 ? templates.at(row).description : QString());
    m_lblAddress->setEnabled(address);
    m_txtAddress->setEnabled(address);
}

void TemplateDialog::cmdOK_Click()
{
    const int row = m_lstTemplates->currentRow();
    if (row < 0) {
        MessageBox::information(this, QStringLiteral("请选择一项！"));
        m_lstTemplates->setFocus();
        return;
    }
    const tvx::sites::SiteTemplate& t = tvx::sites::siteTemplates().at(row);
    if (t.needsAddress) {
        if (m_txtAddress->text().trimmed().isEmpty()) {
            MessageBox::information(this, QStringLiteral("请输入%1的网址！").arg(t.label));
            m_txtAddress->setFocus();
            return;
        }
        const std::optional<QString> address = tvx::sites::instanceAddress(m_txtAddress->text());
        if (!address) {
            MessageBox::information(this, QStringLiteral("“%1”不是有效的网址！").arg(m_txtAddress->text().trimmed()));
            m_txtAddress->setFocus();
            m_txtAddress->selectAll();
            return;
        }
        gstrAddress = *address;
    }
    gstrTemplate = t.key;
    gblnOK = true;
    accept();
}

} // namespace tvx::ui::sites
