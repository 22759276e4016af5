#include "siterecord.h"

#include "store/recordset.h"

namespace tvx::engine {

SiteRecord SiteRecord::fromCurrent(const store::Recordset& rs)
{
    const auto t = [&rs](const char* name) { return rs.text(QLatin1String(name)); };
    SiteRecord r;
    r.WebName = t("WebName");
    r.LoginUrl = t("LoginUrl");
    r.IsScript = rs.boolean(QStringLiteral("IsScript"));
    r.LoginButtonName = t("LoginButtonName");
    r.LoginButtonValue = t("LoginButtonValue");
    r.LogoutUrl = t("LogoutUrl");
    r.UidFieldId = t("UidFieldId");
    r.UidFieldName = t("UidFieldName");
    r.PwdFieldId = t("PwdFieldId");
    r.PwdFieldName = t("PwdFieldName");
    r.SubmitUrl = t("SubmitUrl");
    r.TitleFieldId = t("TitleFieldId");
    r.TitleFieldName = t("TitleFieldName");
    r.UrlFieldId = t("UrlFieldId");
    r.UrlFieldName = t("UrlFieldName");
    r.TagsFieldId = t("TagsFieldId");
    r.TagsFieldName = t("TagsFieldName");
    r.TagsSplit = t("TagsSplit");
    r.SummaryFieldId = t("SummaryFieldId");
    r.SummaryFieldName = t("SummaryFieldName");
    r.SubmitButtonId = t("SubmitButtonId");
    r.SubmitButtonName = t("SubmitButtonName");
    r.SubmitButtonValue = t("SubmitButtonValue");
    r.OtherFieldID1 = t("OtherFieldID1");
    r.OtherFieldName1 = t("OtherFieldName1");
    r.OtherFieldValue1 = t("OtherFieldValue1");
    r.OtherFieldID2 = t("OtherFieldID2");
    r.OtherFieldName2 = t("OtherFieldName2");
    r.OtherFieldValue2 = t("OtherFieldValue2");
    r.Uid = t("Uid");
    r.Pwd = t("Pwd");
    return r;
}

} // namespace tvx::engine
