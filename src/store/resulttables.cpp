#include "resulttables.h"

#include "connection.h"
#include "recordset.h"
#include "transaction.h"

#include <QHash>

namespace tvx::store::results {

namespace {
// Local time to the millisecond: a run's start also names the folder of its failure evidence.
const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QString timeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(kTimeFormat) : QString();
}

QDateTime timeOf(const QString& text)
{
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, kTimeFormat);
}

const QStringList& tableStatements()
{
    static const QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS Runs (RunId INTEGER NOT NULL PRIMARY KEY, Started TEXT NOT NULL, "
                       "Finished TEXT, Aborted INTEGER NOT NULL DEFAULT 0, RetryOf INTEGER)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS RunAccounts (RunId INTEGER NOT NULL, AccountNo INTEGER NOT NULL, "
                       "WebName TEXT, Uid TEXT, PRIMARY KEY (RunId, AccountNo))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS RunBookmarks (RunId INTEGER NOT NULL, Position INTEGER NOT NULL, "
                       "Number INTEGER, Url TEXT, Title TEXT, PRIMARY KEY (RunId, Position))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS RunResults (RunId INTEGER NOT NULL, AccountNo INTEGER NOT NULL, "
                       "Position INTEGER NOT NULL, Outcome INTEGER NOT NULL, Stage INTEGER, At TEXT, "
                       "Answer TEXT, PRIMARY KEY (RunId, AccountNo, Position))"),
    };
    return statements;
}

bool hasTables(const Connection& connection)
{
    for (const char* t : {"Runs", "RunAccounts", "RunBookmarks", "RunResults"})
        if (!connection.hasColumn(QLatin1String(t)))
            return false;
    return true;
}
} // namespace

void create(Connection& connection)
{
    if (hasTables(connection)) {
        // Results kept before the site's answer was: their cells have none.
        if (!connection.hasColumn(QStringLiteral("RunResults"), QStringLiteral("Answer")))
            connection.execute({QStringLiteral("ALTER TABLE RunResults ADD COLUMN Answer TEXT"), {}});
        // Runs kept before a run could retry another: none of them is a retry.
        if (!connection.hasColumn(QStringLiteral("Runs"), QStringLiteral("RetryOf")))
            connection.execute({QStringLiteral("ALTER TABLE Runs ADD COLUMN RetryOf INTEGER"), {}});
        return;
    }
    for (const QString& sql : tableStatements())
        connection.execute({sql, {}});
}

qint64 beginRun(Connection& connection, const QDateTime& started, const QList<RunBookmark>& bookmarks, int kept,
                qint64 retryOf)
{
    Transaction t(connection);
    create(connection);
    Recordset last;
    last.open(connection, {QStringLiteral("SELECT MAX(RunId) AS Last FROM Runs"), {}});
    const qint64 run = last.value(QStringLiteral("Last")).toLongLong() + 1;
    connection.execute({QStringLiteral("INSERT INTO Runs(RunId,Started,RetryOf) VALUES(?,?,?)"),
                        {run, timeText(started), retryOf > 0 ? QVariant(retryOf) : QVariant()}});
    const QString insert =
        QStringLiteral("INSERT INTO RunBookmarks(RunId,Position,Number,Url,Title) VALUES(?,?,?,?,?)");
    for (qsizetype i = 0; i < bookmarks.size(); ++i) {
        const RunBookmark& b = bookmarks.at(i);
        connection.execute({insert, {run, qint64(i), b.number, b.url, b.title}});
    }
    const qint64 oldest = run - std::max(kept, 1);
    for (const char* table : {"RunResults", "RunAccounts", "RunBookmarks", "Runs"})
        connection.execute({QStringLiteral("DELETE FROM %1 WHERE RunId<=?").arg(QLatin1String(table)), {oldest}});
    t.commit();
    return run;
}

void record(Connection& connection, qint64 run, const QList<QPair<int, RunAccount>>& accounts, const QList<Cell>& cells)
{
    if (accounts.isEmpty() && cells.isEmpty())
        return;
    Transaction t(connection);
    for (const auto& [no, account] : accounts)
        connection.execute(
            {QStringLiteral("INSERT OR REPLACE INTO RunAccounts(RunId,AccountNo,WebName,Uid) VALUES(?,?,?,?)"),
             {run, no, account.siteName, account.uid}});
    const QString insert = QStringLiteral(
        "INSERT OR REPLACE INTO RunResults(RunId,AccountNo,Position,Outcome,Stage,At,Answer) VALUES(?,?,?,?,?,?,?)");
    for (const Cell& c : cells)
        connection.execute({insert, {run, c.account, c.bookmark, int(c.outcome), c.stage, timeText(c.at), c.answer}});
    t.commit();
}

void markRetry(Connection& connection, qint64 run, qint64 retried)
{
    connection.execute({QStringLiteral("UPDATE Runs SET RetryOf=? WHERE RunId=?"), {retried, run}});
}

void finishRun(Connection& connection, qint64 run, const QDateTime& finished, bool aborted)
{
    connection.execute({QStringLiteral("UPDATE Runs SET Finished=?,Aborted=? WHERE RunId=?"),
                        {timeText(finished), aborted ? 1 : 0, run}});
}

QList<RunSummary> runs(const Connection& connection)
{
    if (!hasTables(connection))
        return {};
    const bool retries = connection.hasColumn(QStringLiteral("Runs"), QStringLiteral("RetryOf"));
    Recordset rs;
    rs.open(connection,
            {QStringLiteral("SELECT R.RunId,R.Started,R.Finished,R.Aborted,%1 AS RetryOf,")
                     .arg(retries ? QStringLiteral("R.RetryOf") : QStringLiteral("NULL")) +
                 QStringLiteral(
                            "(SELECT COUNT(*) FROM RunAccounts A WHERE A.RunId=R.RunId) AS Accounts,"
                            "(SELECT COUNT(*) FROM RunBookmarks B WHERE B.RunId=R.RunId) AS Bookmarks,"
                            "(SELECT COUNT(*) FROM RunResults C WHERE C.RunId=R.RunId AND C.Outcome=1) AS Submitted,"
                            "(SELECT COUNT(*) FROM RunResults C WHERE C.RunId=R.RunId AND C.Outcome>1 AND C.Outcome<>6) "
                            "AS Failed FROM Runs R ORDER BY R.RunId DESC"),
             {}});
    QList<RunSummary> out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.append({rs.value(QStringLiteral("RunId")).toLongLong(), timeOf(rs.text(QStringLiteral("Started"))),
                    timeOf(rs.text(QStringLiteral("Finished"))), rs.value(QStringLiteral("Aborted")).toInt() != 0,
                    rs.value(QStringLiteral("Accounts")).toInt(), rs.value(QStringLiteral("Bookmarks")).toInt(),
                    rs.value(QStringLiteral("Submitted")).toInt(), rs.value(QStringLiteral("Failed")).toInt(),
                    rs.value(QStringLiteral("RetryOf")).toLongLong()});
    return out;
}

RunResults load(const Connection& connection, qint64 run)
{
    RunResults out;
    if (!hasTables(connection))
        return out;
    for (const RunSummary& s : runs(connection))
        if (s.id == run)
            out.run = s;
    Recordset rs;
    rs.open(connection,
            {QStringLiteral("SELECT AccountNo,WebName,Uid FROM RunAccounts WHERE RunId=? ORDER BY AccountNo"), {run}});
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const int no = rs.value(QStringLiteral("AccountNo")).toInt();
        while (out.accounts.size() < no)
            out.accounts.append(RunAccount{}); // an account never reported
        out.accounts.append({rs.text(QStringLiteral("WebName")), rs.text(QStringLiteral("Uid"))});
    }
    rs.open(connection,
            {QStringLiteral("SELECT Number,Url,Title FROM RunBookmarks WHERE RunId=? ORDER BY Position"), {run}});
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.bookmarks.append({rs.value(QStringLiteral("Number")).toLongLong(), rs.text(QStringLiteral("Url")),
                              rs.text(QStringLiteral("Title"))});
    // Results kept before the site's answer was have no answers (until the next run adds the column).
    const bool answers = connection.hasColumn(QStringLiteral("RunResults"), QStringLiteral("Answer"));
    rs.open(connection, {QStringLiteral("SELECT AccountNo,Position,Outcome,Stage,At,%1 AS Answer FROM RunResults "
                                        "WHERE RunId=? ORDER BY AccountNo,Position")
                             .arg(answers ? QStringLiteral("Answer") : QStringLiteral("NULL")),
                         {run}});
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.cells.append({rs.value(QStringLiteral("AccountNo")).toInt(), rs.value(QStringLiteral("Position")).toInt(),
                          Outcome(rs.value(QStringLiteral("Outcome")).toInt()),
                          rs.value(QStringLiteral("Stage")).toInt(), timeOf(rs.text(QStringLiteral("At"))),
                          rs.text(QStringLiteral("Answer"))});
    return out;
}

QList<QPair<int, QList<int>>> unsuccessful(const RunResults& run)
{
    QHash<qint64, Outcome> recorded;
    for (const Cell& c : run.cells)
        recorded.insert(qint64(c.account) << 32 | c.bookmark, c.outcome);
    QList<QPair<int, QList<int>>> out;
    for (int a = 0; a < run.accounts.size(); ++a) {
        QList<int> rows;
        for (int b = 0; b < run.bookmarks.size(); ++b)
            if (failed(recorded.value(qint64(a) << 32 | b, Outcome::NotReached)))
                rows.append(b);
        if (!rows.isEmpty())
            out.append({a, rows});
    }
    return out;
}

} // namespace tvx::store::results
