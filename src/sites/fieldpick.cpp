#include "fieldpick.h"

namespace tvx::sites {

namespace {
QString quoted(const QString& text)
{
    return QStringLiteral("“") + text + QStringLiteral("”");
}

bool isInput(const PickedElement& e)
{
    return e.tag == QLatin1String("input");
}

// The row's columns, all empty but `column`.
QHash<QString, QString> only(const FormRow& row, const QString& column, const QString& value)
{
    QHash<QString, QString> values;
    for (const QString& c : row.columns) {
        // A further field's fixed value is the user's, not the element's.
        if (row.kind == FormRow::FurtherField && c == row.columns.at(2))
            continue;
        values.insert(c, c == column ? value : QString());
    }
    return values;
}
} // namespace

QString PickedElement::describe() const
{
    QString text = tag;
    if (!type.isEmpty())
        text += QStringLiteral(" type=") + type;
    if (!id.isEmpty())
        text += QStringLiteral(" id=") + id;
    if (!name.isEmpty())
        text += QStringLiteral(" name=") + name;
    return text;
}

PickOutcome pickInto(const FormRow& row, const PickedElement& e)
{
    PickOutcome out;
    if (!row.isElement())
        return out;
    const QString what = QStringLiteral("（") + e.describe() + QStringLiteral("）");
    if (e.otherOrigin) {
        out.message =
            QStringLiteral("该元素在另一个网站的框架（iframe）里，提交时程序只在主页面和同一网站的框架中查找，找不到它。") +
            what;
        return out;
    }
    const QString label = row.label;
    const auto take = [&](const QString& column, const QString& value, const QString& kind) {
        out.taken = true;
        out.values = only(row, column, value);
        out.message = QStringLiteral("已取用%1的%2%3").arg(label, kind, quoted(value)) + what;
    };
    const bool byId =
        row.kind == FormRow::Field || row.kind == FormRow::FurtherField || row.kind == FormRow::SubmitButton;
    const QString nameColumn = row.kind == FormRow::LoginButton ? row.columns.at(0) : row.columns.at(1);

    if (byId && !e.id.isEmpty() && e.firstWithId) {
        take(row.columns.at(0), e.id, QStringLiteral("编号(id)"));
        return out;
    }
    if (!e.name.isEmpty() && e.nameIndex >= 0) {
        take(nameColumn, e.name, QStringLiteral("名称(name)"));
        if (e.nameIndex > 0)
            out.message += QStringLiteral("。注意：页面上有 %1 个名称为%2的元素，它是第 %3 个，提交时程序使用第一个")
                               .arg(e.nameCount)
                               .arg(quoted(e.name))
                               .arg(e.nameIndex + 1);
        return out;
    }
    // A button without id and name: by its text, among the inputs of the body, or a <button> by its
    // caption when no input has it.
    const bool button = e.tag == QLatin1String("button");
    if ((row.kind == FormRow::LoginButton || row.kind == FormRow::SubmitButton) && (isInput(e) || button) &&
        e.inBody && !e.value.trimmed().isEmpty() && !(button && e.inputsWithText > 0)) {
        const QString column = row.kind == FormRow::LoginButton ? row.columns.at(1) : row.columns.at(2);
        take(column, e.value, QStringLiteral("按钮文字"));
        if (row.kind == FormRow::LoginButton && e.sameTextBefore > 0)
            out.message +=
                QStringLiteral("。注意：它前面还有 %1 个文字相同的按钮，登录时程序按下第一个").arg(e.sameTextBefore);
        if (row.kind == FormRow::SubmitButton && e.sameTextAnyCase > 1)
            out.message +=
                QStringLiteral("。注意：页面上有 %1 个文字相同的按钮，提交时都会被按下").arg(e.sameTextAnyCase);
        return out;
    }
    if (row.kind == FormRow::LoginButton && !e.id.isEmpty())
        // The login button is found by its name or an input's text, never by its id.
        out.message = QStringLiteral("程序按名称(name)或 input 按钮的文字找登录按钮，不按编号(id)；该元素只有编号(id)，"
                                     "程序无法找到它。请点击别的元素或手工填写。") +
                      what;
    else if ((row.kind == FormRow::LoginButton || row.kind == FormRow::SubmitButton) && button &&
             e.inputsWithText > 0)
        out.message = QStringLiteral("页面上有文字同为%1的 input 按钮，程序按文字找按钮时按下的是它，而不是该按钮。"
                                     "请点击别的元素或手工填写。")
                          .arg(quoted(e.value)) +
                      what;
    else if ((row.kind == FormRow::LoginButton || row.kind == FormRow::SubmitButton) && !e.inBody &&
             !e.value.trimmed().isEmpty())
        out.message = QStringLiteral("该按钮没有编号(id)和名称(name)，又不在主页面中（程序只在主页面中按文字找按钮），"
                                     "程序无法找到它。请点击别的元素或手工填写。") +
                      what;
    else if (row.kind == FormRow::LoginButton || row.kind == FormRow::SubmitButton)
        out.message = QStringLiteral("该元素没有编号(id)和名称(name)，也不是带文字的按钮，程序无法找到它。"
                                     "请点击别的元素或手工填写。") +
                      what;
    else if (!e.id.isEmpty())
        out.message = QStringLiteral("页面上有多个编号为%1的元素，该元素不是第一个，又没有名称(name)，程序无法找到它。")
                          .arg(quoted(e.id)) +
                      what;
    else
        out.message =
            QStringLiteral("该元素没有编号(id)和名称(name)，程序无法找到它。请点击别的元素或手工填写。") + what;
    return out;
}

} // namespace tvx::sites
