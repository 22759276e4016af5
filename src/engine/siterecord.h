#pragma once

#include <QString>

namespace tvx::store {
class Recordset;
}

namespace tvx::engine {

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

    // Reads the current record; a recordset at its end gives an all-empty record.
    static SiteRecord fromCurrent(const store::Recordset& rs);
};

} // namespace tvx::engine
