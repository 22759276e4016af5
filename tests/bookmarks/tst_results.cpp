// The results of runs: kept per account and bookmark in the store (the newest runs only), shown as a
// table with a mark per state, exported to CSV, and "只保留失败的" on the URL list.
#include "controls/button/command.h"
#include "evidence/evidencestore.h"
#include "platform/filechooser.h"
#include "store/connection.h"
#include "store/resulttables.h"
#include "support/messagerecorder.h"
#include "support/showntext.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/main/urllistmodel.h"
#include "ui/results/resultsmodel.h"
#include "ui/results/resultsrecorder.h"
#include "ui/results/resultswindow.h"
#include "ui/results/resultwriter.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace tvx;
using namespace tvx::store::results;
using test::child;

namespace {
const QDateTime kStart(QDate(2026, 3, 4), QTime(9, 30, 0));

QList<RunBookmark> threeBookmarks()
{
    return {{1, QStringLiteral("http://a.example.com/"), QStringLiteral("甲")},
            {2, QStringLiteral("http://b.example.com/"), QStringLiteral("乙")},
            {5, QStringLiteral("http://c.example.com/"), QStringLiteral("丙")}};
}

// A run over a good site and a failing one: every bookmark went through at the first; at the second
// the first bookmark timed out waiting for its result, the second found no button, the third was
// never reached.
qint64 recordRun(store::Connection& c)
{
    const qint64 run = beginRun(c, kStart, threeBookmarks());
    record(c, run, {{0, {QStringLiteral("好站点"), QStringLiteral("zhang")}}},
           {{0, 0, Outcome::Submitted, 4, kStart.addSecs(1)}, {0, 1, Outcome::Submitted, 4, kStart.addSecs(2)}});
    record(c, run, {{1, {QStringLiteral("坏站点"), QStringLiteral("li")}}},
           {{0, 2, Outcome::Submitted, 4, kStart.addSecs(3)},
            {1, 0, Outcome::TimedOut, 4, kStart.addSecs(40)},
            {1, 1, Outcome::NoButton, 3, kStart.addSecs(41)}});
    finishRun(c, run, kStart.addSecs(60), false);
    return run;
}

struct Chooser {
    QString path;
    Chooser(QString p)
        : path(std::move(p))
    {
        ui::FileChooser::setAnswerer([this](const ui::FileChooser::Request&) {
            return ui::FileChooser::Choice{path, {}};
        });
    }
    ~Chooser() { ui::FileChooser::setAnswerer({}); }
};
} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void keptPerAccountAndBookmarkNewestRunsOnly()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        QCOMPARE(runs(c).size(), 0); // a store without the tables has no runs
        const qint64 run = recordRun(c);
        // A cell recorded again takes the newer value.
        record(c, run, {}, {{1, 1, Outcome::SiteSkipped, 0, kStart.addSecs(50)}});
        const RunResults r = load(c, run);
        QCOMPARE(r.bookmarks, threeBookmarks());
        QCOMPARE(r.accounts.size(), 2);
        QCOMPARE(r.accounts.at(1), (RunAccount{QStringLiteral("坏站点"), QStringLiteral("li")}));
        QCOMPARE(r.cells.size(), 5);
        QCOMPARE(r.cells.at(4), (Cell{1, 1, Outcome::SiteSkipped, 0, kStart.addSecs(50)}));
        QCOMPARE(r.run.submitted, 3);
        QCOMPARE(r.run.failed, 2);
        QCOMPARE(r.run.finished, kStart.addSecs(60));
        QVERIFY(!r.run.aborted);

        // Fifty runs are kept: the oldest go as new ones begin, with all that belongs to them.
        for (int i = 0; i < 51; ++i)
            beginRun(c, kStart.addDays(1), threeBookmarks());
        const QList<RunSummary> kept = runs(c);
        QCOMPARE(kept.size(), kRunsKept);
        QCOMPARE(kept.first().id, run + 51);
        QCOMPARE(kept.last().id, run + 2);
        QCOMPARE(file.scalar(QStringLiteral("SELECT COUNT(*) FROM RunResults")), QStringLiteral("0"));
        QCOMPARE(file.scalar(QStringLiteral("SELECT COUNT(*) FROM RunBookmarks")), QString::number(3 * kRunsKept));
    }

    void aFailedCellFindsItsEvidence()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        const QDateTime start(QDate(2026, 3, 4), QTime(9, 30, 0, 123)); // to the millisecond
        const qint64 run = beginRun(c, start, threeBookmarks());
        QTemporaryDir root;
        evidence::EvidenceStore evidence(root.path());
        evidence::Evidence e;
        e.runStart = start;
        e.account = 2; // the run's second account, first bookmark
        e.bookmark = 1;
        e.stage = 4;
        e.failure = QStringLiteral("timeout");
        const evidence::Evidence kept = evidence.add(e, QByteArrayLiteral("\x89PNG"), QByteArrayLiteral("<html>"));
        const RunResults r = load(c, run);
        QCOMPARE(r.run.started, start);
        QCOMPARE(ui::evidenceFor(evidence, r, 1, 0), kept.png);
        QCOMPARE(ui::evidenceFor(evidence, r, 0, 0), QString());
        QCOMPARE(ui::evidenceFor(evidence, r, 1, 1), QString());
        // Without its picture, the page's HTML.
        QFile::remove(kept.png);
        QCOMPARE(ui::evidenceFor(evidence, r, 1, 0), kept.html);
    }

    void writtenAsTheRunGoesAndReportedOnceWhenTheStoreRefuses()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        QStringList reports;
        ui::ResultWriter writer(c, [&](const QString& d) { reports.append(d); });
        writer.beginRun(kStart, threeBookmarks());
        QVERIFY(writer.run() > 0);
        writer.account(0, {QStringLiteral("站点"), QStringLiteral("u")});
        writer.cell({0, 0, Outcome::Submitted, 4, kStart});
        writer.cell({0, 1, Outcome::TimedOut, 2, kStart});
        // Gathered, then written together a moment later.
        QCOMPARE(load(c, writer.run()).cells.size(), 0);
        QTRY_COMPARE(load(c, writer.run()).cells.size(), 2);
        writer.cell({0, 2, Outcome::SiteSkipped, 0, kStart});
        const qint64 run = writer.run();
        writer.finishRun(kStart.addSecs(9), true);
        const RunResults r = load(c, run);
        QCOMPARE(r.cells.size(), 3);
        QVERIFY(r.run.aborted);
        QCOMPARE(r.accounts.first().siteName, QStringLiteral("站点"));

        // Made read-only: one report, whatever the run still records; the run itself goes on.
        test::ReadOnlyFile readOnly(file.path());
        QVERIFY(readOnly.ok());
        writer.beginRun(kStart.addSecs(60), threeBookmarks());
        for (int i = 0; i < 3; ++i)
            writer.cell({0, i, Outcome::Submitted, 4, kStart});
        writer.finishRun(kStart.addSecs(70), false);
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.first().contains(QStringLiteral("只读")));
    }

    // A run over three accounts stopped at the first: the two it never came to still have their
    // columns, unreached, and the run counts three accounts.
    void anAbortedRunKeepsTheAccountsItNeverCameTo()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        ui::ResultWriter writer(c, [](const QString&) {});
        ui::UrlListModel list;
        list.append({QStringLiteral("http://a.example.com/"), QStringLiteral("甲"), {}, {}});
        ui::ResultsRecorder recorder(writer, list);
        recorder.runStarted(kStart, 3, 1);
        recorder.accountStarted(1, QStringLiteral("好站点"), QStringLiteral("zhang"));
        recorder.runEnded(true);
        ui::ResultsModel m;
        m.setResults(load(c, writer.lastRun()));
        QCOMPARE(m.results().run.accounts, 3);
        QCOMPARE(m.columnCount(), ui::ResultsModel::FirstAccount + 3);
        QCOMPARE(m.headerData(ui::ResultsModel::FirstAccount, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("好站点 / zhang"));
    }

    // Tab passes the table by (the arrows walk its cells), however many cells it has.
    void tabPassesTheTableBy()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        recordRun(c);
        ui::ResultsWindow w(c, {[](const QStringList&) { return qMakePair(0, 0); }, {}, {}});
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        child<QWidget>(w, "runChoice")->setFocus(Qt::TabFocusReason);
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"resultTable", "exportButton", "keepFailedButton", "closeButton", "runChoice"}));
    }

    // At its default size every text of the table is whole; an address too long for its column keeps
    // its end, where addresses differ.
    void textsFitAndAddressesStayApart()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        recordRun(c);
        const QString longStart = QStringLiteral("http://bookmarks.invalid/tvx-sites/a-rather-long-folder/of-pages/");
        const qint64 second = beginRun(c, kStart.addSecs(3600),
                                       {{1, longStart + QStringLiteral("first.html"), QStringLiteral("甲")},
                                        {2, longStart + QStringLiteral("second.html"), QStringLiteral("乙")}});
        finishRun(c, second, kStart.addSecs(3700), false);
        ui::ResultsWindow w(c, {});
        w.show();
        w.showRun(second - 1);
        auto* table = child<QTableView>(w, "resultTable");
        const ui::ResultsModel* m = w.model();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int col = 0; col < m->columnCount(); ++col) {
                const QModelIndex cell = m->index(r, col);
                QVERIFY2(table->visualRect(cell).width() >= table->sizeHintForIndex(cell).width(),
                         qPrintable(cell.data().toString()));
            }
        w.showRun(second);
        const int width = table->visualRect(m->index(0, ui::ResultsModel::Url)).width() - 8;
        const QString first = table->fontMetrics().elidedText(m->index(0, ui::ResultsModel::Url).data().toString(),
                                                              table->textElideMode(), width);
        const QString next = table->fontMetrics().elidedText(m->index(1, ui::ResultsModel::Url).data().toString(),
                                                             table->textElideMode(), width);
        QVERIFY2(first != next, qPrintable(first));
    }

    void aRefusedCellNamesTheSiteAnswer()
    {
        // Results kept before the site's answer was recorded: the next run adds the column, and the old
        // cells still load.
        test::TempStore file(QStringLiteral(
            "CREATE TABLE Runs (RunId INTEGER NOT NULL PRIMARY KEY, Started TEXT NOT NULL, Finished TEXT, "
            "Aborted INTEGER NOT NULL DEFAULT 0);"
            "CREATE TABLE RunAccounts (RunId INTEGER NOT NULL, AccountNo INTEGER NOT NULL, WebName TEXT, Uid TEXT, "
            "PRIMARY KEY (RunId, AccountNo));"
            "CREATE TABLE RunBookmarks (RunId INTEGER NOT NULL, Position INTEGER NOT NULL, Number INTEGER, Url TEXT, "
            "Title TEXT, PRIMARY KEY (RunId, Position));"
            "CREATE TABLE RunResults (RunId INTEGER NOT NULL, AccountNo INTEGER NOT NULL, Position INTEGER NOT NULL, "
            "Outcome INTEGER NOT NULL, Stage INTEGER, At TEXT, PRIMARY KEY (RunId, AccountNo, Position));"
            "INSERT INTO Runs VALUES(1,'2026-03-04T09:00:00.000',NULL,0);"
            "INSERT INTO RunBookmarks VALUES(1,0,1,'http://a.example.com/','甲');"
            "INSERT INTO RunResults VALUES(1,0,0,3,4,'2026-03-04T09:00:30.000');"));
        store::Connection c;
        c.open(file.path());
        QCOMPARE(load(c, 1).cells.size(), 1);
        ui::ResultWriter writer(c, [](const QString& d) { QFAIL(qPrintable(d)); });
        writer.beginRun(kStart, threeBookmarks());
        const qint64 run = writer.run();
        ui::UrlListModel list;
        ui::ResultsRecorder recorder(writer, list);
        using Told = engine::RunRecorder::Outcome;
        recorder.accountStarted(1, QStringLiteral("站点"), QStringLiteral("zhang"));
        recorder.siteAnswered(1, 1, QStringLiteral("网站拒绝（HTTP 500）"));
        recorder.bookmarkOutcome(1, 1, Told::Refused, 4);
        recorder.siteAnswered(1, 2, QStringLiteral("没有应答（连接被拒绝）"));
        recorder.bookmarkOutcome(1, 2, Told::Refused, 1);
        recorder.bookmarkOutcome(1, 3, Told::TimedOut, 2);
        writer.finishRun(kStart.addSecs(60), false);
        const RunResults r = load(c, run);
        QCOMPARE(r.cells.size(), 3);
        QCOMPARE(r.cells.at(0).answer, QStringLiteral("网站拒绝（HTTP 500）"));
        QCOMPARE(r.run.failed, 3);
        QCOMPARE(r.cells.at(2).answer, QString()); // a time-out has no answer

        ui::ResultsModel m;
        m.setResults(r);
        const auto text = [&](int row) {
            return m.index(row, ui::ResultsModel::FirstAccount).data().toString();
        };
        QVERIFY2(text(0).startsWith(QStringLiteral("⛔ 网站拒绝（HTTP 500） ")), qPrintable(text(0)));
        QVERIFY2(text(1).startsWith(QStringLiteral("⛔ 没有应答（连接被拒绝）（登录页） ")), qPrintable(text(1)));
        const QStringList lines = QString::fromUtf8(m.toCsv().mid(3)).split(QStringLiteral("\r\n"));
        QVERIFY2(lines.at(1).endsWith(QStringLiteral(",网站拒绝（HTTP 500） ") +
                                      r.cells.at(0).at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                 qPrintable(lines.at(1)));
        // A refused cell is no submission: "keep only the failed" keeps its address.
        QVERIFY(m.submittedSomewhere().isEmpty());

        // A login the site answered with its login form again says so, and nothing more.
        writer.beginRun(kStart.addSecs(120), threeBookmarks());
        const qint64 refused = writer.run();
        recorder.accountStarted(1, QStringLiteral("站点"), QStringLiteral("li"));
        recorder.siteAnswered(1, 1, QStringLiteral("登录被拒绝"));
        recorder.bookmarkOutcome(1, 1, Told::Refused, 2);
        writer.finishRun(kStart.addSecs(180), false);
        m.setResults(load(c, refused));
        QVERIFY2(text(0).startsWith(QStringLiteral("⛔ 登录被拒绝 ")), qPrintable(text(0)));
        QVERIFY2(QString::fromUtf8(m.toCsv()).contains(QStringLiteral(",登录被拒绝 ")), qPrintable(QString::fromUtf8(m.toCsv())));
    }

    void theTableMarksEveryStateAndExports()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        const qint64 first = recordRun(c);
        const qint64 second = beginRun(c, kStart.addSecs(3600), threeBookmarks());
        finishRun(c, second, kStart.addSecs(3700), true);

        test::MessageRecorder boxes;
        QStringList opened;
        QStringList removed;
        ui::ResultsWindow::Actions actions;
        actions.removeFromList = [&](const QStringList& urls) {
            removed = urls;
            return qMakePair(int(urls.size()), 7);
        };
        actions.findEvidence = [](const RunResults&, int account, int bookmark) {
            return account == 1 && bookmark == 0 ? QStringLiteral("/evidence/0") : QString();
        };
        actions.open = [&](const QString& path) {
            opened.append(path);
            return true;
        };
        ui::ResultsWindow w(c, actions);
        auto* runsBox = child<QComboBox>(w, "runChoice");
        QCOMPARE(runsBox->count(), 2);
        QVERIFY(runsBox->itemText(0).contains(QStringLiteral("（已中止）")));
        QVERIFY(runsBox->itemText(1).startsWith(QStringLiteral("2026-03-04 09:30:00")));
        QVERIFY(runsBox->itemText(1).contains(QStringLiteral("2 个帐号 × 3 个网址　已提交 3，失败 2")));
        QCOMPARE(w.model()->rowCount(), 3); // the newest run: nothing recorded, all unreached
        QCOMPARE(w.model()->index(0, ui::ResultsModel::FirstAccount).data().toString(), QString());
        w.showRun(first);

        const ui::ResultsModel* m = w.model();
        QCOMPARE(m->columnCount(), 5);
        QCOMPARE(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("好站点 / zhang"));
        const auto text = [&](int row, int account) {
            return m->index(row, ui::ResultsModel::FirstAccount + account).data().toString();
        };
        const auto background = [&](int row, int account) {
            return m->index(row, ui::ResultsModel::FirstAccount + account).data(Qt::BackgroundRole);
        };
        QCOMPARE(text(0, 0), QStringLiteral("✔ 已提交 09:30:01"));
        QCOMPARE(text(0, 1), QStringLiteral("◷ 超时（提交） 09:30:40"));
        QCOMPARE(text(1, 1), QStringLiteral("✘ 没有找到提交按钮 09:30:41"));
        QCOMPARE(text(2, 1), QStringLiteral("· 未执行"));
        // Each state its own colour; an unreached cell none.
        QSet<QRgb> colours;
        for (auto [row, account] : {std::pair{0, 0}, {0, 1}, {1, 1}})
            colours.insert(background(row, account).value<QBrush>().color().rgb());
        QCOMPARE(colours.size(), 3);
        QVERIFY(!background(2, 1).isValid());

        // The cell with evidence opens it; a submitted one has none to open.
        auto* table = child<QTableView>(w, "resultTable");
        emit table->activated(m->index(0, ui::ResultsModel::FirstAccount + 1));
        emit table->activated(m->index(0, ui::ResultsModel::FirstAccount));
        QCOMPARE(opened, QStringList{"/evidence/0"});
        QVERIFY(m->index(0, ui::ResultsModel::FirstAccount + 1)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("双击查看")));

        // Export to CSV: a spreadsheet's row per bookmark, a column per account.
        QTemporaryDir dir;
        {
            Chooser chooser(dir.filePath(QStringLiteral("results")));
            child<controls::Command>(w, "exportButton")->click();
        }
        QFile csv(dir.filePath(QStringLiteral("results.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(0), QStringLiteral("#,网址,标题,好站点 / zhang,坏站点 / li"));
        QCOMPARE(
            lines.at(1),
            QStringLiteral("1,http://a.example.com/,甲,已提交 2026-03-04 09:30:01,超时（提交） 2026-03-04 09:30:40"));
        QCOMPARE(lines.at(3), QStringLiteral("5,http://c.example.com/,丙,已提交 2026-03-04 09:30:03,未执行"));

        // Keep only the failed: every address submitted somewhere leaves the list, after a question.
        boxes.clear();
        boxes.answerNext(false);
        child<controls::Command>(w, "keepFailedButton")->click();
        QVERIFY(removed.isEmpty());
        boxes.answerNext(true);
        child<controls::Command>(w, "keepFailedButton")->click();
        QCOMPARE(removed, QStringList({"http://a.example.com/", "http://b.example.com/", "http://c.example.com/"}));
        QCOMPARE(boxes.last().text, QStringLiteral("已从网址列表中移除 3 个网址，还剩 7 个。"));

        // A run with nothing submitted leaves the list as it is.
        removed.clear();
        w.showRun(second);
        child<controls::Command>(w, "keepFailedButton")->click();
        QVERIFY(removed.isEmpty());
        QVERIFY(boxes.last().text.contains(QStringLiteral("网址列表保持不变")));
    }

    void textFromPagesShowsAsTextAndExportsAsText()
    {
        test::TempStore file;
        store::Connection c;
        c.open(file.path());
        const QString markup = test::markupLikeText();
        const QString formula = QStringLiteral("=HYPERLINK(\"http://evil.example/\",\"点我\")");
        const qint64 run = beginRun(c, kStart,
                                    {{1, QStringLiteral("http://a.example.com/"), markup},
                                     {2, QStringLiteral("http://b.example.com/"), formula}});
        record(c, run, {{0, {QStringLiteral("站点"), markup}}},
               {{0, 0, Outcome::Submitted, 4, kStart.addSecs(1)}, {0, 1, Outcome::NoButton, 3, kStart.addSecs(2)}});
        finishRun(c, run, kStart.addSecs(9), false);
        test::MessageRecorder boxes;
        ui::ResultsWindow w(c, {});
        w.showRun(run);
        const ui::ResultsModel* m = w.model();
        QCOMPARE(test::shownText(m->index(0, ui::ResultsModel::Title).data(Qt::ToolTipRole).toString()), markup);
        QCOMPARE(m->index(0, ui::ResultsModel::Title).data().toString(), markup);
        QCOMPARE(
            test::shownText(m->headerData(ui::ResultsModel::FirstAccount, Qt::Horizontal, Qt::ToolTipRole).toString()),
            QStringLiteral("站点 / ") + markup);
        QVERIFY(test::shownText(m->index(0, ui::ResultsModel::FirstAccount).data(Qt::ToolTipRole).toString())
                    .startsWith(QStringLiteral("站点 / ") + markup + QStringLiteral("\nhttp://a.example.com/\n")));

        QTemporaryDir dir;
        {
            Chooser chooser(dir.filePath(QStringLiteral("results")));
            child<controls::Command>(w, "exportButton")->click();
        }
        QFile csv(dir.filePath(QStringLiteral("results.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll().mid(3)).split(QStringLiteral("\r\n"));
        // The formula a title could carry is text to a spreadsheet: an apostrophe, and quoted.
        QCOMPARE(lines.at(2), QStringLiteral("2,http://b.example.com/,\"'=HYPERLINK(\"\"http://evil.example/"
                                             "\"\",\"\"点我\"\")\",没有找到提交按钮 2026-03-04 09:30:02"));
    }
};

QTEST_MAIN(TestResults)
#include "tst_results.moc"
