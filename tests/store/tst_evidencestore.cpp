// The failure evidence store: a run's files named by site, account, bookmark and step, found again by
// log line and by bookmark, hostile names kept inside their folder, the newest runs kept and no more.
#include "evidence/evidencestore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tvx;
using evidence::Evidence;
using evidence::EvidenceStore;

namespace {
Evidence failure(const QDateTime& start, int account, int bookmark, const QString& site = QStringLiteral("演示站点"))
{
    Evidence e;
    e.runStart = start;
    e.account = account;
    e.site = site;
    e.uid = QStringLiteral("user%1").arg(account);
    e.bookmark = bookmark;
    e.stage = 3;
    e.failure = QStringLiteral("timeout");
    e.captured = start.addSecs(5);
    return e;
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QDateTime kStart(QDate(2026, 3, 4), QTime(9, 30, 0, 123));
} // namespace

class TestEvidenceStore : public QObject {
    Q_OBJECT
private slots:
    void keptAndFoundAgain()
    {
        QTemporaryDir dir;
        EvidenceStore store(dir.path());
        QVERIFY(store.runs().isEmpty());
        const Evidence a = store.add(failure(kStart, 1, 2), "PNG-1", "<html>一</html>");
        const Evidence b = store.add(failure(kStart, 2, 1), "PNG-2", "<html>二</html>");
        QCOMPARE(read(a.png), QByteArray("PNG-1"));
        QCOMPARE(read(b.html), QByteArray("<html>二</html>"));
        QCOMPARE(QFileInfo(a.png).absolutePath(), QDir(store.runFolder(kStart)).absolutePath());
        for (const QString& piece : {QStringLiteral("演示站点"), QStringLiteral("user1"), QStringLiteral("第2个网址"),
                                     QStringLiteral("提交页")})
            QVERIFY2(QFileInfo(a.png).fileName().contains(piece), qPrintable(a.png));
        QCOMPARE(store.runs(), QList<QDateTime>{kStart});

        QCOMPARE(store.forBookmark(kStart, 1, 2).size(), 1);
        QCOMPARE(store.forBookmark(kStart, 1, 2).first().png, a.png);
        QVERIFY(store.forBookmark(kStart, 1, 1).isEmpty());
        QVERIFY(store.atLogLine(kStart, 7).isEmpty());
        store.setLogLine(kStart, 2, 1, 7);
        const QList<Evidence> line = store.atLogLine(kStart, 7);
        QCOMPARE(line.size(), 1);
        QCOMPARE(line.first().uid, QStringLiteral("user2"));
        QCOMPARE(line.first().captured, kStart.addSecs(5));
        // A line once given stays: a later error line of the same bookmark does not take it.
        store.setLogLine(kStart, 2, 1, 9);
        QCOMPARE(store.atLogLine(kStart, 7).size(), 1);
        QVERIFY(store.atLogLine(kStart, 9).isEmpty());
    }

    void hostileNamesStayInTheRunsFolder()
    {
        QTemporaryDir dir;
        EvidenceStore store(dir.path());
        Evidence e = failure(kStart, 1, 1, QStringLiteral("../../etc/passwd\n*?\"<>|"));
        e.uid = QStringLiteral("..");
        const Evidence kept = store.add(e, "P", "H");
        QVERIFY(!kept.png.isEmpty());
        QCOMPARE(QFileInfo(kept.png).absolutePath(), QDir(store.runFolder(kStart)).absolutePath());
        QCOMPARE(store.entries(kStart).first().site, e.site);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{EvidenceStore::folderName(kStart)});

        // Long Chinese names (three bytes a character), a character outside the basic plane and a "%1"
        // still make a file, named for its bookmark and step.
        Evidence chinese = failure(kStart, 2, 3, QStringLiteral("很长的网站名称").repeated(8));
        chinese.uid = QStringLiteral("用户%1名😀") + QStringLiteral("很长的帐号").repeated(10);
        const Evidence long_ = store.add(chinese, "P", "H");
        QCOMPARE(read(long_.png), QByteArray("P"));
        QCOMPARE(read(long_.html), QByteArray("H"));
        const QString name = QFileInfo(long_.png).fileName();
        QVERIFY2(name.contains(QStringLiteral("很长的网站名称")) && name.contains(QStringLiteral("用户%1名")) &&
                     name.contains(QStringLiteral("_第3个网址_提交页_")),
                 qPrintable(name));
    }

    void onlyTheNewestRunsAreKept()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("notes")));
        EvidenceStore store(dir.path(), 3);
        QList<QDateTime> starts;
        for (int i = 0; i < 5; ++i) {
            starts.append(kStart.addSecs(60 * i));
            store.add(failure(starts.last(), 1, 1), "P", "H");
        }
        QCOMPARE(store.runs(), starts.mid(2));
        QVERIFY(QFileInfo::exists(dir.path() + QStringLiteral("/notes")));
        // A size cap lets old runs go too, never the one being written.
        EvidenceStore small(dir.path(), 10, 3000);
        small.add(failure(kStart.addSecs(600), 1, 1), QByteArray(2500, 'x'), "H");
        QCOMPARE(small.runs(), QList<QDateTime>{kStart.addSecs(600)});
    }

    void aFolderThatCannotBeWrittenLosesNothingButTheEvidence()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        EvidenceStore store(blocker.fileName() + QStringLiteral("/evidence"));
        const Evidence e = store.add(failure(kStart, 1, 1), "P", "H");
        QVERIFY(e.png.isEmpty() && e.html.isEmpty());
        QVERIFY(store.runs().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEvidenceStore)
#include "tst_evidencestore.moc"
