// The results of a real run in Qt WebEngine through the demonstration site: a good site, one whose
// submit page has nothing to press and one that cannot be reached, two bookmarks each. The results
// window opens by itself when the run has ended, shows what became of every bookmark, and leaves the
// main window usable.
#include "controls/button/command.h"
#include "demosite.h"
#include "engine/submissionengine.h"
#include "store/programstore.h"
#include "store/resulttables.h"
#include "support/eventwait.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"
#include "ui/results/resultswindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace tvx;
using store::results::Outcome;

namespace {
QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

QString sites(const demosite::DemoSite& site)
{
    return q(demosite::siteRowSql(0, "byid", site.base())) + q(demosite::siteRowSql(1, "byid", site.base())) +
           QStringLiteral("UPDATE BookMarkWeb SET WebName='无按钮站点', SubmitButtonId='no-such-button' WHERE ID=1;") +
           q(demosite::siteRowSql(2, "byid", site.base())) +
           QStringLiteral(
               "UPDATE BookMarkWeb SET WebName='连不上的站点', LoginUrl='http://127.0.0.1:9/login' WHERE ID=2;") +
           QStringLiteral("INSERT INTO Accounts VALUES(0,'good','pw');INSERT INTO Accounts VALUES(1,'nobutton','pw');"
                          "INSERT INTO Accounts VALUES(2,'refused','pw');");
}
} // namespace

class TestResultsRun : public QObject {
    Q_OBJECT
private slots:
    void retryFailedSubmitsOnlyWhatFailed()
    {
        demosite::DemoSite site;
        site.start();
        test::TempStore db(sites(site));
        test::MessageRecorder boxes;
        store::ProgramStore store;
        ui::MainWindow w(store, {db.path(), QString(), WebHosts{q(site.base()), QString(), QString()}, nullptr, false});
        QVERIFY(test::startMainWindow(w));
        store.gintTimeout = 1;
        w.urlListModel()->append({QStringLiteral("http://example.com/a"), QStringLiteral("甲"), {}, {}});
        w.urlListModel()->append({QStringLiteral("http://example.com/b"), QStringLiteral("乙"), {}, {}});
        w.engine().cmdAllSubmit_Click();
        QVERIFY(test::waitUntil([&] { return !w.engine().state().mblnRunning; }, 120000));

        // The site without a button gets it back; the retry goes to it and to the one still unreachable.
        db.exec(QStringLiteral("UPDATE BookMarkWeb SET SubmitButtonId=(SELECT SubmitButtonId FROM BookMarkWeb "
                               "WHERE ID=0) WHERE ID=1"));
        site.clearRecords();
        w.bookmarks().showResults();
        ui::ResultsWindow* results = w.findChild<ui::ResultsWindow*>();
        QVERIFY(results);
        test::child<controls::Command>(*results, "retryButton")->click();
        QVERIFY(w.engine().state().mblnRunning);
        QVERIFY(test::waitUntil([&] { return !w.engine().state().mblnRunning; }, 120000));
        QStringList submitted;
        for (const demosite::Submission& s : site.submissions())
            submitted.append(q(s.user + " " + s.url));
        submitted.sort();
        QCOMPARE(submitted, QStringList({"nobutton http://example.com/a", "nobutton http://example.com/b"}));
        for (const demosite::Login& l : site.logins())
            QVERIFY(l.user != "good");

        store::Connection c;
        c.open(db.path());
        const QList<store::results::RunSummary> runs = store::results::runs(c);
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs.first().retryOf, runs.last().id);
        QCOMPARE(runs.first().accounts, 2); // the good account had nothing to retry
        QCOMPARE(runs.first().submitted, 2);
    }

    void oneGoodSiteAndTwoFailingOnes()
    {
        demosite::DemoSite site;
        site.start();
        test::TempStore db(sites(site));
        test::MessageRecorder boxes;
        store::ProgramStore store;
        ui::MainWindow w(store, {db.path(), QString(), WebHosts{q(site.base()), QString(), QString()}, nullptr, true});
        QVERIFY(test::startMainWindow(w));
        store.gintTimeout = 1;
        w.urlListModel()->append({QStringLiteral("http://example.com/a"), QStringLiteral("甲"), {}, {}});
        w.urlListModel()->append({QStringLiteral("http://example.com/b"), QStringLiteral("乙"), {}, {}});

        // The window that opens after the run: read it, keep only the failed bookmarks. It blocks nothing.
        QStringList header;
        QList<QList<int>> outcomes; // per bookmark, per account
        ui::ResultsWindow* results = nullptr;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            results = w.findChild<ui::ResultsWindow*>();
            if (!results || !results->isVisible())
                return;
            poll.stop();
            const ui::ResultsModel* m = results->model();
            for (int c = ui::ResultsModel::FirstAccount; c < m->columnCount(); ++c)
                header.append(m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
            for (int r = 0; r < m->rowCount(); ++r) {
                QList<int> row;
                for (int c = ui::ResultsModel::FirstAccount; c < m->columnCount(); ++c)
                    row.append(m->index(r, c).data(ui::ResultsModel::OutcomeRole).toInt());
                outcomes.append(row);
            }
        });
        poll.start(20);

        w.engine().cmdAllSubmit_Click();
        QVERIFY(test::waitUntil([&] { return !w.engine().state().mblnRunning; }, 120000));
        QVERIFY(test::waitUntil([&] { return !outcomes.isEmpty(); }, 30000));
        QVERIFY(!QApplication::activeModalWidget());
        // Opened after the run without the keyboard: it stays in the main window.
        QVERIFY(results->testAttribute(Qt::WA_ShowWithoutActivating));

        // While it is open, the main window answers the mouse: its run log, its URL list, its exit question.
        // (Clicks through the window system, where a modal window would hold them back.)
        const auto click = [&w](QWidget* target, QPoint at) {
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, target->mapTo(&w, at));
        };
        auto* log = test::child<QAbstractItemView>(w, "lvwLog");
        const QModelIndex lastLine = log->model()->index(log->model()->rowCount() - 1, 1);
        click(log->viewport(), log->visualRect(lastLine).center());
        QCOMPARE(log->currentIndex().row(), lastLine.row());
        auto* list = test::child<QAbstractItemView>(w, "lvwURLList");
        const QModelIndex second = list->model()->index(1, 0);
        click(list->viewport(), list->visualRect(second).center());
        QCOMPARE(list->currentIndex().row(), 1);
        boxes.answerNext(false);
        auto* exit = test::child<QWidget>(w, "cmdExit");
        click(exit, exit->rect().center());
        QCOMPARE(boxes.last().text, QStringLiteral("真的要退出Tavrinex吗？"));
        QVERIFY(w.isVisible());
        // Asked for again, the one window comes back to the front with the newest run.
        w.bookmarks().showResults();
        QCOMPARE(w.findChildren<ui::ResultsWindow*>().size(), 1);
        QVERIFY(!results->testAttribute(Qt::WA_ShowWithoutActivating));

        test::child<controls::Command>(*results, "keepFailedButton")->click(); // answered yes
        results->close();
        QCOMPARE(header, QStringList({"演示站点（按编号） / good", "无按钮站点 / nobutton", "连不上的站点 / refused"}));
        const int submitted = int(Outcome::Submitted);
        const int noButton = int(Outcome::NoButton);
        QCOMPARE(outcomes.size(), 2);
        // The site that cannot be reached refused its login page at once (no answer), not by time-out.
        QCOMPARE(outcomes.at(0), QList<int>({submitted, noButton, int(Outcome::Refused)}));
        QCOMPARE(outcomes.at(1), QList<int>({submitted, noButton, int(Outcome::SiteSkipped)}));
        // The good site got both, so neither is left in the list.
        QCOMPARE(site.submissions().size(), 2);
        QCOMPARE(w.urlListModel()->rowCount(), 0);
        QVERIFY(boxes.texts().contains(QStringLiteral("已从网址列表中移除 2 个网址，还剩 0 个。")));

        // Kept in the store: the run, its time-out while logging in and the time of every cell.
        store::Connection c;
        c.open(db.path());
        const QList<store::results::RunSummary> runs = store::results::runs(c);
        QCOMPARE(runs.size(), 1);
        QVERIFY(runs.first().finished.isValid());
        QVERIFY(!runs.first().aborted);
        const store::results::RunResults r = store::results::load(c, runs.first().id);
        QCOMPARE(r.cells.size(), 6);
        for (const store::results::Cell& cell : r.cells) {
            QVERIFY(cell.at.isValid());
            // Given up while logging in (the refused page itself, or the page after the press).
            if (cell.outcome == Outcome::TimedOut)
                QVERIFY(cell.stage == engine::RunStage::Login || cell.stage == engine::RunStage::AfterLogin);
        }
    }
};

QTEST_MAIN(TestResultsRun)
#include "tst_resultsrun.moc"
