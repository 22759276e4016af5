#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How the columns of a site definition are shown to the user: grouped by the page they belong to, each
// row with a Chinese label and a one-line hint. A row names one column, or the columns by which one
// element of a page is found (its id, its name, a button's text).
namespace tvx::sites {

enum class FormGroup { Site, Login, Submit, Logout, Other };

struct FormRow {
    enum Kind {
        Text,         // one text column
        Address,      // an address (LoginUrl: or a script)
        Flag,         // a yes/no column
        Separator,    // TagsSplit: a blank counts
        Field,        // an input found by id, else by name: columns id, name
        LoginButton,  // found by name, else by its text among the inputs: columns name, value
        SubmitButton, // by id, else by name, else every input with its text: columns id, name, value
        FurtherField, // a field with a fixed value: columns id, name, value (the value is written)
    };
    FormGroup group;
    Kind kind;
    QString label;
    QString hint;
    QStringList columns;

    bool isElement() const
    {
        return kind == Field || kind == LoginButton || kind == SubmitButton || kind == FurtherField;
    }
};

const QList<FormRow>& formRows();
QString groupTitle(FormGroup group);
// The caption of one column inside its element row: "编号(id)", "名称(name)", "按钮文字", "固定值".
QString columnCaption(const FormRow& row, const QString& column);
// The row that holds `column`.
const FormRow* rowOf(const QString& column);

} // namespace tvx::sites
