#include "siteform.h"

namespace tvx::sites {

const QList<FormRow>& formRows()
{
    using R = FormRow;
    const auto s = [](const char* text) {
        return QString::fromUtf8(text);
    };
    static const QList<FormRow> rows{
        {FormGroup::Site,
         R::Text,
         s("名称"),
         s("网站的显示名称，不能与其他网站重复；日志中用它称呼网站。"),
         {QStringLiteral("WebName")}},
        {FormGroup::Site, R::Flag, s("允许登录"), s("保留的旧字段，程序不使用。"), {QStringLiteral("AllowLogin")}},

        {FormGroup::Login,
         R::Address,
         s("登录地址"),
         s("登录页的网址（http:// 或 https://）；勾选下面一项时改为在当前页面中执行的 JavaScript 语句。"),
         {QStringLiteral("LoginUrl")}},
        {FormGroup::Login,
         R::Flag,
         s("登录地址是脚本"),
         s("勾选后登录地址作为脚本执行；打开的页面上没有用户名框时，视为已经登录并直接提交。"),
         {QStringLiteral("IsScript")}},
        {FormGroup::Login,
         R::Field,
         s("用户名框"),
         s("填写用户名的输入框：填它的 id；没有 id 时填它的 name。"),
         {QStringLiteral("UidFieldId"), QStringLiteral("UidFieldName")}},
        {FormGroup::Login,
         R::Field,
         s("密码框"),
         s("填写密码的输入框：填它的 id；没有 id 时填它的 name。"),
         {QStringLiteral("PwdFieldId"), QStringLiteral("PwdFieldName")}},
        {FormGroup::Login,
         R::LoginButton,
         s("登录按钮"),
         s("按它登录：填它的 name；没有 name 时填按钮上的文字，程序按下第一个文字相同的 input 按钮。"),
         {QStringLiteral("LoginButtonName"), QStringLiteral("LoginButtonValue")}},

        {FormGroup::Submit,
         R::Address,
         s("提交地址"),
         s("提交网摘的页面的网址；留空时，登录后打开的下一个页面即作为提交页。"),
         {QStringLiteral("SubmitUrl")}},
        {FormGroup::Submit,
         R::Field,
         s("标题框"),
         s("填写网摘标题的输入框；两项都空时不填标题。"),
         {QStringLiteral("TitleFieldId"), QStringLiteral("TitleFieldName")}},
        {FormGroup::Submit,
         R::Field,
         s("网址框"),
         s("填写网摘网址的输入框。"),
         {QStringLiteral("UrlFieldId"), QStringLiteral("UrlFieldName")}},
        {FormGroup::Submit,
         R::Field,
         s("分类框"),
         s("填写分类（标签）的输入框。"),
         {QStringLiteral("TagsFieldId"), QStringLiteral("TagsFieldName")}},
        {FormGroup::Submit,
         R::Separator,
         s("分类分隔符"),
         s("写在各个分类之间的字符；留空即一个空格。右边的示例用 ␣ 表示空格。"),
         {QStringLiteral("TagsSplit")}},
        {FormGroup::Submit,
         R::Field,
         s("摘要框"),
         s("填写摘要的输入框；只有名称为 365天天网摘、Poco网摘、博拉网 的网站才会填写。"),
         {QStringLiteral("SummaryFieldId"), QStringLiteral("SummaryFieldName")}},
        {FormGroup::Submit,
         R::SubmitButton,
         s("提交按钮"),
         s("按 id，其次按 name 找到；都空时按按钮文字（不分大小写）找，文字相同的 input 按钮都会被按下。"),
         {QStringLiteral("SubmitButtonId"), QStringLiteral("SubmitButtonName"), QStringLiteral("SubmitButtonValue")}},

        {FormGroup::Logout,
         R::Address,
         s("退出地址"),
         s("提交完最后一个网摘后打开这个网址以退出登录。"),
         {QStringLiteral("LogoutUrl")}},

        {FormGroup::Other,
         R::FurtherField,
         s("其他字段一"),
         s("提交页上另一个要填写的字段及其固定值；值为 true 或 false 时勾选或取消勾选复选框。"),
         {QStringLiteral("OtherFieldID1"), QStringLiteral("OtherFieldName1"), QStringLiteral("OtherFieldValue1")}},
        {FormGroup::Other,
         R::FurtherField,
         s("其他字段二"),
         s("第二个这样的字段，规则同上。"),
         {QStringLiteral("OtherFieldID2"), QStringLiteral("OtherFieldName2"), QStringLiteral("OtherFieldValue2")}},
    };
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
