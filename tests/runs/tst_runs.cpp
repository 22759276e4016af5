// Whole runs: the main window drives real Qt WebEngine through the local demonstration site, which
// records what each user submitted.
#include "demosite.h"
#include "engine/submissionengine.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace tvx;
namespace RunStage = engine::RunStage;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

engine::Bookmark bm(int n)
{
    return {QStringLiteral("http://example.com/page%1?a=1&b=2").arg(n), QStringLiteral("第%1个标题").arg(n),
            QStringLiteral("新闻 科技"), QStringLiteral("摘要 %1").arg(n)};
}

// A main window over a store that describes the demonstration site's variants `kinds` (IDs in that
// order), with `accounts` accounts each and `rows` bookmarks, the time-out in seconds.
struct Run {
    Run(const QStringList& kinds, int accounts, int rows, int timeout = 2, const QString& extraSql = {})
        : db(setup(kinds, accounts, extraSql))
        , window(store, {db.path(), QString(),
                         WebHosts{q(site.base()), q(site.base()) + QStringLiteral("/fb"),
                                  q(site.base()) + QStringLiteral("/fanfou")}})
    {
        window.show();
        QSignalSpy blanked(window.workerBrowser()->page(), &QWebEnginePage::loadFinished);
        window.Form_Load();
        // The run starts once the worker browser has its blank page.
        blanked.wait(30000);

        store.gintTimeout = qint16(timeout);
        for (int i = 1; i <= rows; ++i)
            window.urlListModel()->append(bm(i));
    }

    QString setup(const QStringList& kinds, int accounts, const QString& extraSql)
    {
        site.start();
        QString sql;
        for (int id = 0; id < kinds.size(); ++id) {
            sql += q(demosite::siteRowSql(id, kinds.at(id).toStdString(), site.base()));
            for (int a = 1; a <= accounts; ++a)
                sql += QStringLiteral("INSERT INTO Accounts VALUES(%1,'%2-user%3','pw%3');").arg(id).arg(kinds.at(id)).arg(a);
        }
        return sql + extraSql;
    }
    // Starts a run with the run-all button and waits until it has ended.
    bool runToEnd(int seconds = 60)
    {
        window.engine().cmdAllSubmit_Click();
        return test::waitUntil([&] { return !window.engine().state().mblnRunning; }, seconds * 1000);
    }
    QStringList log() const
    {
        QStringList lines;
        for (int i = 0; i < window.runLogModel()->rowCount(); ++i)
            lines.append(window.runLogModel()->index(i, 1).data().toString());
        return lines;
    }
    QList<demosite::Submission> submissions(const std::string& kind) const
    {
        QList<demosite::Submission> out;
        for (const auto& s : site.submissions())
            if (s.site == kind)
                out.append(s);
        return out;
    }

    demosite::DemoSite site;
    test::MessageRecorder boxes;
    test::TempStore db;
    store::ProgramStore store;
    ui::MainWindow window;
};

const QString kDone = QStringLiteral("网摘提交完毕！");

} // namespace

class TestRuns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies(); }
    void cleanup() { QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies(); }

    void twoAccountsTwoBookmarksEachWay()
    {
        Run r({"byid", "byname", "byvalue"}, 2, 2);
        QVERIFY(r.runToEnd());
        QCOMPARE(r.boxes.texts(), QStringList{kDone});
        struct Expect {
            const char* kind;
            const char* tags;
            const char* other1;
            const char* other2;
        };
        for (const Expect& e : {Expect{"byid", "新闻,科技", "true", "Tavrinex"}, Expect{"byname", "新闻 科技", "false", "按名称"},
                                Expect{"byvalue", "新闻, 科技", "true", "Tavrinex"}}) {
            const auto subs = r.submissions(e.kind);
            QCOMPARE(subs.size(), 4);
            for (int i = 0; i < 4; ++i) {
                const auto& s = subs.at(i);
                const engine::Bookmark b = bm(i % 2 + 1);
                QCOMPARE(q(s.user), QStringLiteral("%1-user%2").arg(e.kind).arg(i / 2 + 1));
                QCOMPARE(q(s.title), b.title);
                QCOMPARE(q(s.url), b.url);
                QCOMPARE(q(s.tags), QString::fromUtf8(e.tags));
                QCOMPARE(q(s.summary), QStringLiteral("页面原有的摘要")); // not a summary site: the page keeps its text
                QCOMPARE(q(s.other1), QString::fromUtf8(e.other1));
                QCOMPARE(q(s.other2), QString::fromUtf8(e.other2));
            }
        }
        QCOMPARE(r.site.logins().size(), 6u);
        QCOMPARE(r.site.logins().front().password, std::string("pw1"));
        QCOMPARE(r.site.logouts().size(), 6u);
        const QStringList log = r.log();
        QCOMPARE(log.size(), 24); // four lines per account, and no error
        QCOMPARE(log.at(0), QStringLiteral("正在登录 \"演示站点（按编号）\"..."));
        QCOMPARE(log.at(3), QStringLiteral("向\"演示站点（按编号）\"提交信息完毕!"));
        QVERIFY(!r.window.engine().busy());
    }

    void oneBookmarkAndNoSubmitAddress()
    {
        Run r({"empty", "byid"}, 1, 1);
        QVERIFY(r.runToEnd());
        QCOMPARE(r.submissions("empty").size(), 1);
        QCOMPARE(r.submissions("byid").size(), 1);
        QCOMPARE(r.log().size(), 8);
        QVERIFY(!r.log().join(QLatin1Char('\n')).contains(QStringLiteral("错误")));
    }

    void shareSitesAndScripts()
    {
        Run r({"fb", "script", "delicious"}, 1, 2);
        // The script site's user is logged in already: its script opens the submit page directly.
        QNetworkCookie cookie("tvx_script", "script-user1");
        cookie.setPath(QStringLiteral("/script"));
        QWebEngineProfile::defaultProfile()->cookieStore()->setCookie(cookie, QUrl(q(r.site.base())));
        QVERIFY(r.runToEnd());
        QCOMPARE(r.boxes.texts(), QStringList{kDone});
        const auto fb = r.submissions("fb");
        QCOMPARE(fb.size(), 2);
        QCOMPARE(q(fb.at(0).url), bm(1).url);
        QCOMPARE(q(fb.at(1).url), bm(2).url);
        QCOMPARE(r.site.logouts().front(), std::string("fb/fb-user1")); // through the page's "退出" link
        QCOMPARE(r.submissions("script").size(), 2); // both bookmarks, though the site follows another one
        QCOMPARE(r.submissions("delicious").size(), 2); // its script ran again for the second bookmark
        const QStringList log = r.log();
        QVERIFY(!log.contains(QStringLiteral("正在登录 \"演示站点（登录脚本）\"...")));
        QVERIFY(log.contains(QStringLiteral("正在向\"演示站点（登录脚本）\"提交信息...")));
        QVERIFY(log.contains(QStringLiteral("向\"delicious\"提交信息完毕!")));
        QCOMPARE(log.filter(QStringLiteral("错误")).size(), 0);
    }

    void delayedFillSites()
    {
        Run r({"live", "baidu"}, 1, 2);
        QVERIFY(r.runToEnd(90));
        QCOMPARE(r.submissions("live").size(), 2);
        QCOMPARE(r.submissions("baidu").size(), 2);
        QCOMPARE(r.log().filter(QStringLiteral("错误")).size(), 0);
    }

    void stepsThatProduceNoPageEndByTimeOut()
    {
        // A login page that never finishes, and a submit button that does nothing: both end by
        // time-out, the later sites are still processed, and the run ends.
        Run r({"hang", "dead", "byid"}, 1, 2, 1);
        QVERIFY(r.runToEnd());
        QCOMPARE(r.boxes.texts(), QStringList{kDone});
        const QStringList errors = r.log().filter(QStringLiteral("时发生错误！"));
        QCOMPARE(errors.size(), 3); // the login page; the dead site's two bookmarks
        QVERIFY(errors.at(0).startsWith(QStringLiteral("向\"演示站点（登录页不响应）\"提交")));
        QCOMPARE(errors.at(1), QStringLiteral("向\"演示站点（按钮无效）\"提交\"%1\"时发生错误！").arg(bm(1).url));
        QCOMPARE(r.submissions("dead").size(), 0);
        QCOMPARE(r.submissions("byid").size(), 2);
        QCOMPARE(r.window.engine().state().mlngDoneSteps, 4); // one per site left by a time-out, one per bookmark submitted
    }

    void valuesArriveExactly()
    {
        static const char16_t raw[] = u"\"quote' back\\slash </script><b>x</b> \u2028 \u202eRTL 😀 中文 & %41 + ;";
        const QString hostile = QString::fromUtf16(raw, std::size(raw) - 1);
        Run r({"tt365"}, 0, 0);
        // An account with quotes and Chinese, stored through the program's own statement.
        r.store.gcnnStore.execute(store::catalogue::insertAccount(0, hostile, hostile));
        r.window.urlListModel()->append({hostile, hostile, QStringLiteral("标签 tag'\"") + QString(QChar(0x2028)), hostile});
        QVERIFY(r.runToEnd());
        QCOMPARE(r.site.logins().size(), 1u);
        QCOMPARE(q(r.site.logins().front().user), hostile);
        QCOMPARE(q(r.site.logins().front().password), hostile);
        const auto subs = r.submissions("tt365");
        QCOMPARE(subs.size(), 1);
        QCOMPARE(q(subs.at(0).title), hostile);
        QCOMPARE(q(subs.at(0).url), hostile);
        QCOMPARE(q(subs.at(0).tags), QStringLiteral("标签,tag'\"") + QString(QChar(0x2028)));
        QCOMPARE(q(subs.at(0).summary), hostile); // a summary site
    }

    void dialogsAndClosingWindows()
    {
        // Alerts while the login page loads and in its frame hold nothing up.
        Run a({"alerts"}, 1, 1);
        QVERIFY(a.runToEnd());
        QCOMPARE(a.submissions("alerts").size(), 1);
        QCOMPARE(a.log().filter(QStringLiteral("错误")).size(), 0);

        // A submit page that closes its window after saving: with a row remaining the run goes on to
        // stage 3 and a blank page (which is no submit form, so that bookmark ends by time-out);
        // at the last row it writes the completion line and moves on.
        Run c({"closing", "closelogout"}, 1, 2, 1);
        QVERIFY(c.runToEnd());
        QCOMPARE(c.boxes.texts(), QStringList{kDone});
        QCOMPARE(c.submissions("closing").size(), 1);
        const QStringList log = c.log();
        QCOMPARE(log.filter(QStringLiteral("时发生错误！")).size(), 1);
        // A log-out page that closes its window only loads the blank page; the run still ends.
        QCOMPARE(c.submissions("closelogout").size(), 2);
        QVERIFY(log.contains(QStringLiteral("向\"演示站点（退出时关闭窗口）\"提交信息完毕!")));
        QVERIFY(c.window.workerBrowser()->isVisible());

        Run last({"closing"}, 1, 1);
        QVERIFY(last.runToEnd());
        QCOMPARE(last.submissions("closing").size(), 1);
        QCOMPARE(last.log().last(), QStringLiteral("向\"演示站点（提交后关闭窗口）\"提交信息完毕!"));
        QCOMPARE(last.log().filter(QStringLiteral("错误")).size(), 0);
    }

    void abortAndRunAgain()
    {
        Run r({"byid"}, 1, 3);
        r.window.engine().cmdAllSubmit_Click();
        QTRY_VERIFY_WITH_TIMEOUT(r.site.logins().size() == 1, 20000);
        r.window.engine().cmdAllSubmit_Click(); // abort
        QTRY_VERIFY(!r.window.engine().state().mblnRunning);
        QTest::qWait(500);
        const size_t after = r.site.submissions().size();
        QTest::qWait(1500);
        QCOMPARE(r.site.submissions().size(), after); // nothing moves after the abort
        r.site.clearRecords();
        QVERIFY(r.runToEnd());
        QCOMPARE(r.submissions("byid").size(), 3);
    }
};

QTEST_MAIN(TestRuns)
#include "tst_runs.moc"
