// The URL list kept in the store: every change written when it happens, the list restored in its
// order with its numbers and keys, and a store that cannot be written reported once.
#include "store/connection.h"
#include "store/urllisttable.h"
#include "support/tempstore.h"
#include "ui/main/urllistkeeper.h"
#include "ui/main/urllistmodel.h"

#include <QTest>

using namespace tvx;
using tvx::Bookmark;

namespace {
Bookmark mark(int i)
{
    return {QStringLiteral("http://k%1.example.com/").arg(i), QStringLiteral("标题 %1 'q'").arg(i),
            QStringLiteral("新闻 t%1").arg(i), QStringLiteral("摘要\n%1").arg(i)};
}

// The program's side: a model kept in a store file.
struct Kept {
    store::Connection connection;
    ui::UrlListModel model;
    QStringList reports;
    ui::UrlListKeeper keeper{model, connection, [this](const QString& d) {
                                 reports.append(d);
                             }};

    explicit Kept(const QString& path)
    {
        connection.open(path);
        keeper.restore();
    }
    QList<ui::UrlListModel::Row> rows() const
    {
        QList<ui::UrlListModel::Row> out;
        for (int i = 0; i < model.rowCount(); ++i)
            out.append(model.rowAt(i));
        return out;
    }
};

QStringList describe(const QList<ui::UrlListModel::Row>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out.append(QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(r.number)
                       .arg(r.key, r.bookmark.url, r.bookmark.title, r.bookmark.tags, r.bookmark.summary));
    return out;
}
} // namespace

class TestKeptList : public QObject {
    Q_OBJECT
private slots:
    void everyChangeIsKeptInOrderWithNumbers()
    {
        test::TempStore file; // the delivered tables only: the list's table comes at first start
        QStringList expected;
        {
            Kept k(file.path());
            QVERIFY(file.scalar(QStringLiteral("SELECT COUNT(*) FROM UrlList")) == QStringLiteral("0"));
            for (int i = 1; i <= 3; ++i)
                k.model.append(mark(i));
            k.model.removeAt(0);
            k.model.append(mark(4));                // numbered 3 again, with a key of its own
            k.model.appendMany({mark(5), mark(6)}); // numbered 4 and 5
            k.model.removePositions({1, 3});
            QCOMPARE(k.rows().size(), 3);
            expected = describe(k.rows());
            QCOMPARE(expected.size(), 3);
            QVERIFY(expected.at(0).startsWith(QStringLiteral("2|K2|http://k2")));
            QVERIFY(expected.at(1).startsWith(QStringLiteral("3|K3_1|http://k4")));
            QVERIFY(expected.at(2).startsWith(QStringLiteral("5|K5|http://k6")));
            QVERIFY(k.reports.isEmpty());
        }
        {
            Kept k(file.path());
            QCOMPARE(describe(k.rows()), expected);
            k.model.append(mark(7));
            QCOMPARE(k.model.rowAt(3).number, 4);
            QVERIFY(k.model.rowAt(3).key != k.model.rowAt(1).key);
            expected = describe(k.rows());
        }
        {
            Kept k(file.path());
            QCOMPARE(describe(k.rows()), expected);
            k.model.clear();
        }
        QCOMPARE(Kept(file.path()).rows().size(), 0);
        // The program's own tables are as they were.
        QCOMPARE(file.scalar(QStringLiteral("SELECT COUNT(*) FROM Config")), QStringLiteral("1"));
    }

    void aStoreThatCannotBeWrittenIsReportedOnce()
    {
        test::TempStore file;
        Kept k(file.path());
        k.model.append(mark(1));
        // Made read-only while the program has it open.
        auto readOnly = std::make_unique<test::ReadOnlyFile>(file.path());
        QVERIFY(readOnly->ok());
        k.model.append(mark(2));
        k.model.append(mark(3));
        k.model.removeAt(0);
        QCOMPARE(k.reports.size(), 1);
        QVERIFY2(k.reports.first().contains(QStringLiteral("只读")), qPrintable(k.reports.first()));
        QVERIFY(!k.keeper.inStep());

        // Writable again: the next change writes the whole list, and it is all there.
        readOnly.reset();
        k.model.append(mark(4));
        QVERIFY(k.keeper.inStep());
        QCOMPARE(k.reports.size(), 1);
        QCOMPARE(describe(Kept(file.path()).rows()), describe(k.rows()));
    }

    void aReadOnlyStoreWithoutTheTable()
    {
        test::TempStore file;
        test::ReadOnlyFile readOnly(file.path());
        QVERIFY(readOnly.ok());
        Kept k(file.path());
        QVERIFY(k.reports.isEmpty()); // nothing to say until something is to be kept
        QCOMPARE(k.rows().size(), 0);
        for (int i = 0; i < 3; ++i)
            k.model.append(mark(i));
        QCOMPARE(k.reports.size(), 1);
        QCOMPARE(k.model.rowCount(), 3);
    }

    void aClosedStoreKeepsNothingAndSaysNothing()
    {
        store::Connection closed;
        ui::UrlListModel model;
        int reports = 0;
        ui::UrlListKeeper keeper(model, closed, [&](const QString&) { ++reports; });
        keeper.restore();
        model.append(mark(1));
        QCOMPARE(reports, 0);
        QCOMPARE(model.rowCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestKeptList)
#include "tst_keptlist.moc"
