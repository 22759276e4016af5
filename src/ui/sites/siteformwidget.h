#pragma once

#include "sites/sitedefinition.h"
#include "sites/siteform.h"

#include <QHash>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tvx::controls {
class Command;
}

namespace tvx::ui {

// Every column of a site definition, grouped by page (网站, 登录, 提交, 退出, 其他字段), each with its
// Chinese label and a one-line hint, the row's tool tip, said through hintShown while one of the row's
// controls has the focus. Each box is named after its column. Beside every element row
// (a field or a button of a page) a pick button asks for the element to be picked in the browser pane.
class SiteFormWidget final : public QWidget {
    Q_OBJECT
public:
    explicit SiteFormWidget(QWidget* parent = nullptr);

    void setDefinition(const sites::SiteDefinition& definition);
    // The form's content, with the ID it was given.
    sites::SiteDefinition definition() const;

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // Writes values into columns as the user would (the form counts as changed).
    void setValues(const QHash<QString, QString>& values);
    void focusColumn(const QString& column);
    // The pick button of the row being picked shows "取消"; none when `row` is null.
    void setPickingRow(const sites::FormRow* row);
    void setPickingEnabled(bool enabled);

signals:
    // A control of the row labelled `label` has taken the focus; `hint` says what the row is for.
    void hintShown(const QString& label, const QString& hint);
    void changed();
    // A pick button was pressed: start picking for `row`, or stop when it is the row being picked.
    void pickRequested(const sites::FormRow* row);

private:
    void addGroup(sites::FormGroup group, QWidget* into);
    void updateSeparatorExample();

    QHash<QString, QLineEdit*> m_edits;
    QHash<QString, QCheckBox*> m_flags;
    QHash<const sites::FormRow*, controls::Command*> m_pickButtons;
    QHash<const QWidget*, const sites::FormRow*> m_rowOf; // every control of a row
    QLabel* m_separatorExample = nullptr;
    qint64 m_id = -1;
    bool m_readOnly = false;
    bool m_pickingEnabled = true;
    const sites::FormRow* m_pickingRow = nullptr;
};

} // namespace tvx::ui
