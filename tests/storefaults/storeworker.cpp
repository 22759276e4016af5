// A helper process for the store-fault tests, built on the program's own store code.
//
//   storeworker churn <tvx.cfg> <tag>   adds and deletes accounts without end through the connection
//                                       and statements the accounts dialog uses; after each statement
//                                       has returned it prints "added <uid>" or "deleted <uid>", and
//                                       before a delete "deleting <uid>". Meant to be killed.
//   storeworker lock <tvx.cfg>          holds the file's exclusive lock, as another program would, and
//                                       prints "locked"; meant to be killed.
#include "store/catalogue.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QList>
#include <QThread>

#include <cstdio>
#include <sqlite3.h>

using namespace tvx;

namespace {

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int churn(const QString& path, const QString& tag)
{
    store::Connection store;
    try {
        store.open(path);
    } catch (const store::StoreError& e) {
        say("error " + e.description().toUtf8());
        return 2;
    }
    QList<QString> kept;
    for (qint64 i = 0;; ++i) {
        const QString uid = QStringLiteral("%1-%2").arg(tag).arg(i);
        try {
            // Passwords of different lengths, so that rows move between pages and pages are added.
            store.execute(store::catalogue::insertAccount(i % 3, uid, QString(int(i % 7) * 300 + 1, QLatin1Char('p'))));
            say("added " + uid.toUtf8());
            kept.append(uid);
            if (i % 3 == 2) {
                const QString gone = kept.takeAt(int(i % kept.size()));
                say("deleting " + gone.toUtf8());
                store.execute(
                    store::catalogue::deleteAccount(gone.section(QLatin1Char('-'), -1).toLongLong() % 3, gone));
                say("deleted " + gone.toUtf8());
            }
        } catch (const store::StoreError& e) {
            say("error " + e.description().toUtf8());
            return 3;
        }
    }
}

int lock(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        say("cannot lock");
        return 2;
    }
    say("locked");
    for (;;)
        QThread::sleep(1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("churn"))
        return churn(args.at(2), args.at(3));
    if (args.size() == 3 && args.at(1) == QLatin1String("lock"))
        return lock(args.at(2));
    std::fputs("usage: storeworker churn <tvx.cfg> <tag> | lock <tvx.cfg>\n", stderr);
    return 1;
}
