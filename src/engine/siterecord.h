#pragma once

#include "store/sitecolumns.h"

#include <QString>

namespace tvx::store {
class Recordset;
}

namespace tvx::engine {

namespace sitecolumn = store::sitecolumn;

// One record of the run query: a site definition joined to one account. Text columns read null as
// the empty text; a value of blanks is not empty. IsScript reads null as false.
struct SiteRecord {
    QString WebName;
    QString LoginUrl;
    bool IsScript = false;
    QString LoginButtonName;
    QString LoginButtonValue;
    QString LogoutUrl;
    QString UidFieldId;
    QString UidFieldName;
    QString PwdFieldId;
    QString PwdFieldName;
    QString SubmitUrl;
    QString TitleFieldId;
    QString TitleFieldName;
    QString UrlFieldId;
    QString UrlFieldName;
    QString TagsFieldId;
    QString TagsFieldName;
    QString TagsSplit;
    QString SummaryFieldId;
    QString SummaryFieldName;
    QString SubmitButtonId;
    QString SubmitButtonName;
    QString SubmitButtonValue;
    QString OtherFieldID1;
    QString OtherFieldName1;
    QString OtherFieldValue1;
    QString OtherFieldID2;
    QString OtherFieldName2;
    QString OtherFieldValue2;
    QString Uid;
    QString Pwd;
    // Not a column: a row the user made (in the site definitions window or from a template), whose
    // summary field is filled whenever it is set; the rows delivered with the file fill it only by their
    // quirks. Set by whoever knows (the run, the site check); false from fromCurrent.
    bool own = false;

    // Reads the current record; a recordset at its end gives an all-empty record.
    static SiteRecord fromCurrent(const store::Recordset& rs);
};

// Which field of the record a column of BookMarkWeb is read into: a text field, the flag field, or none.
struct SiteRecordBinding {
    QLatin1StringView column;
    QString SiteRecord::*text = nullptr;
    bool SiteRecord::*flag = nullptr;

    constexpr SiteRecordBinding(QLatin1StringView c, QString SiteRecord::*field)
        : column(c)
        , text(field)
    {
    }
    constexpr SiteRecordBinding(QLatin1StringView c, bool SiteRecord::*field)
        : column(c)
        , flag(field)
    {
    }
    // A column the engine does not read.
    constexpr explicit SiteRecordBinding(QLatin1StringView c)
        : column(c)
    {
    }
};

// One binding for every column of store::siteColumns() but the key, in the record's order; a new field
// is bound here (tst_sitecolumns names a column without a binding and a binding without a column).
// Uid and Pwd come from Accounts and are read by fromCurrent itself.
inline constexpr SiteRecordBinding kSiteRecordBindings[] = {
    {sitecolumn::WebName, &SiteRecord::WebName},
    SiteRecordBinding(sitecolumn::AllowLogin), // selected by the run query, not used
    {sitecolumn::LoginUrl, &SiteRecord::LoginUrl},
    {sitecolumn::IsScript, &SiteRecord::IsScript},
    {sitecolumn::LoginButtonName, &SiteRecord::LoginButtonName},
    {sitecolumn::LoginButtonValue, &SiteRecord::LoginButtonValue},
    {sitecolumn::LogoutUrl, &SiteRecord::LogoutUrl},
    {sitecolumn::UidFieldId, &SiteRecord::UidFieldId},
    {sitecolumn::UidFieldName, &SiteRecord::UidFieldName},
    {sitecolumn::PwdFieldId, &SiteRecord::PwdFieldId},
    {sitecolumn::PwdFieldName, &SiteRecord::PwdFieldName},
    {sitecolumn::SubmitUrl, &SiteRecord::SubmitUrl},
    {sitecolumn::TitleFieldId, &SiteRecord::TitleFieldId},
    {sitecolumn::TitleFieldName, &SiteRecord::TitleFieldName},
    {sitecolumn::UrlFieldId, &SiteRecord::UrlFieldId},
    {sitecolumn::UrlFieldName, &SiteRecord::UrlFieldName},
    {sitecolumn::TagsFieldId, &SiteRecord::TagsFieldId},
    {sitecolumn::TagsFieldName, &SiteRecord::TagsFieldName},
    {sitecolumn::TagsSplit, &SiteRecord::TagsSplit},
    {sitecolumn::SummaryFieldId, &SiteRecord::SummaryFieldId},
    {sitecolumn::SummaryFieldName, &SiteRecord::SummaryFieldName},
    {sitecolumn::SubmitButtonId, &SiteRecord::SubmitButtonId},
    {sitecolumn::SubmitButtonName, &SiteRecord::SubmitButtonName},
    {sitecolumn::SubmitButtonValue, &SiteRecord::SubmitButtonValue},
    {sitecolumn::OtherFieldID1, &SiteRecord::OtherFieldID1},
    {sitecolumn::OtherFieldName1, &SiteRecord::OtherFieldName1},
    {sitecolumn::OtherFieldValue1, &SiteRecord::OtherFieldValue1},
    {sitecolumn::OtherFieldID2, &SiteRecord::OtherFieldID2},
    {sitecolumn::OtherFieldName2, &SiteRecord::OtherFieldName2},
    {sitecolumn::OtherFieldValue2, &SiteRecord::OtherFieldValue2},
};

} // namespace tvx::engine
