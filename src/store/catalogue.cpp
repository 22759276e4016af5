#include "catalogue.h"

namespace tvx::store::catalogue {

namespace {
// The select list and join of the run query; it names LoginUrl twice, and readers take the first. The
// text is fixed; a column added to siteColumns() must be added here too (tst_sitecolumns names it).
const QString kRunQuery =
    QStringLiteral("SELECT A.WebName,A.AllowLogin,A.LoginUrl,A.IsScript,A.LoginButtonName,A.LoginButtonValue,"
                   "A.LoginUrl,A.LogoutUrl,A.UidFieldId,A.UidFieldName,A.PwdFieldId,A.PwdFieldName,A.SubmitUrl,"
                   "A.TitleFieldId,A.TitleFieldName,A.UrlFieldId,A.UrlFieldName,A.TagsFieldId,A.TagsFieldName,"
                   "A.TagsSplit,A.SummaryFieldId,A.SummaryFieldName,A.SubmitButtonId,A.SubmitButtonName,"
                   "A.SubmitButtonValue,A.OtherFieldID1,A.OtherFieldName1,A.OtherFieldValue1,A.OtherFieldID2,"
                   "A.OtherFieldName2,A.OtherFieldValue2,B.Uid,B.Pwd FROM Accounts B LEFT JOIN BookMarkWeb A ");
} // namespace

Statement configRow()
{
    return {QStringLiteral("SELECT * FROM Config"), {}};
}

Statement runQueryAllSites()
{
    return {kRunQuery + QStringLiteral("ON B.ID=A.ID"), {}};
}

Statement runQueryChosenSites(const QList<qint64>& ids)
{
    Statement st{kRunQuery + QStringLiteral("ON B.ID=A.ID WHERE A.ID IN ("), {}};
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i > 0)
            st.sql += QLatin1Char(',');
        st.sql += QLatin1Char('?');
        st.params.append(ids.at(i));
    }
    st.sql += QLatin1Char(')');
    return st;
}

Statement ownSiteNamed(const QString& webName)
{
    return {QStringLiteral("SELECT B.ID FROM BookMarkWeb B JOIN UserSites U ON U.ID=B.ID WHERE B.WebName=?"),
            {webName}};
}

Statement runQueryAccounts(const QList<QPair<QString, QString>>& accounts)
{
    Statement st{kRunQuery + QStringLiteral("ON B.ID=A.ID WHERE "), {}};
    for (qsizetype i = 0; i < accounts.size(); ++i) {
        st.sql += i > 0 ? QStringLiteral(" OR (A.WebName=? AND B.Uid=?)") : QStringLiteral("(A.WebName=? AND B.Uid=?)");
        st.params.append(accounts.at(i).first);
        st.params.append(accounts.at(i).second);
    }
    if (accounts.isEmpty())
        st.sql += QStringLiteral("0");
    return st;
}

Statement accountsWithSiteNames()
{
    return {QStringLiteral("SELECT A.ID,B.WebName,A.Uid,A.Pwd FROM Accounts A LEFT JOIN BookMarkWeb B ON B.ID=A.ID"),
            {}};
}

Statement insertAccount(qint64 siteId, const QString& uid, const QString& pwd)
{
    return {QStringLiteral("INSERT INTO Accounts(ID,Uid,Pwd) VALUES(?,?,?)"), {siteId, uid, pwd}};
}

Statement deleteAccount(qint64 siteId, const QString& uid)
{
    return {QStringLiteral("DELETE FROM Accounts WHERE ID=? AND Uid=?"), {siteId, uid}};
}

Statement sitesById()
{
    return {QStringLiteral("SELECT ID,WebName FROM BookMarkWeb ORDER BY ID"), {}};
}

Statement accountSites()
{
    return {QStringLiteral("SELECT A.ID,B.WebName FROM Accounts A LEFT JOIN BookMarkWeb B ON B.ID=A.ID"), {}};
}

Statement updateTimeout(const QVariant& timeout)
{
    return {QStringLiteral("UPDATE Config SET Timeout=? WHERE ID=0"), {timeout}};
}

} // namespace tvx::store::catalogue
