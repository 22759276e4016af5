#include "sitecolumns.h"

#include <algorithm>

namespace tvx::store {

const QList<SiteColumn>& siteColumns()
{
    using namespace sitecolumn;
    using K = ColumnKind;
    using G = SiteFormGroup;
    using S = SiteFormShape;
    // The form's labels and hints: its own words, not the texts of message boxes.
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    static const QList<SiteColumn> columns{
        {ID, K::Integer},
        {WebName,
         K::Text,
         {G::Site, 1, S::Text},
         s("名称"),
         s("网站的显示名称，不能与其他网站重复；日志中用它称呼网站。")},
        {AllowLogin,
         K::Flag,
         {G::Site, 2, S::Flag},
         s("允许登录"),
         s("保留的旧字段，程序不使用。")},
        {LoginUrl,
         K::Text,
         {G::Login, 1, S::Address},
         s("登录地址"),
         s("登录页的网址（http:// 或 https://）；勾选下面一项时改为在当前页面中执行的 JavaScript 语句。")},
        {IsScript,
         K::Flag,
         {G::Login, 2, S::Flag},
         s("登录地址是脚本"),
         s("勾选后登录地址作为脚本执行；打开的页面上没有用户名框时，视为已经登录并直接提交。")},
        {LoginButtonName,
         K::Text,
         {G::Login, 5, S::LoginButton},
         s("登录按钮"),
         s("按它登录：填它的 name；没有 name 时填按钮上的文字，程序按下第一个文字相同的 input 按钮。")},
        {LoginButtonValue, K::Text, {G::Login, 5, S::LoginButton}},
        {LogoutUrl,
         K::Text,
         {G::Logout, 1, S::Address},
         s("退出地址"),
         s("提交完最后一个网摘后打开这个网址以退出登录。")},
        {UidFieldId,
         K::Text,
         {G::Login, 3, S::Field},
         s("用户名框"),
         s("填写用户名的输入框：填它的 id；没有 id 时填它的 name。")},
        {UidFieldName, K::Text, {G::Login, 3, S::Field}},
        {PwdFieldId,
         K::Text,
         {G::Login, 4, S::Field},
         s("密码框"),
         s("填写密码的输入框：填它的 id；没有 id 时填它的 name。")},
        {PwdFieldName, K::Text, {G::Login, 4, S::Field}},
        {SubmitUrl,
         K::Text,
         {G::Submit, 1, S::Address},
         s("提交地址"),
         s("提交网摘的页面的网址；留空时，登录后打开的下一个页面即作为提交页。")},
        {TitleFieldId,
         K::Text,
         {G::Submit, 2, S::Field},
         s("标题框"),
         s("填写网摘标题的输入框；两项都空时不填标题。")},
        {TitleFieldName, K::Text, {G::Submit, 2, S::Field}},
        {UrlFieldId,
         K::Text,
         {G::Submit, 3, S::Field},
         s("网址框"),
         s("填写网摘网址的输入框。")},
        {UrlFieldName, K::Text, {G::Submit, 3, S::Field}},
        {TagsFieldId,
         K::Text,
         {G::Submit, 4, S::Field},
         s("分类框"),
         s("填写分类（标签）的输入框。")},
        {TagsFieldName, K::Text, {G::Submit, 4, S::Field}},
        {TagsSplit,
         K::Text,
         {G::Submit, 5, S::Separator},
         s("分类分隔符"),
         s("写在各个分类之间的字符；留空即一个空格。右边的示例用 ␣ 表示空格。")},
        {SummaryFieldId,
         K::Text,
         {G::Submit, 6, S::Field},
         s("摘要框"),
         s("填写摘要的输入框；只有名称为 365天天网摘、Poco网摘、博拉网 的网站才会填写。")},
        {SummaryFieldName, K::Text, {G::Submit, 6, S::Field}},
        {SubmitButtonId,
         K::Text,
         {G::Submit, 7, S::SubmitButton},
         s("提交按钮"),
         QStringLiteral(
             "按 id，其次按 name 找到；都空时按按钮文字（不分大小写）找，文字相同的 input 按钮都会被按下。")},
        {SubmitButtonName, K::Text, {G::Submit, 7, S::SubmitButton}},
        {SubmitButtonValue, K::Text, {G::Submit, 7, S::SubmitButton}},
        {OtherFieldID1,
         K::Text,
         {G::Other, 1, S::FurtherField},
         s("其他字段一"),
         s("提交页上另一个要填写的字段及其固定值；值为 true 或 false 时勾选或取消勾选复选框。")},
        {OtherFieldName1, K::Text, {G::Other, 1, S::FurtherField}},
        {OtherFieldValue1, K::Text, {G::Other, 1, S::FurtherField}},
        {OtherFieldID2,
         K::Text,
         {G::Other, 2, S::FurtherField},
         s("其他字段二"),
         s("第二个这样的字段，规则同上。")},
        {OtherFieldName2, K::Text, {G::Other, 2, S::FurtherField}},
        {OtherFieldValue2, K::Text, {G::Other, 2, S::FurtherField}},
    };
    return columns;
}

const SiteColumn* siteColumn(QStringView name)
{
    const QList<SiteColumn>& columns = siteColumns();
    const auto it =
        std::find_if(columns.cbegin(), columns.cend(), [name](const SiteColumn& c) { return c.name == name; });
    return it == columns.cend() ? nullptr : &*it;
}

} // namespace tvx::store
