#include "urllisttable.h"

#include "connection.h"
#include "recordset.h"
#include "transaction.h"

namespace tvx::store::urllist {

namespace {
const QString kTable = QStringLiteral("UrlList");

void insertRows(Connection& connection, const QList<KeptRow>& rows)
{
    const QString sql =
        QStringLiteral("INSERT INTO UrlList(Seq,Number,RowKey,Url,Title,Tags,Summary) VALUES(?,?,?,?,?,?,?)");
    for (const KeptRow& r : rows)
        connection.execute(
            {sql, {r.seq, r.number, r.key, r.bookmark.url, r.bookmark.title, r.bookmark.tags, r.bookmark.summary}});
}
} // namespace

void create(Connection& connection)
{
    if (connection.hasColumn(kTable))
        return;
    connection.execute({QStringLiteral("CREATE TABLE IF NOT EXISTS UrlList ("
                                       "Seq INTEGER NOT NULL PRIMARY KEY, "
                                       "Number INTEGER NOT NULL, "
                                       "RowKey TEXT NOT NULL, "
                                       "Url TEXT, Title TEXT, Tags TEXT, Summary TEXT)"),
                        {}});
}

QList<KeptRow> load(const Connection& connection)
{
    if (!connection.hasColumn(kTable))
        return {};
    Recordset rs;
    rs.open(connection,
            {QStringLiteral("SELECT Seq,Number,RowKey,Url,Title,Tags,Summary FROM UrlList ORDER BY Seq"), {}});
    QList<KeptRow> rows;
    rows.reserve(rs.recordCount());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        rows.append({rs.value(QStringLiteral("Seq")).toLongLong(),
                     rs.value(QStringLiteral("Number")).toLongLong(),
                     rs.text(QStringLiteral("RowKey")),
                     {rs.text(QStringLiteral("Url")), rs.text(QStringLiteral("Title")), rs.text(QStringLiteral("Tags")),
                      rs.text(QStringLiteral("Summary"))}});
    }
    return rows;
}

void append(Connection& connection, const QList<KeptRow>& rows)
{
    Transaction t(connection);
    create(connection);
    insertRows(connection, rows);
    t.commit();
}

void remove(Connection& connection, const QList<qint64>& seqs)
{
    Transaction t(connection);
    for (qint64 seq : seqs)
        connection.execute({QStringLiteral("DELETE FROM UrlList WHERE Seq=?"), {seq}});
    t.commit();
}

void replace(Connection& connection, const QList<KeptRow>& rows)
{
    Transaction t(connection);
    create(connection);
    connection.execute({QStringLiteral("DELETE FROM UrlList"), {}});
    insertRows(connection, rows);
    t.commit();
}

} // namespace tvx::store::urllist
