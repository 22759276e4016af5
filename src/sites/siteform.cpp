#include "siteform.h"

#include <algorithm>
#include <utility>

namespace tvx::sites {

const QList<FormRow>& formRows()
{
    static const QList<FormRow> rows = [] {
        struct Placed {
            std::pair<FormGroup, int> place;
            FormRow row;
        };
        QList<Placed> placed;
        for (const store::SiteColumn& column : store::siteColumns()) {
            if (column.form.row == 0)
                continue;
            const std::pair place(column.form.group, column.form.row);
            auto it = std::find_if(placed.begin(), placed.end(), [&](const Placed& p) { return p.place == place; });
            if (it == placed.end()) {
                placed.append({place, {column.form.group, column.form.shape, column.label, column.hint, {}}});
                it = placed.end() - 1;
            }
            it->row.columns.append(column.name);
        }
        std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.place < b.place; });
        QList<FormRow> inOrder;
        for (const Placed& p : placed)
            inOrder.append(p.row);
        return inOrder;
    }();
    return rows;
}

QString groupTitle(FormGroup group)
{
    switch (group) {
    case FormGroup::Site:
        return QStringLiteral("网站");
    case FormGroup::Login:
        return QStringLiteral("登录");
    case FormGroup::Submit:
        return QStringLiteral("提交");
    case FormGroup::Logout:
        return QStringLiteral("退出");
    case FormGroup::Other:
        return QStringLiteral("其他字段");
    }
    return {};
}

QString columnCaption(const FormRow& row, const QString& column)
{
    const qsizetype at = row.columns.indexOf(column);
    switch (row.kind) {
    case FormRow::Field:
        return at == 0 ? QStringLiteral("编号(id)") : QStringLiteral("名称(name)");
    case FormRow::LoginButton:
        return at == 0 ? QStringLiteral("名称(name)") : QStringLiteral("按钮文字");
    case FormRow::SubmitButton:
        return at == 0   ? QStringLiteral("编号(id)")
               : at == 1 ? QStringLiteral("名称(name)")
                         : QStringLiteral("按钮文字");
    case FormRow::FurtherField:
        return at == 0 ? QStringLiteral("编号(id)") : at == 1 ? QStringLiteral("名称(name)") : QStringLiteral("固定值");
    default:
        return row.label;
    }
}

const FormRow* rowOf(const QString& column)
{
    for (const FormRow& row : formRows())
        if (row.columns.contains(column))
            return &row;
    return nullptr;
}

} // namespace tvx::sites
