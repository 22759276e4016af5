// The statement builders: the SQL text never depends on the values, every value is bound in its place,
// and against a real store file an account goes in and out exactly, touching no other row. The
// statement as shown to a person (values written in, quotes doubled) means the same to SQLite.
#include "fuzzinput.h"
#include "store/catalogue.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

using namespace tvx;
using fuzz::check;

namespace {

QTemporaryDir* g_dir = nullptr;
store::Connection* g_store = nullptr;
sqlite3* g_scratch = nullptr; // an in-memory database for the statements as shown

const store::Statement kInsert = store::catalogue::insertAccount(0, QString(), QString());
const store::Statement kDelete = store::catalogue::deleteAccount(0, QString());
const store::Statement kTimeout = store::catalogue::updateTimeout(0);

// What the store can hold of a text: it is kept as UTF-8, so a lone surrogate becomes U+FFFD.
QString storable(const QString& text)
{
    return QString::fromUtf8(text.toUtf8());
}

void checkShape(const store::Statement& st, const store::Statement& fixed, const QVariantList& values)
{
    check(st.sql == fixed.sql, "the SQL text is the same whatever the values", st.sql);
    check(st.params == values, "every value is bound in its place", st.sql);
    check(st.sql.count(QLatin1Char('?')) == st.params.size(), "one place for every value", st.sql);
}

QStringList accountRows()
{
    store::Recordset rs;
    rs.open(*g_store, store::catalogue::accountsWithSiteNames());
    QStringList rows;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        rows.append(rs.text(QStringLiteral("ID")) + QLatin1Char('|') + rs.text(QStringLiteral("Uid")) +
                    QLatin1Char('|') + rs.text(QStringLiteral("Pwd")));
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The store lives in memory-backed files where there are some, so that the runs are not held up
    // by the disk.
    g_dir = QDir(QStringLiteral("/dev/shm")).exists() ? new QTemporaryDir(QStringLiteral("/dev/shm/tvx-fuzz-XXXXXX"))
                                                      : new QTemporaryDir;
    const QString path = g_dir->path() + QStringLiteral("/tvx.cfg");
    QFile schema(QStringLiteral(TVX_DATA_DIR "/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        fuzz::fail("cannot read the schema");
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    const QByteArray sql = schema.readAll() + "INSERT INTO Config VALUES(0,30);"
                                              "INSERT INTO BookMarkWeb(ID,WebName) VALUES(1,'甲站');"
                                              "INSERT INTO Accounts VALUES(1,'keep','me');";
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fuzz::fail("cannot make the store");
    sqlite3_close(db);
    g_store = new store::Connection;
    g_store->open(path);
    sqlite3_open(":memory:", &g_scratch);
    sqlite3_exec(g_scratch, "CREATE TABLE Accounts(ID INTEGER NOT NULL, Uid TEXT, Pwd TEXT);", nullptr, nullptr,
                 nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const qint64 site = in.ConsumeBool() ? in.ConsumeIntegralInRange<qint64>(-3, 3) : in.ConsumeIntegral<qint64>();
    const QString uid = fuzz::anyText(in, 60);
    const QString pwd = fuzz::anyText(in, 60);

    const store::Statement insert = store::catalogue::insertAccount(site, uid, pwd);
    checkShape(insert, kInsert, {site, uid, pwd});
    const store::Statement remove = store::catalogue::deleteAccount(site, uid);
    checkShape(remove, kDelete, {site, uid});
    const QVariant timeout = in.ConsumeBool() ? QVariant(pwd) : QVariant(in.ConsumeIntegral<int>());
    checkShape(store::catalogue::updateTimeout(timeout), kTimeout, {timeout});
    QList<qint64> ids;
    for (int n = in.ConsumeIntegralInRange<int>(1, 8); n > 0; --n)
        ids.append(in.ConsumeIntegral<qint64>());
    const store::Statement chosen = store::catalogue::runQueryChosenSites(ids);
    QVariantList idValues;
    for (qint64 id : ids)
        idValues.append(id);
    QString places = QStringLiteral("?");
    for (qsizetype n = 1; n < ids.size(); ++n)
        places += QStringLiteral(",?");
    check(chosen.sql ==
              store::catalogue::runQueryAllSites().sql + QStringLiteral(" WHERE A.ID IN (") + places + QLatin1Char(')'),
          "the chosen sites' query has one place per site", chosen.sql);
    check(chosen.params == idValues, "the chosen sites are bound", chosen.sql);

    // In and out of a real store: exactly this account, exactly its texts, and the other row stays.
    try {
        const QStringList before = accountRows();
        check(g_store->execute(insert) == 1, "one row added");
        QStringList after = accountRows();
        const QString row = QString::number(site) + QLatin1Char('|') + storable(uid) + QLatin1Char('|') + storable(pwd);
        check(after.size() == before.size() + 1 && after.contains(row), "the account is stored exactly", row);
        check(g_store->execute(remove) == 1, "one row deleted", row);
        check(accountRows() == before, "only that account went", row);
    } catch (const store::StoreError& e) {
        fuzz::fail("the store refused a statement", e.description());
    }

    // The statement as shown, run as SQL, inserts the same values (texts with NUL cannot be shown so).
    if (!uid.contains(QChar(0)) && !pwd.contains(QChar(0))) {
        sqlite3_exec(g_scratch, "DELETE FROM Accounts", nullptr, nullptr, nullptr);
        const QByteArray shown = insert.spliced().toUtf8();
        char* error = nullptr;
        check(sqlite3_exec(g_scratch, shown.constData(), nullptr, nullptr, &error) == SQLITE_OK,
              "the statement as shown is valid SQL", insert.spliced() + QString::fromUtf8(error ? error : ""));
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(g_scratch, "SELECT ID, Uid, Pwd FROM Accounts", -1, &stmt, nullptr);
        check(sqlite3_step(stmt) == SQLITE_ROW, "the statement as shown inserts a row", insert.spliced());
        const auto text = [&](int c) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                     sqlite3_column_bytes(stmt, c));
        };
        check(sqlite3_column_int64(stmt, 0) == site && text(1) == storable(uid) && text(2) == storable(pwd),
              "the statement as shown holds the same values", insert.spliced());
        check(sqlite3_step(stmt) == SQLITE_DONE, "and only one row", insert.spliced());
        sqlite3_finalize(stmt);
    }
    return 0;
}
