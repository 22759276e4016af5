// The site definitions the user keeps in the store: rows written and read back exactly, the delivered
// rows left as they are, IDs never used twice, accounts never dropped unseen; the checks before saving
// and the templates.
#include "sites/sitestore.h"
#include "sites/sitetemplates.h"
#include "sites/sitevalidation.h"
#include "store/connection.h"
#include "store/storeerror.h"
#include "support/tempstore.h"

#include <QTest>

using namespace tvx;
using sites::SiteDefinition;
using sites::SiteStore;

namespace {
// A definition with a different awkward text in every column.
SiteDefinition awkward()
{
    SiteDefinition d;
    int n = 0;
    for (const QString& column : sites::definitionColumns()) {
        if (sites::isFlagColumn(column))
            d.setFlag(column, true);
        else
            d.set(column, QStringLiteral("%1 '引号' \"双\" \\ </script> 网摘 %2 ").arg(column).arg(++n));
    }
    return d;
}

QString dump(const test::TempStore& db, const QString& table)
{
    return db.scalar(QStringLiteral("SELECT group_concat(quote(ID)||quote(WebName)||quote(LoginUrl)||quote(UidFieldId)"
                                    "||quote(SubmitButtonValue), '|') FROM %1")
                         .arg(table));
}
} // namespace

class TestSiteStore : public QObject {
    Q_OBJECT
private slots:
    void savedRowReadsBackColumnForColumn()
    {
        test::TempStore db({}, true);
        store::Connection connection;
        connection.open(db.path());
        SiteStore sites(connection);
        const qint64 highest = db.scalar(QStringLiteral("SELECT MAX(ID) FROM BookMarkWeb")).toLongLong();

        SiteDefinition d = awkward();
        const qint64 id = sites.save(d);
        QCOMPARE(d.id, id);
        QVERIFY(id > highest);
        const SiteDefinition back = sites.read(id);
        for (const QString& column : sites::definitionColumns())
            QCOMPARE(back.text(column), d.text(column));
        QVERIFY(sites.isOwn(id));

        // Saved again with changes (and a column emptied): the same row, nothing else touched.
        const QString delivered = dump(db, QStringLiteral("BookMarkWeb WHERE ID<=") + QString::number(highest));
        d.set(QStringLiteral("WebName"), QStringLiteral("改过的名字"));
        d.set(QStringLiteral("TagsSplit"), QStringLiteral(" "));
        d.set(QStringLiteral("UidFieldId"), QString());
        d.setFlag(QStringLiteral("IsScript"), false);
        QCOMPARE(sites.save(d), id);
        QCOMPARE(sites.read(id), d);
        QCOMPARE(sites.read(id).record().TagsSplit, QStringLiteral(" "));
        QCOMPARE(sites.read(id).record().IsScript, false);
        QCOMPARE(dump(db, QStringLiteral("BookMarkWeb WHERE ID<=") + QString::number(highest)), delivered);

        const QList<SiteStore::Entry> list = sites.list();
        QCOMPARE(list.size(), highest + 2);
        QCOMPARE(list.last().id, id);
        QVERIFY(list.last().own);
        QVERIFY(std::none_of(list.cbegin(), list.cend() - 1, [](const SiteStore::Entry& e) { return e.own; }));
    }

    void deliveredRowsAreNeverWritten()
    {
        test::TempStore db({}, true);
        store::Connection connection;
        connection.open(db.path());
        SiteStore sites(connection);
        const QString before = dump(db, QStringLiteral("BookMarkWeb"));

        SiteDefinition delivered = sites.read(0);
        QVERIFY(!sites.isOwn(0));
        delivered.set(QStringLiteral("LoginUrl"), QStringLiteral("http://elsewhere.example/"));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, sites.save(delivered));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, sites.remove(0));
        // Also once the user has rows of their own.
        SiteDefinition own = awkward();
        sites.save(own);
        QVERIFY_THROWS_EXCEPTION(store::StoreError, sites.save(delivered));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, sites.remove(1));
        QCOMPARE(dump(db, QStringLiteral("BookMarkWeb WHERE ID<") + QString::number(own.id)), before);
    }

    void idsAreNeverUsedTwice()
    {
        // An account left behind by a site that is gone (ID 9) and delivered sites 0 to 4.
        test::TempStore db(QStringLiteral("INSERT INTO Accounts VALUES(9,'old','pw');"), true);
        store::Connection connection;
        connection.open(db.path());
        SiteStore sites(connection);
        SiteDefinition first = awkward();
        QCOMPARE(sites.save(first), 10);
        sites.remove(first.id);
        SiteDefinition second = awkward();
        QCOMPARE(sites.save(second), 11);
    }

    void removingASiteRemovesItsAccountsOnly()
    {
        test::TempStore db({}, true);
        store::Connection connection;
        connection.open(db.path());
        SiteStore sites(connection);
        SiteDefinition d = awkward();
        sites.save(d);
        db.exec(QStringLiteral("INSERT INTO Accounts VALUES(%1,'a','1'),(%1,'b','2'),(0,'a','3');").arg(d.id));
        QCOMPARE(sites.accountCount(d.id), 2);
        QCOMPARE(sites.accounts(d.id).size(), 2);
        QCOMPARE(sites.accounts(d.id).at(1).pwd, QStringLiteral("2"));
        sites.remove(d.id);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM BookMarkWeb WHERE ID=%1").arg(d.id)),
                 QStringLiteral("0"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(ID||Uid) FROM Accounts")), QStringLiteral("0a"));
        QVERIFY_THROWS_EXCEPTION(store::StoreError, sites.read(d.id));
    }

    void checksBeforeSaving_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("offending"); // "" when the definition may be saved

        QTest::newRow("as made") << QString() << QString() << QString();
        QTest::newRow("no name") << "WebName"
                                 << "  "
                                 << "WebName";
        QTest::newRow("name taken, blanks aside") << "WebName"
                                                  << " 其他网站 "
                                                  << "WebName";
        QTest::newRow("login not a web address") << "LoginUrl"
                                                 << "ftp://example.org/login"
                                                 << "LoginUrl";
        QTest::newRow("login without host") << "LoginUrl"
                                            << "http:///login"
                                            << "LoginUrl";
        QTest::newRow("login with a blank before") << "LoginUrl"
                                                   << " http://example.org/login"
                                                   << "LoginUrl";
        QTest::newRow("no user-id field") << "UidFieldName"
                                          << ""
                                          << "UidFieldId";
        QTest::newRow("no login button") << "LoginButtonValue"
                                         << ""
                                         << "LoginButtonName";
        QTest::newRow("no submit address: the next page") << "SubmitUrl"
                                                          << ""
                                                          << "";
        QTest::newRow("submit address with a bar and braces") << "SubmitUrl"
                                                            << "https://example.org/post?tags=a|b&t={x}"
                                                            << "";
        QTest::newRow("submit address with a blank inside") << "SubmitUrl"
                                                          << "https://example.org/post new"
                                                          << "SubmitUrl";
        QTest::newRow("submit address not one") << "SubmitUrl"
                                                << "example.org/post"
                                                << "SubmitUrl";
        QTest::newRow("no URL field") << "UrlFieldId"
                                      << ""
                                      << "UrlFieldId";
        QTest::newRow("no submit button") << "SubmitButtonId"
                                          << ""
                                          << "SubmitButtonId";
        QTest::newRow("no log-out address") << "LogoutUrl"
                                            << ""
                                            << "LogoutUrl";
    }
    void checksBeforeSaving()
    {
        QFETCH(QString, column);
        QFETCH(QString, value);
        QFETCH(QString, offending);
        SiteDefinition d = sites::fromTemplate(QStringLiteral("empty"));
        d.set(QStringLiteral("WebName"), QStringLiteral("我的网站"));
        d.set(QStringLiteral("LoginUrl"), QStringLiteral("https://example.org/login"));
        d.set(QStringLiteral("UidFieldName"), QStringLiteral("user"));
        d.set(QStringLiteral("PwdFieldId"), QStringLiteral("pw"));
        d.set(QStringLiteral("LoginButtonValue"), QStringLiteral("Login"));
        d.set(QStringLiteral("SubmitUrl"), QStringLiteral("https://example.org/post"));
        d.set(QStringLiteral("UrlFieldId"), QStringLiteral("url"));
        d.set(QStringLiteral("SubmitButtonId"), QStringLiteral("go"));
        d.set(QStringLiteral("LogoutUrl"), QStringLiteral("https://example.org/logout"));
        if (!column.isEmpty())
            d.set(column, value);
        const auto problem = sites::checkDefinition(d, {QStringLiteral("其他网站")});
        QCOMPARE(problem ? problem->column : QString(), offending);
        if (problem)
            QVERIFY(problem->message.endsWith(QStringLiteral("！")));
    }

    void scriptLoginAndSitesOfTheirOwnKind()
    {
        SiteDefinition d =
            sites::fromTemplate(QStringLiteral("shaarli"), QStringLiteral("http://127.0.0.1:8080/links"));
        QVERIFY(!sites::checkDefinition(d, {}));
        d.setFlag(QStringLiteral("IsScript"), true);
        d.set(QStringLiteral("LoginUrl"), QStringLiteral("location.href='/entry'"));
        QVERIFY(!sites::checkDefinition(d, {}));
        d.set(QStringLiteral("LoginUrl"), QStringLiteral(" "));
        QCOMPARE(sites::checkDefinition(d, {})->column, QStringLiteral("LoginUrl"));
        // 天极网摘 logs in through its form, without a button; 饭否 logs out by its page's link.
        SiteDefinition special = sites::fromTemplate(QStringLiteral("shaarli"), QStringLiteral("http://h"));
        special.set(QStringLiteral("LoginButtonValue"), {});
        special.set(QStringLiteral("LogoutUrl"), {});
        special.set(QStringLiteral("WebName"), QStringLiteral("天极网摘"));
        QCOMPARE(sites::checkDefinition(special, {})->column, QStringLiteral("LogoutUrl"));
        special.set(QStringLiteral("WebName"), QStringLiteral("饭否"));
        QCOMPARE(sites::checkDefinition(special, {})->column, QStringLiteral("LoginButtonName"));
        special.set(QStringLiteral("LoginButtonValue"), QStringLiteral("Login"));
        QVERIFY(!sites::checkDefinition(special, {}));
    }

    void instanceAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("address"); // "" when refused
        QTest::newRow("host only") << "links.example.org"
                                   << "http://links.example.org";
        QTest::newRow("trailing slashes") << " https://example.org/shaarli// "
                                          << "https://example.org/shaarli";
        QTest::newRow("port") << "127.0.0.1:8080"
                              << "http://127.0.0.1:8080";
        QTest::newRow("other scheme") << "ftp://example.org"
                                      << "";
        QTest::newRow("query") << "http://example.org/?do=login"
                               << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void instanceAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, address);
        QCOMPARE(sites::instanceAddress(typed).value_or(QString()), address);
    }
};

QTEST_GUILESS_MAIN(TestSiteStore)
#include "tst_sitestore.moc"
