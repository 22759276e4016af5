#include "sitestore.h"

#include "store/connection.h"
#include "store/recordset.h"
#include "store/sitecolumns.h"
#include "store/statement.h"
#include "store/storeerror.h"
#include "store/transaction.h"

namespace tvx::sites {

namespace sitecolumn = store::sitecolumn;

namespace {
const QString kOwnTable = QStringLiteral("UserSites");

QVariant columnValue(const SiteDefinition& definition, const QString& column)
{
    if (isFlagColumn(column))
        return qint64(definition.flag(column) ? 1 : 0);
    const QString text = definition.text(column);
    return text.isEmpty() ? QVariant() : QVariant(text);
}

store::Statement insertRow(const SiteDefinition& definition)
{
    store::Statement st{QStringLiteral("INSERT INTO BookMarkWeb(ID"), {definition.id}};
    QString places = QStringLiteral("?");
    for (const QString& column : definitionColumns()) {
        st.sql += QLatin1Char(',') + column;
        places += QStringLiteral(",?");
        st.params.append(columnValue(definition, column));
    }
    st.sql += QStringLiteral(") VALUES(") + places + QLatin1Char(')');
    return st;
}

store::Statement updateRow(const SiteDefinition& definition)
{
    store::Statement st{QStringLiteral("UPDATE BookMarkWeb SET "), {}};
    bool first = true;
    for (const QString& column : definitionColumns()) {
        if (!first)
            st.sql += QLatin1Char(',');
        first = false;
        st.sql += column + QStringLiteral("=?");
        st.params.append(columnValue(definition, column));
    }
    st.sql += QStringLiteral(" WHERE ID=? AND ID IN (SELECT ID FROM UserSites)");
    st.params.append(definition.id);
    return st;
}
} // namespace

SiteStore::SiteStore(store::Connection& connection)
    : m_connection(connection)
{
}

bool SiteStore::hasOwnTable() const
{
    return m_connection.hasColumn(kOwnTable);
}

QList<SiteStore::Entry> SiteStore::list() const
{
    const bool own = hasOwnTable();
    store::Recordset rs;
    rs.open(m_connection, {own ? QStringLiteral("SELECT B.ID,B.WebName,B.LoginUrl,B.SubmitUrl,U.ID AS Own "
                                                "FROM BookMarkWeb B LEFT JOIN UserSites U ON U.ID=B.ID ORDER BY B.ID")
                               : QStringLiteral("SELECT ID,WebName,LoginUrl,SubmitUrl FROM BookMarkWeb ORDER BY ID"),
                           {}});
    QList<Entry> entries;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        entries.append({rs.value(QStringLiteral("ID")).toLongLong(), rs.text(sitecolumn::WebName),
                        rs.text(sitecolumn::LoginUrl), rs.text(sitecolumn::SubmitUrl),
                        own && !rs.value(QStringLiteral("Own")).isNull()});
    return entries;
}

SiteDefinition SiteStore::read(qint64 id) const
{
    store::Recordset rs;
    rs.open(m_connection, {QStringLiteral("SELECT * FROM BookMarkWeb WHERE ID=?"), {id}});
    if (rs.eof())
        throw store::StoreError(QStringLiteral("编号为 %1 的网站定义已不存在。").arg(id));
    SiteDefinition definition;
    definition.id = id;
    for (const QString& column : definitionColumns()) {
        if (isFlagColumn(column))
            definition.setFlag(column, rs.boolean(column));
        else
            definition.set(column, rs.text(column));
    }
    return definition;
}

bool SiteStore::isOwn(qint64 id) const
{
    if (!hasOwnTable())
        return false;
    store::Recordset rs;
    rs.open(m_connection, {QStringLiteral("SELECT ID FROM UserSites WHERE ID=?"), {id}});
    return !rs.eof();
}

qint64 SiteStore::save(SiteDefinition& definition)
{
    store::Transaction transaction(m_connection);
    if (definition.id < 0) {
        m_connection.execute(
            {QStringLiteral("CREATE TABLE IF NOT EXISTS UserSites (ID INTEGER PRIMARY KEY AUTOINCREMENT)"), {}});
        // Above every ID that a site or an account has ever had; AUTOINCREMENT remembers the IDs of
        // the user's deleted sites.
        store::Recordset rs;
        rs.open(m_connection, {QStringLiteral("SELECT MAX(N) AS N FROM (SELECT MAX(ID) AS N FROM BookMarkWeb "
                                              "UNION ALL SELECT MAX(ID) FROM Accounts "
                                              "UNION ALL SELECT seq FROM sqlite_sequence WHERE name='UserSites')"),
                               {}});
        const qint64 id = rs.value(QStringLiteral("N")).isNull() ? 0 : rs.value(QStringLiteral("N")).toLongLong() + 1;
        m_connection.execute({QStringLiteral("INSERT INTO UserSites(ID) VALUES(?)"), {id}});
        SiteDefinition row = definition;
        row.id = id;
        m_connection.execute(insertRow(row));
        transaction.commit();
        definition.id = id;
        return id;
    }
    if (!hasOwnTable() || m_connection.execute(updateRow(definition)) != 1)
        throw store::StoreError(
            QStringLiteral("编号为 %1 的网站定义是程序附带的或已被删除，不能修改。").arg(definition.id));
    transaction.commit();
    return definition.id;
}

void SiteStore::remove(qint64 id)
{
    store::Transaction transaction(m_connection);
    if (!hasOwnTable() ||
        m_connection.execute(
            {QStringLiteral("DELETE FROM BookMarkWeb WHERE ID=? AND ID IN (SELECT ID FROM UserSites)"), {id}}) != 1)
        throw store::StoreError(QStringLiteral("编号为 %1 的网站定义是程序附带的或已被删除，不能删除。").arg(id));
    m_connection.execute({QStringLiteral("DELETE FROM Accounts WHERE ID=?"), {id}});
    m_connection.execute({QStringLiteral("DELETE FROM UserSites WHERE ID=?"), {id}});
    transaction.commit();
}

int SiteStore::accountCount(qint64 id) const
{
    store::Recordset rs;
    rs.open(m_connection, {QStringLiteral("SELECT COUNT(*) AS N FROM Accounts WHERE ID=?"), {id}});
    return int(rs.value(QStringLiteral("N")).toLongLong());
}

QList<SiteStore::Account> SiteStore::accounts(qint64 id) const
{
    store::Recordset rs;
    rs.open(m_connection, {QStringLiteral("SELECT Uid,Pwd FROM Accounts WHERE ID=? ORDER BY rowid"), {id}});
    QList<Account> accounts;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        accounts.append({rs.text(QStringLiteral("Uid")), rs.text(QStringLiteral("Pwd"))});
    return accounts;
}

} // namespace tvx::sites
