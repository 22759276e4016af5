#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The columns of the site table BookMarkWeb, declared once. The schema check, the statements of the
// user's own sites, the site definition, the site form and the engine's site record are made from this
// table; tst_sitecolumns names a column that one of them has missed.
namespace tvx::store {

// How a column's value is kept and read.
enum class ColumnKind {
    Integer, // the key
    Text,    // null reads as the empty text
    Flag,    // yes/no; null reads as false
};

// The boxes of the site form, in the form's order.
enum class SiteFormGroup { Site, Login, Submit, Logout, Other };

// How the form shows a row. An element row holds the columns by which one element of a page is found.
enum class SiteFormShape {
    Text,         // one text column
    Address,      // an address (LoginUrl: or a script)
    Flag,         // a yes/no column
    Separator,    // TagsSplit: a blank counts
    Field,        // an input found by id, else by name: columns id, name
    LoginButton,  // found by name, else by its text among the inputs: columns name, value
    SubmitButton, // by id, else by name, else every input with its text: columns id, name, value
    FurtherField, // a field with a fixed value: columns id, name, value (the value is written)
};

// The columns with the same group and row make one row of the form, in the table's order; the rows of
// a group are shown by `row`, which need not follow the table (the login button comes after the user
// and password fields).
struct SiteFormPlace {
    SiteFormGroup group = SiteFormGroup::Site;
    int row = 0; // 1, 2, ... within the group; 0: not on the form
    SiteFormShape shape = SiteFormShape::Text;
};

struct SiteColumn {
    QLatin1StringView name;
    ColumnKind kind = ColumnKind::Text;
    SiteFormPlace form;
    // The form row's label and one-line hint, given on the row's first column only.
    QString label;
    QString hint;
};

// Every column of BookMarkWeb in the table's order (the order of the run query), the key ID first.
const QList<SiteColumn>& siteColumns();
// The column of that name; nullptr when BookMarkWeb has none.
const SiteColumn* siteColumn(QStringView name);

// The names of the columns, for code that reads or writes one of them.
namespace sitecolumn {
inline constexpr QLatin1StringView ID{"ID"};
inline constexpr QLatin1StringView WebName{"WebName"};
inline constexpr QLatin1StringView AllowLogin{"AllowLogin"};
inline constexpr QLatin1StringView LoginUrl{"LoginUrl"};
inline constexpr QLatin1StringView IsScript{"IsScript"};
inline constexpr QLatin1StringView LoginButtonName{"LoginButtonName"};
inline constexpr QLatin1StringView LoginButtonValue{"LoginButtonValue"};
inline constexpr QLatin1StringView LogoutUrl{"LogoutUrl"};
inline constexpr QLatin1StringView UidFieldId{"UidFieldId"};
inline constexpr QLatin1StringView UidFieldName{"UidFieldName"};
inline constexpr QLatin1StringView PwdFieldId{"PwdFieldId"};
inline constexpr QLatin1StringView PwdFieldName{"PwdFieldName"};
inline constexpr QLatin1StringView SubmitUrl{"SubmitUrl"};
inline constexpr QLatin1StringView TitleFieldId{"TitleFieldId"};
inline constexpr QLatin1StringView TitleFieldName{"TitleFieldName"};
inline constexpr QLatin1StringView UrlFieldId{"UrlFieldId"};
inline constexpr QLatin1StringView UrlFieldName{"UrlFieldName"};
inline constexpr QLatin1StringView TagsFieldId{"TagsFieldId"};
inline constexpr QLatin1StringView TagsFieldName{"TagsFieldName"};
inline constexpr QLatin1StringView TagsSplit{"TagsSplit"};
inline constexpr QLatin1StringView SummaryFieldId{"SummaryFieldId"};
inline constexpr QLatin1StringView SummaryFieldName{"SummaryFieldName"};
inline constexpr QLatin1StringView SubmitButtonId{"SubmitButtonId"};
inline constexpr QLatin1StringView SubmitButtonName{"SubmitButtonName"};
inline constexpr QLatin1StringView SubmitButtonValue{"SubmitButtonValue"};
inline constexpr QLatin1StringView OtherFieldID1{"OtherFieldID1"};
inline constexpr QLatin1StringView OtherFieldName1{"OtherFieldName1"};
inline constexpr QLatin1StringView OtherFieldValue1{"OtherFieldValue1"};
inline constexpr QLatin1StringView OtherFieldID2{"OtherFieldID2"};
inline constexpr QLatin1StringView OtherFieldName2{"OtherFieldName2"};
inline constexpr QLatin1StringView OtherFieldValue2{"OtherFieldValue2"};
} // namespace sitecolumn

} // namespace tvx::store
