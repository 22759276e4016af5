#include "templatedialog.h"

#include "controls/button/command.h"
#include "platform/messagebox.h"
#include "sites/sitetemplates.h"
#include "ui/formlayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <limits>

namespace tvx::ui {

TemplateDialog::TemplateDialog(QWidget* parent)
    : FormDialog(parent)
{
    setObjectName(QStringLiteral("templateDialog"));
    setWindowTitle(QStringLiteral("新建网站定义"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* heading = new QLabel(QStringLiteral("从哪里开始"), this);
    m_templateList = new QListWidget(this);
    m_templateList->setObjectName(QStringLiteral("templateList"));
    heading->setBuddy(m_templateList);
    m_templateList->setAccessibleName(heading->text());
    for (const sites::SiteTemplate& t : sites::siteTemplates()) {
        auto* item = new QListWidgetItem(t.label, m_templateList);
        item->setData(Qt::UserRole, t.key);
    }
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWordWrap(true);
    m_addressLabel = new QLabel(QStringLiteral("网址"), this);
    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName(QStringLiteral("addressEdit"));
    m_addressEdit->setMaxLength(std::numeric_limits<int>::max());
    m_addressEdit->setPlaceholderText(QStringLiteral("例如 https://links.example.org"));
    m_addressLabel->setBuddy(m_addressEdit);

    m_okButton = makeCommand(this, "okButton", QStringLiteral("确定"));
    m_okButton->setDefault(true);
    m_cancelButton = makeCommand(this, "cancelButton", QStringLiteral("取消"));

    auto* address = new QHBoxLayout;
    address->addWidget(m_addressLabel);
    address->addWidget(m_addressEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_templateList, 1);
    layout->addWidget(m_description);
    layout->addLayout(address);
    layout->addLayout(buttons);
    resize(420, 300);

    connect(m_templateList, &QListWidget::currentRowChanged, this, &TemplateDialog::describeTemplate);
    connect(m_templateList, &QListWidget::itemDoubleClicked, this, &TemplateDialog::acceptChoice);
    connect(m_okButton, &controls::Command::Click, this, &TemplateDialog::acceptChoice);
    connect(m_cancelButton, &controls::Command::Click, this, &QDialog::reject);
}

void TemplateDialog::Form_Load()
{
    m_templateKey.clear();
    m_address.clear();
    m_templateList->setCurrentRow(0);
    describeTemplate();
}

void TemplateDialog::describeTemplate()
{
    const int row = m_templateList->currentRow();
    const auto& templates = sites::siteTemplates();
    const bool address = row >= 0 && templates.at(row).needsAddress;
    m_description->setText(row >= 0 ? templates.at(row).description : QString());
    m_addressLabel->setEnabled(address);
    m_addressEdit->setEnabled(address);
}

void TemplateDialog::acceptChoice()
{
    const int row = m_templateList->currentRow();
    if (row < 0) {
        MessageBox::information(this, QStringLiteral("请选择一项！"));
        m_templateList->setFocus();
        return;
    }
    const sites::SiteTemplate& t = sites::siteTemplates().at(row);
    if (t.needsAddress) {
        if (m_addressEdit->text().trimmed().isEmpty()) {
            MessageBox::information(this, QStringLiteral("请输入%1的网址！").arg(t.label));
            m_addressEdit->setFocus();
            return;
        }
        const std::optional<QString> address = sites::instanceAddress(m_addressEdit->text());
        if (!address) {
            MessageBox::information(this, QStringLiteral("“%1”不是有效的网址！").arg(m_addressEdit->text().trimmed()));
            m_addressEdit->setFocus();
            m_addressEdit->selectAll();
            return;
        }
        m_address = *address;
    }
    m_templateKey = t.key;
    accept();
}

} // namespace tvx::ui
