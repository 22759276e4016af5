// The delivered store: its site rows match the demonstration site, and the build's tool makes it
// without ever replacing a store that holds the user's accounts.
#include "core/webhosts.h"
#include "demosite.h"
#include "sites/sitestore.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/tempstore.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace tvx;

namespace {
int mkcfg(const QString& target)
{
    const QString data = QStringLiteral(TVX_DATA_DIR);
    return QProcess::execute(QStringLiteral(TVX_MKCFG), {target, data + QStringLiteral("/schema.sql"),
                                                         data + QStringLiteral("/config.sql"),
                                                         data + QStringLiteral("/sites.sql")});
}
} // namespace

class TestDelivered : public QObject {
    Q_OBJECT
private slots:
    void siteRowsMatchTheDemonstrationSite()
    {
        const std::string base = "http://127.0.0.1:" + std::to_string(kDemoSitePort);
        QCOMPARE(test::dataFile(QStringLiteral("sites.sql")), QString::fromStdString(demosite::deliveredSitesSql(base)));
    }

    void theBuiltStore()
    {
        const QString path = QStringLiteral(TVX_RUNTIME_DIR "/tvx.cfg");
        QVERIFY(QFile::exists(path));
        store::Connection c;
        c.open(path);
        store::checkSchema(c);
        QCOMPARE(store::loadTimeout(c), qint16(30));
        store::Recordset sites;
        sites.open(c, {QStringLiteral("SELECT ID,WebName FROM BookMarkWeb ORDER BY ID"), {}});
        QVERIFY(sites.recordCount() >= 1);
        for (qint64 id = 0; !sites.eof(); sites.moveNext(), ++id)
            QCOMPARE(sites.value(QStringLiteral("ID")).toLongLong(), id); // 0, 1, 2, ... without gaps
    }

    void makingNeverReplacesAccounts()
    {
        QTemporaryDir dir;
        const QString target = dir.path() + QStringLiteral("/tvx.cfg");
        QCOMPARE(mkcfg(target), 0);
        QCOMPARE(QFile::permissions(target) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
        store::Connection c;
        c.open(target);
        QCOMPARE(store::loadTimeout(c), qint16(30));

        // Without accounts the file is made anew (a changed setting goes back to the delivered one).
        c.execute({QStringLiteral("UPDATE Config SET Timeout=5"), {}});
        QCOMPARE(mkcfg(target), 0);
        store::Connection again;
        again.open(target);
        QCOMPARE(store::loadTimeout(again), qint16(30));

        // With an account it is left exactly as it is.
        again.execute({QStringLiteral("INSERT INTO Accounts(ID,Uid,Pwd) VALUES(0,'me','pw')"), {}});
        again.execute({QStringLiteral("UPDATE Config SET Timeout=7"), {}});
        QCOMPARE(mkcfg(target), 0);
        store::Connection kept;
        kept.open(target);
        QCOMPARE(store::loadTimeout(kept), qint16(7));

        // So is a file with a site the user set up, without accounts.
        const QString own = dir.path() + QStringLiteral("/own.cfg");
        QCOMPARE(mkcfg(own), 0);
        {
            store::Connection c2;
            c2.open(own);
            sites::SiteStore sites(c2);
            sites::SiteDefinition d = sites.read(0);
            d.id = -1;
            d.set(QStringLiteral("WebName"), QStringLiteral("我的网站"));
            sites.save(d);
        }
        QCOMPARE(mkcfg(own), 0);
        store::Connection ownKept;
        ownKept.open(own);
        QVERIFY(sites::SiteStore(ownKept).list().last().own);

        // A file that is not a store is left alone too (it may hold accounts worth saving).
        const QString other = dir.path() + QStringLiteral("/other.cfg");
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database, but maybe the user's");
        f.close();
        QCOMPARE(mkcfg(other), 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not a database, but maybe the user's"));
    }
};

QTEST_GUILESS_MAIN(TestDelivered)
#include "tst_delivered.moc"
