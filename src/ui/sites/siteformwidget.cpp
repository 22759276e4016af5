#include "siteformwidget.h"

#include "controls/button/command.h"
#include "engine/formfill.h"
#include "platform/plaintext.h"
#include "store/sitecolumns.h"
#include "ui/formlayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace tvx::ui {

namespace sitecolumn = tvx::store::sitecolumn;

using sites::FormGroup;
using sites::FormRow;

namespace {
constexpr int kPickWidth = 56;
constexpr int kPickHeight = 24;

QLineEdit* makeEdit(QWidget* parent, const QString& column, const QString& accessibleName, const QString& hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(column);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setAccessibleName(accessibleName);
    edit->setAccessibleDescription(hint);
    edit->setToolTip(hint);
    edit->setMinimumWidth(50);
    return edit;
}

// A blank shown as "␣", so that a separator of blanks can be seen.
QString visibleBlanks(const QString& text)
{
    QString shown = text;
    return shown.replace(QLatin1Char(' '), QChar(0x2423));
}
} // namespace

SiteFormWidget::SiteFormWidget(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("siteForm"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (FormGroup group : {FormGroup::Site, FormGroup::Login, FormGroup::Submit, FormGroup::Logout, FormGroup::Other})
        addGroup(group, this);
    layout->addStretch(1);
    // One width for the row labels of every group, so that the boxes line up from group to group.
    int widest = 0;
    const QList<QLabel*> labels = findChildren<QLabel*>(QRegularExpression(QStringLiteral("^label[A-Z]")));
    for (const QLabel* label : labels)
        widest = std::max(widest, label->sizeHint().width());
    for (QLabel* label : labels)
        label->setMinimumWidth(widest);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (const FormRow* row = m_rowOf.value(now))
            emit hintShown(row->label, row->hint);
    });
}

void SiteFormWidget::addGroup(FormGroup group, QWidget* into)
{
    auto* box = new QGroupBox(sites::groupTitle(group), into);
    into->layout()->addWidget(box);
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(3);
    int line = 0;
    for (const FormRow& row : sites::formRows()) {
        if (row.group != group)
            continue;
        auto* label = new QLabel(row.label, box);
        label->setObjectName(QStringLiteral("label") + row.columns.first());
        grid->addWidget(label, line, 0, Qt::AlignLeft | Qt::AlignVCenter);

        auto* fields = new QWidget(box);
        auto* hbox = new QHBoxLayout(fields);
        hbox->setContentsMargins(0, 0, 0, 0);
        if (row.kind == FormRow::Flag) {
            auto* check = new QCheckBox(fields);
            check->setObjectName(row.columns.first());
            check->setAccessibleName(row.label);
            check->setAccessibleDescription(row.hint);
            check->setToolTip(row.hint);
            m_flags.insert(row.columns.first(), check);
            label->setBuddy(check);
            hbox->addWidget(check);
            hbox->addStretch(1);
            connect(check, &QCheckBox::toggled, this, &SiteFormWidget::changed);
        } else if (!row.isElement()) {
            QLineEdit* edit = makeEdit(fields, row.columns.first(), row.label, row.hint);
            m_edits.insert(row.columns.first(), edit);
            label->setBuddy(edit);
            hbox->addWidget(edit, 1);
            connect(edit, &QLineEdit::textChanged, this, &SiteFormWidget::changed);
            if (row.kind == FormRow::Separator) {
                edit->setMaximumWidth(120);
                m_separatorExample = new QLabel(fields);
                m_separatorExample->setObjectName(QStringLiteral("separatorExample"));
                platform::showPlainText(m_separatorExample);
                hbox->addWidget(m_separatorExample, 1);
                connect(edit, &QLineEdit::textChanged, this, &SiteFormWidget::updateSeparatorExample);
            }
        } else {
            for (const QString& column : row.columns) {
                const QString caption = sites::columnCaption(row, column);
                auto* sub = new QLabel(caption, fields);
                QLineEdit* edit = makeEdit(fields, column, row.label + QLatin1Char(' ') + caption, row.hint);
                sub->setBuddy(edit);
                if (column == row.columns.first())
                    label->setBuddy(edit);
                m_edits.insert(column, edit);
                hbox->addWidget(sub);
                hbox->addWidget(edit, 1);
                connect(edit, &QLineEdit::textChanged, this, &SiteFormWidget::changed);
            }
            const QByteArray pickName = "pick" + row.columns.first().toLatin1();
            controls::Command* pick =
                makeCommand(box, pickName.constData(), QStringLiteral("拾取"), kPickWidth, kPickHeight);
            pick->setAccessibleName(QStringLiteral("拾取") + row.label);
            pick->setAccessibleDescription(
                QStringLiteral("在右边的网页中点击%1，程序填入它的编号或名称").arg(row.label));
            m_pickButtons.insert(&row, pick);
            grid->addWidget(pick, line, 2);
            const FormRow* r = &row;
            connect(pick, &controls::Command::Click, this, [this, r] { emit pickRequested(r); });
        }
        grid->addWidget(fields, line, 1);
        // The row's hint is its tool tip and, while one of its controls has the focus, the form's hint
        // line (hintShown): one line for all rows keeps the form short enough to be seen whole.
        label->setToolTip(row.hint);
        for (QWidget* control : fields->findChildren<QWidget*>())
            m_rowOf.insert(control, &row);
        if (controls::Command* pick = m_pickButtons.value(&row))
            m_rowOf.insert(pick, &row);
        ++line;
    }
    updateSeparatorExample();
}

void SiteFormWidget::updateSeparatorExample()
{
    if (!m_separatorExample)
        return;
    const QString separator = m_edits.value(sitecolumn::TagsSplit)->text();
    // Joined by the engine's own rule, so that the example shows what the site receives.
    const QString joined =
        engine::forms::JoinTags(QStringLiteral("新闻 科技"), separator.isEmpty() ? QStringLiteral(" ") : separator);
    m_separatorExample->setText(QStringLiteral("示例：新闻、科技两个分类写作 %1").arg(visibleBlanks(joined)));
    m_separatorExample->setAccessibleName(separator.isEmpty()
                                              ? QStringLiteral("分隔符为空，即一个空格")
                                              : QStringLiteral("分隔符为“%1”").arg(visibleBlanks(separator)));
}

void SiteFormWidget::setDefinition(const sites::SiteDefinition& definition)
{
    const QSignalBlocker blocker(this);
    m_id = definition.id;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        it.value()->setText(definition.text(it.key()));
    for (auto it = m_flags.cbegin(); it != m_flags.cend(); ++it)
        it.value()->setChecked(definition.flag(it.key()));
    for (QLineEdit* edit : std::as_const(m_edits))
        edit->setCursorPosition(0);
    updateSeparatorExample();
}

sites::SiteDefinition SiteFormWidget::definition() const
{
    sites::SiteDefinition d;
    d.id = m_id;
    for (auto it = m_edits.cbegin(); it != m_edits.cend(); ++it)
        d.set(it.key(), it.value()->text());
    for (auto it = m_flags.cbegin(); it != m_flags.cend(); ++it)
        d.setFlag(it.key(), it.value()->isChecked());
    return d;
}

void SiteFormWidget::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QLineEdit* edit : std::as_const(m_edits))
        edit->setReadOnly(readOnly);
    for (QCheckBox* check : std::as_const(m_flags))
        check->setEnabled(!readOnly);
    setPickingEnabled(m_pickingEnabled);
}

void SiteFormWidget::setPickingEnabled(bool enabled)
{
    m_pickingEnabled = enabled;
    for (controls::Command* pick : std::as_const(m_pickButtons))
        pick->setEnabled(enabled && !m_readOnly);
}

void SiteFormWidget::setValues(const QHash<QString, QString>& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (QLineEdit* edit = m_edits.value(it.key()))
            edit->setText(it.value());
}

void SiteFormWidget::focusColumn(const QString& column)
{
    if (QLineEdit* edit = m_edits.value(column)) {
        edit->setFocus();
        edit->selectAll();
    } else if (QCheckBox* check = m_flags.value(column)) {
        check->setFocus();
    }
}

void SiteFormWidget::setPickingRow(const FormRow* row)
{
    m_pickingRow = row;
    for (auto it = m_pickButtons.cbegin(); it != m_pickButtons.cend(); ++it)
        it.value()->setCaption(it.key() == row ? QStringLiteral("取消") : QStringLiteral("拾取"));
}

} // namespace tvx::ui
