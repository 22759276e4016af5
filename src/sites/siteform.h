#pragma once

#include "store/sitecolumns.h"

#include <QList>
#include <QString>
#include <QStringList>

// How the columns of a site definition are shown to the user: grouped by the page they belong to, each
// row with a Chinese label and a one-line hint. A row names one column, or the columns by which one
// element of a page is found (its id, its name, a button's text). The rows are made from the form
// places of store::siteColumns().
namespace tvx::sites {

using FormGroup = store::SiteFormGroup;

struct FormRow {
    using Kind = store::SiteFormShape;
    using enum store::SiteFormShape;

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

// In the form's order: by group, then by row.
const QList<FormRow>& formRows();
QString groupTitle(FormGroup group);
// The caption of one column inside its element row: "编号(id)", "名称(name)", "按钮文字", "固定值".
QString columnCaption(const FormRow& row, const QString& column);
// The row that holds `column`.
const FormRow* rowOf(const QString& column);

} // namespace tvx::sites
