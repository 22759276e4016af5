#include "store/catalogue.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/storeerror.h"
#include "engine/siterecord.h"
#include "support/tempstore.h"

#include <QFile>
#include <QTest>


using namespace tvx;
using namespace tvx::store;

namespace {
const QString kSite3 = QStringLiteral(
    "INSERT INTO BookMarkWeb(ID,WebName,LoginUrl,IsScript,UidFieldId,TagsSplit) VALUES(3,'口袋','http://a/login',NULL,' ',NULL);");

// A text holding a NUL, a line separator, a right-to-left mark and an emoji.
QString withNul()
{
    static const char16_t raw[] = u"nul\u0000in\u2028side\u202e😀";
    return QString::fromUtf16(raw, std::size(raw) - 1);
}

QString startupError(const QString& path)
{
    Connection c;
    try {
        c.open(path);
        loadTimeout(c);
        checkSchema(c);
    } catch (const StoreError& e) {
        return e.description();
    }
    return {};
}
} // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void statementTexts()
    {
        using namespace catalogue;
        const QString run =
            QStringLiteral("SELECT A.WebName,A.AllowLogin,A.LoginUrl,A.IsScript,A.LoginButtonName,A.LoginButtonValue,"
                           "A.LoginUrl,A.LogoutUrl,A.UidFieldId,A.UidFieldName,A.PwdFieldId,A.PwdFieldName,A.SubmitUrl,"
                           "A.TitleFieldId,A.TitleFieldName,A.UrlFieldId,A.UrlFieldName,A.TagsFieldId,A.TagsFieldName,"
                           "A.TagsSplit,A.SummaryFieldId,A.SummaryFieldName,A.SubmitButtonId,A.SubmitButtonName,"
                           "A.SubmitButtonValue,A.OtherFieldID1,A.OtherFieldName1,A.OtherFieldValue1,A.OtherFieldID2,"
                           "A.OtherFieldName2,A.OtherFieldValue2,B.Uid,B.Pwd FROM Accounts B LEFT JOIN BookMarkWeb A ");
        QCOMPARE(configRow().spliced(), QStringLiteral("SELECT * FROM Config"));
        QCOMPARE(runQueryAllSites().spliced(), run + QStringLiteral("ON B.ID=A.ID"));
        QCOMPARE(runQueryChosenSites({3}).spliced(), run + QStringLiteral("ON B.ID=A.ID WHERE A.ID IN (3)"));
        QCOMPARE(runQueryChosenSites({3, 5, 12}).spliced(), run + QStringLiteral("ON B.ID=A.ID WHERE A.ID IN (3,5,12)"));
        QCOMPARE(accountsWithSiteNames().spliced(),
                 QStringLiteral("SELECT A.ID,B.WebName,A.Uid,A.Pwd FROM Accounts A LEFT JOIN BookMarkWeb B ON B.ID=A.ID"));
        QCOMPARE(insertAccount(4, QStringLiteral("bob"), QStringLiteral("pw")).spliced(),
                 QStringLiteral("INSERT INTO Accounts(ID,Uid,Pwd) VALUES(4,'bob','pw')"));
        QCOMPARE(deleteAccount(4, QStringLiteral("bob")).spliced(),
                 QStringLiteral("DELETE FROM Accounts WHERE ID=4 AND Uid='bob'"));
        QCOMPARE(sitesById().spliced(), QStringLiteral("SELECT ID,WebName FROM BookMarkWeb ORDER BY ID"));
        QCOMPARE(accountSites().spliced(),
                 QStringLiteral("SELECT A.ID,B.WebName FROM Accounts A LEFT JOIN BookMarkWeb B ON B.ID=A.ID"));
        QCOMPARE(updateTimeout(30).spliced(), QStringLiteral("UPDATE Config SET Timeout=30 WHERE ID=0"));
        // The texts SQLite parses never hold a user's value.
        QVERIFY(!insertAccount(4, QStringLiteral("o'brien"), QStringLiteral("x")).sql.contains(QStringLiteral("brien")));
    }

    void snapshotRecordset()
    {
        test::TempStore db(kSite3 + QStringLiteral("INSERT INTO Accounts VALUES(3,'u1','p1');"));
        Connection c;
        c.open(db.path());
        Recordset rs;
        QCOMPARE(rs.state(), Recordset::Closed);
        QVERIFY(rs.eof());
        rs.open(c, catalogue::runQueryAllSites());
        QCOMPARE(rs.state(), Recordset::Open);
        QCOMPARE(rs.recordCount(), 1);
        // A snapshot: rows added afterwards do not appear in it.
        db.exec(QStringLiteral("INSERT INTO Accounts VALUES(3,'u2','p2');"));
        QCOMPARE(rs.recordCount(), 1);
        const engine::SiteRecord r = engine::SiteRecord::fromCurrent(rs);
        QCOMPARE(r.WebName, QStringLiteral("口袋"));
        QCOMPARE(r.LoginUrl, QStringLiteral("http://a/login"));
        QCOMPARE(r.IsScript, false);              // null reads as false
        QCOMPARE(r.UidFieldId, QStringLiteral(" ")); // blanks are not empty
        QCOMPARE(r.TagsSplit, QString());          // null reads as empty
        QCOMPARE(r.Uid, QStringLiteral("u1"));
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(rs.text(QStringLiteral("WebName")), QString());
        rs.moveNext(); // past the end stays at the end
        QVERIFY(rs.eof());
        rs.close();
        QCOMPARE(rs.state(), Recordset::Closed);

        rs.open(c, catalogue::runQueryChosenSites({99}));
        QVERIFY(rs.eof());
        QCOMPARE(rs.recordCount(), 0);

        // Reading by name takes the first column of that name.
        Recordset twice({QStringLiteral("LoginUrl"), QStringLiteral("X"), QStringLiteral("LoginUrl")},
                        {{QStringLiteral("first"), 1, QStringLiteral("second")}});
        QCOMPARE(twice.text(QStringLiteral("LoginUrl")), QStringLiteral("first"));
        QCOMPARE(twice.text(QStringLiteral("X")), QStringLiteral("1"));
        QCOMPARE(twice.text(QStringLiteral("Missing")), QString());
    }

    void runQueryShapes()
    {
        test::TempStore db(kSite3 +
                           QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName,IsScript) VALUES(4,'饭否',1);"
                                          "INSERT INTO Accounts VALUES(3,'a','pa');"
                                          "INSERT INTO Accounts VALUES(3,'b','pb');"
                                          "INSERT INTO Accounts VALUES(4,'c','pc');"
                                          "INSERT INTO Accounts VALUES(7,'orphan','po');"));
        Connection c;
        c.open(db.path());
        Recordset rs;
        rs.open(c, catalogue::runQueryAllSites());
        QCOMPARE(rs.recordCount(), 4);
        QStringList seen;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const auto r = engine::SiteRecord::fromCurrent(rs);
            seen.append(r.WebName + QLatin1Char('/') + r.Uid +
                        QLatin1Char('/') + r.Pwd + (r.IsScript ? QStringLiteral("/script") : QString()));
        }
        seen.sort();
        // Two accounts on one site give two records; an account without a site row gives empty site columns.
        QCOMPARE(seen, QStringList({QStringLiteral("/orphan/po"), QStringLiteral("口袋/a/pa"), QStringLiteral("口袋/b/pb"),
                                    QStringLiteral("饭否/c/pc/script")}));
        rs.open(c, catalogue::runQueryChosenSites({4, 4}));
        QCOMPARE(rs.recordCount(), 1); // a repeated id selects the same accounts once
        rs.open(c, catalogue::runQueryChosenSites({3}));
        QCOMPARE(rs.recordCount(), 2);
    }

    void userValuesAreBoundExactly()
    {
        test::TempStore db(kSite3 + QStringLiteral("INSERT INTO Accounts VALUES(3,'keep','k');"));
        Connection c;
        c.open(db.path());
        const QString hostile[] = {QStringLiteral("o'brien"), QStringLiteral("' OR '1'='1"),
                                   QStringLiteral("a\\b\"c"), QStringLiteral("x'); DROP TABLE Accounts;--"),
                                   withNul(), QString(100000, QLatin1Char('q'))};
        for (const QString& value : hostile)
            c.execute(catalogue::insertAccount(3, value, value));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("7"));
        Recordset rs;
        rs.open(c, catalogue::accountsWithSiteNames());
        QStringList uids;
        for (; !rs.eof(); rs.moveNext()) {
            const QString uid = rs.text(QStringLiteral("Uid"));
            if (uid != QLatin1String("keep"))
                QCOMPARE(rs.text(QStringLiteral("Pwd")), uid);
            uids.append(uid);
        }
        for (const QString& value : hostile)
            QVERIFY(uids.contains(value));
        // Deleting by the pair removes exactly that account.
        c.execute(catalogue::deleteAccount(3, QStringLiteral("' OR '1'='1")));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("6"));
        c.execute(catalogue::deleteAccount(3, hostile[4]));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts WHERE Uid='keep'")), QStringLiteral("1"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("5"));
    }

    void configRows()
    {
        test::TempStore db(QStringLiteral("INSERT INTO Config VALUES(1, 99);"));
        Connection c;
        c.open(db.path());
        QCOMPARE(loadTimeout(c), qint16(30)); // the first row returned
        c.execute(catalogue::updateTimeout(45));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Timeout FROM Config WHERE ID=0")), QStringLiteral("45"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Timeout FROM Config WHERE ID=1")), QStringLiteral("99"));
    }

    void timeoutConversion_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected"); // -1: refused
        QTest::newRow("whole") << "30" << 30;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("text number") << "'12'" << 12;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("too large") << "32768" << -1;
        QTest::newRow("too small") << "-32769" << -1;
        QTest::newRow("null") << "NULL" << -1;
        QTest::newRow("not a number") << "'abc'" << -1;
    }
    void timeoutConversion()
    {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        test::TempStore db(QStringLiteral("UPDATE Config SET Timeout=%1;").arg(stored));
        Connection c;
        c.open(db.path());
        if (expected >= 0) {
            QCOMPARE(int(loadTimeout(c)), expected);
        } else {
            QVERIFY_THROWS_EXCEPTION(StoreError, loadTimeout(c));
            QVERIFY(startupError(db.path()).contains(QStringLiteral("超时时限")));
        }
    }

    void startupFailures()
    {
        QTemporaryDir dir;
        const QString missing = dir.path() + QStringLiteral("/tvx.cfg");
        QString error = startupError(missing);
        QVERIFY2(error.contains(missing), qPrintable(error)); // says which file
        QVERIFY(!QFile::exists(missing));                     // and never creates it

        QFile garbage(missing);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        error = startupError(missing);
        QVERIFY2(error.contains(QStringLiteral("不是有效的配置数据库")), qPrintable(error));
        QVERIFY(garbage.resize(0)); // an empty file is an empty database without tables
        error = startupError(missing);
        QVERIFY2(error.contains(QStringLiteral("缺少数据表 Config")), qPrintable(error));

        test::TempStore noAccounts(QStringLiteral("DROP TABLE Accounts;"));
        QVERIFY(startupError(noAccounts.path()).contains(QStringLiteral("缺少数据表 Accounts")));
        test::TempStore noColumn(QStringLiteral("ALTER TABLE BookMarkWeb DROP COLUMN SubmitButtonValue;"));
        QVERIFY(startupError(noColumn.path()).contains(QStringLiteral("BookMarkWeb 缺少列 SubmitButtonValue")));
        test::TempStore noRow(QStringLiteral("DELETE FROM Config;"));
        QVERIFY(startupError(noRow.path()).contains(QStringLiteral("没有设置行")));
        test::TempStore fine;
        QCOMPARE(startupError(fine.path()), QString());
    }

    void refusedWrites()
    {
        test::TempStore db;
        Connection c;
        c.open(db.path());
        QVERIFY(c.hasColumn(QStringLiteral("Accounts"), QStringLiteral("Uid")));
        QFile::remove(db.path());
        try {
            c.execute(catalogue::insertAccount(0, QStringLiteral("u"), QStringLiteral("p")));
            QFAIL("a write to a deleted store must fail");
        } catch (const StoreError& e) {
            QVERIFY2(e.description().contains(QStringLiteral("被删除或替换")), qPrintable(e.description()));
        }

        test::TempStore ro;
        test::ReadOnlyFile guard(ro.path());
        if (!guard.ok())
            QSKIP("this file system cannot make the file read-only for root");
        Connection r;
        r.open(ro.path());
        QCOMPARE(loadTimeout(r), qint16(30)); // reading still works
        QVERIFY_THROWS_EXCEPTION(StoreError, r.execute(catalogue::updateTimeout(5)));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
