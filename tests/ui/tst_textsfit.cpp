// What the windows show at their default size on a laptop's screen of 1366 × 768 (the test's screen),
// over the demonstration data: every text of the accounts list, the site list and the results table
// whole (neither cut in its column nor beside the view), every site in the list, and the site form down
// to its submit button and log-out address without scrolling. (The site check's report: tst_sitecheck.)
#include "platform/programfont.h"
#include "sites/sitestore.h"
#include "store/programstore.h"
#include "store/resulttables.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/results/resultswindow.h"
#include "ui/sites/sitedefinitionsdialog.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace tvx;
using test::child;

namespace {
// The delivered sites with the demonstration accounts, and two sites of the user's below them.
struct Fixture {
    test::TempStore db{QStringLiteral("INSERT INTO Accounts VALUES(0,'zhangsan','secret1'),(1,'lisi','pass2024');"),
                       true};
    store::ProgramStore store;
    Fixture()
    {
        store.gcnnStore.open(db.path());
        sites::SiteStore sites(store.gcnnStore);
        for (const QString& name : {QStringLiteral("我的演示站点"), QStringLiteral("演示站点（按按钮文字）（副本）")}) {
            sites::SiteDefinition d = sites.read(2);
            d.id = -1;
            d.set(QStringLiteral("WebName"), name);
            sites.save(d);
        }
    }
};

bool shownAtDefaultSize(QWidget& w)
{
    w.show();
    return QTest::qWaitForWindowExposed(&w) && w.screen()->availableGeometry().contains(w.frameGeometry());
}
} // namespace

class TestTextsFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1366, 768));
    }

    void accountsListShowsEveryText()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(shownAtDefaultSize(dlg));
        auto* list = child<QTreeWidget>(dlg, "lvwAccounts");
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(test::cutTexts(*list), QStringList());
    }

    void siteWindowShowsEverySiteAndTheFormDownToLogOut()
    {
        Fixture f;
        ui::SiteDefinitionsDialog dlg(f.store);
        QVERIFY(shownAtDefaultSize(dlg));
        auto* list = child<QTreeWidget>(dlg, "siteList");
        QCOMPARE(list->topLevelItemCount(), 7);
        const QTreeWidgetItem* last = list->topLevelItem(6);
        QCOMPARE(last->text(1), QStringLiteral("演示站点（按按钮文字）（副本）"));
        QVERIFY(list->viewport()->rect().contains(list->visualItemRect(last)));
        QCOMPARE(test::cutTexts(*list), QStringList());
        // The user's own site, whose form can be typed in.
        list->setCurrentItem(list->topLevelItem(5));
        auto* scroll = child<QScrollArea>(dlg, "formScroll");
        QCOMPARE(scroll->verticalScrollBar()->value(), 0);
        for (const char* column : {"SubmitButtonId", "SubmitButtonName", "SubmitButtonValue", "LogoutUrl"}) {
            const QWidget* box = child<QWidget>(dlg, column);
            const QRect shown(box->mapTo(scroll->viewport(), QPoint(0, 0)), box->size());
            QVERIFY2(scroll->viewport()->rect().contains(shown), column);
        }
    }

    // The run of the help file's picture: two accounts, four bookmarks, every state.
    void resultsTableShowsEveryText()
    {
        using namespace store::results;
        Fixture f;
        store::Connection& c = f.store.gcnnStore;
        const QDateTime start(QDate(2026, 3, 4), QTime(9, 30, 0));
        const qint64 run = beginRun(
            c, start,
            {{1, QStringLiteral("http://www.example.com/news/2024/spring.html"), QStringLiteral("春季新品发布会")},
             {2, QStringLiteral("http://blog.example.org/cooking"), QStringLiteral("家常菜谱一百例")},
             {3, QStringLiteral("http://video.example.net/watch?v=42"), QStringLiteral("航展精彩视频")},
             {4, QStringLiteral("http://www.example.com/travel"), QStringLiteral("旅行攻略")}});
        record(c, run,
               {{0, {QStringLiteral("演示站点（按编号）"), QStringLiteral("zhangsan")}},
                {1, {QStringLiteral("演示站点（按名称）"), QStringLiteral("lisi")}}},
               {{0, 0, Outcome::Submitted, 4, start.addSecs(3)},
                {0, 1, Outcome::Submitted, 4, start.addSecs(4)},
                {1, 0, Outcome::Submitted, 4, start.addSecs(9)},
                {1, 1, Outcome::TimedOut, 4, start.addSecs(40)},
                {1, 2, Outcome::NoButton, 3, start.addSecs(41)}});
        finishRun(c, run, start.addSecs(45), false);
        ui::ResultsWindow w(c, {});
        QVERIFY(shownAtDefaultSize(w));
        auto* table = child<QTableView>(w, "resultTable");
        QCOMPARE(table->model()->rowCount(), 4);
        QCOMPARE(test::cutTexts(*table), QStringList());
    }
};

QTEST_MAIN(TestTextsFit)
#include "tst_textsfit.moc"
