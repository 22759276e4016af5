// Whole runs: the main window drives real Qt WebEngine through the local demonstration site, which
// records what each user submitted.
#include "demosite.h"
#include "engine/runrecorder.h"
#include "engine/submissionengine.h"
#include "platform/qtticker.h"
#include "platform/webbrowser.h"
#include "platform/workerpage.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"

#include <QMap>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <chrono>

using namespace tvx;
namespace RunStage = engine::RunStage;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

tvx::Bookmark bm(int n)
{
    return {QStringLiteral("http://example.com/page%1?a=1&b=2").arg(n), QStringLiteral("第%1个标题").arg(n),
            QStringLiteral("新闻 科技"), QStringLiteral("摘要 %1").arg(n)};
}

// A main window over a store that describes the demonstration site's variants `kinds` (IDs in that
// order), with `accounts` accounts each and `rows` bookmarks, the time-out in seconds.
struct Run {
    // The information panes load from `panes` (the site itself when empty).
    Run(const QStringList& kinds, int accounts, int rows, int timeout = 2, const QString& extraSql = {},
        const QString& panes = {})
        : db(setup(kinds, accounts, extraSql))
        , window(store, {db.path(), QString(),
                         WebHosts{panes.isEmpty() ? q(site.base()) : panes, q(site.base()) + faceBookPath(kinds),
                                  q(site.base()) + QStringLiteral("/fanfou")}})
    {
        // The run starts once the worker browser has its blank page.
        test::startMainWindow(window);

        store.gintTimeout = qint16(timeout);
        for (int i = 1; i <= rows; ++i)
            window.urlListModel()->append(bm(i));
    }

    // The share pages of the first Face Book variant among `kinds`.
    static QString faceBookPath(const QStringList& kinds)
    {
        for (const QString& kind : kinds)
            if (kind.startsWith(QLatin1String("fb")))
                return QLatin1Char('/') + kind;
        return QStringLiteral("/fb");
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
    QString webName(int id) const
    {
        return db.scalar(QStringLiteral("SELECT WebName FROM BookMarkWeb WHERE ID=%1").arg(id));
    }
    platform::QtTicker* timer(const char* name) const { return window.findChild<platform::QtTicker*>(QLatin1String(name)); }
    controls::Command* button(const char* name) const { return test::child<controls::Command>(window, name); }
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

// A recorder that writes down what it is told and, at each failed step, takes the page as the program
// keeps it for evidence: a picture of the worker browser and its live HTML.
class EvidenceRecorder final : public engine::RunRecorder {
public:
    explicit EvidenceRecorder(ui::MainWindow& window)
        : m_window(window)
    {
    }
    void runStarted(const QDateTime&, int siteRecords, int bookmarks) override
    {
        calls.append(QStringLiteral("run %1 accounts, %2 bookmarks").arg(siteRecords).arg(bookmarks));
    }
    void accountStarted(int position, const QString& webName, const QString& uid) override
    {
        calls.append(QStringLiteral("account %1: %2 %3").arg(position).arg(webName, uid));
    }
    void bookmarkOutcome(int position, int row, Outcome outcome, int stage) override
    {
        static const char* const names[] = {"submitted", "no button", "timed out", "site skipped", "refused"};
        calls.append(
            QStringLiteral("%1/%2 %3 at %4").arg(position).arg(row).arg(QLatin1String(names[int(outcome)])).arg(stage));
    }
    void siteAnswered(int position, int row, const QString& answer) override
    {
        calls.append(QStringLiteral("%1/%2 answered %3").arg(position).arg(row).arg(answer));
    }
    void stepFailed(int stage, int row, Failure failure) override
    {
        calls.append(QStringLiteral("failed at %1, row %2, kind %3").arg(stage).arg(row).arg(int(failure)));
        pictures.append(m_window.workerBrowser()->grab().toImage());
        const int slot = int(html.size());
        html.append(QString());
        m_window.workerBrowser()->page()->toHtml([this, slot](const QString& text) { html[slot] = text; });
    }
    void runEnded(bool aborted) override { calls.append(aborted ? QStringLiteral("aborted") : QStringLiteral("ended")); }

    QStringList calls;
    QList<QImage> pictures;
    QStringList html;

private:
    ui::MainWindow& m_window;
};

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
                const tvx::Bookmark b = bm(i % 2 + 1);
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

    void workerFetchesOnlyWhatFormsNeed()
    {
        // Pages that carry style sheets, scripts, a web font, a dozen images and a favicon: the worker
        // browser fetches the documents, style sheets and scripts, nothing else, and every bookmark
        // arrives. The panes load from elsewhere, so every request the site sees is the worker's.
        Run r({"heavy", "byvalue"}, 1, 2, 2, {}, QStringLiteral("http://127.0.0.1:9"));
        QVERIFY(r.runToEnd());
        QCOMPARE(r.submissions("heavy").size(), 2);
        QCOMPARE(r.submissions("byvalue").size(), 2);
        QCOMPARE(r.log().filter(QStringLiteral("错误")).size(), 0);
        QMap<QString, int> byDest;
        for (const demosite::Request& req : r.site.requests()) {
            ++byDest[q(req.dest)];
            QVERIFY2(req.dest == "document" || req.dest == "style" || req.dest == "script",
                     qPrintable(q(req.method + " " + req.path + " for " + req.dest)));
        }
        QVERIFY(byDest.value(QStringLiteral("style")) >= 2);
        QVERIFY(byDest.value(QStringLiteral("script")) >= 2);
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
        // A session the program's own browser holds is no account's: every account starts logged out.
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
        QVERIFY(log.contains(QStringLiteral("正在登录 \"演示站点（登录脚本）\"...")));
        QCOMPARE(r.site.logins().size(), 3u);
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

        // A submit page that closes its window after saving in the background: the request is the
        // result of the submission, so every bookmark goes through.
        Run c({"closing", "closelogout"}, 1, 2, 1);
        QVERIFY(c.runToEnd());
        QCOMPARE(c.boxes.texts(), QStringList{kDone});
        QCOMPARE(c.submissions("closing").size(), 2);
        const QStringList log = c.log();
        QCOMPARE(log.filter(QStringLiteral("时发生错误！")).size(), 0);
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

    void aResultPageThatClosesItsWindow()
    {
        // The result page of every submission calls window.close() while it loads: the request is the
        // result, so each account gets every bookmark, its four usual log lines, and is logged out.
        Run r({"close-result"}, 2, 3);
        QVERIFY(r.runToEnd());
        const QString name = r.webName(0);
        QStringList expected;
        for (int account = 0; account < 2; ++account)
            expected << QStringLiteral("正在登录 \"%1\"...").arg(name) << QStringLiteral("已经登录到\"%1\"...").arg(name)
                     << QStringLiteral("正在向\"%1\"提交信息...").arg(name) << QStringLiteral("向\"%1\"提交信息完毕!").arg(name);
        QCOMPARE(r.log(), expected);
        const auto subs = r.submissions("close-result");
        QCOMPARE(subs.size(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(q(subs.at(i).user), QStringLiteral("close-result-user%1").arg(i / 3 + 1));
            QCOMPARE(q(subs.at(i).url), bm(i % 3 + 1).url);
        }
        QCOMPARE(r.site.logouts(), std::vector<std::string>({"close-result/close-result-user1", "close-result/close-result-user2"}));

        // Here the result page asks to close its window only after it has loaded, while the next
        // bookmark's submit page is still on its way: that page is not skipped.
        Run later({"closelater"}, 1, 3);
        QVERIFY(later.runToEnd());
        const auto laterSubs = later.submissions("closelater");
        QVERIFY2(laterSubs.size() == 3, qPrintable(later.log().join(QLatin1Char('\n'))));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(q(laterSubs.at(i).url), bm(i + 1).url);
        QCOMPARE(later.log().filter(QStringLiteral("错误")).size(), 0);
        QCOMPARE(later.site.logouts().size(), 1u);
    }

    void aSubmissionIsNotCancelledByTheNextPage()
    {
        // These sites request the next page right after pressing; here each submission is a form
        // whose answer comes after 0.6 s. The site must get every bookmark, in order, also when that
        // answer asks to close the window once the run has moved on to the next bookmark.
        for (const char* kind : {"fbslow", "liveslow", "baiduslow", "fbclose", "baiduclose"}) {
            Run r({QString::fromLatin1(kind)}, 1, 3, 3);
            QVERIFY2(r.runToEnd(90), kind);
            const auto subs = r.submissions(kind);
            QVERIFY2(subs.size() == 3, qPrintable(QStringLiteral("%1: %2 submissions; log:\n%3")
                                                      .arg(QLatin1String(kind))
                                                      .arg(subs.size())
                                                      .arg(r.log().join(QLatin1Char('\n')))));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(q(subs.at(i).url), bm(i + 1).url);
            QCOMPARE(r.log().filter(QStringLiteral("错误")).size(), 0);
            QCOMPARE(r.site.logouts().size(), 1u); // the site was logged out after its last bookmark
        }
    }

    void pocoSubmitsTheFormOfItsLoginButton()
    {
        // The site row names the login button; it is submitted as a form: the button's own form.
        Run r({"pocobutton"}, 1, 2);
        QVERIFY(r.runToEnd());
        QCOMPARE(r.site.logins().size(), 1u);
        QCOMPARE(r.submissions("pocobutton").size(), 2);
        QCOMPARE(r.log().filter(QStringLiteral("错误")).size(), 0);
    }

    void twoAbortPressesDuringASlowStep()
    {
        // The login button's handler keeps the page busy for a second and a half, so the login step
        // that presses it takes that long; meanwhile "中止(&T)" is pressed twice. Both presses are
        // aborts: the run stops and does not start again.
        Run r({"busystep"}, 1, 2);
        controls::Command* button = r.button("cmdAllSubmit");
        bool pressed = false;
        QObject::connect(r.window.workerAdapter(), &platform::WebBrowser::requestMade, &r.window, [&] {
            if (pressed || !r.window.engine().busy() || r.window.engine().state().mlngStage != RunStage::Login)
                return;
            pressed = true;
            QTimer::singleShot(300, &r.window, [&] {
                QCOMPARE(button->caption(), QStringLiteral("中止(&T)"));
                button->click();
                button->click();
            });
        });
        button->click();
        QVERIFY(test::waitUntil([&] { return pressed && !r.window.engine().state().mblnRunning; }, 30000));
        QVERIFY(test::waitUntil([&] { return !r.window.engine().busy(); }, 10000));
        QVERIFY(!r.window.engine().state().mblnRunning);
        QCOMPARE(button->caption(), QStringLiteral("全部提交(&M)"));
        QVERIFY(r.button("cmdSubmit")->isEnabled());
        QVERIFY(r.boxes.texts().isEmpty());
        QCOMPARE(r.log().size(), 1); // the login line of the one run
    }

    void nothingActsAfterTheRun()
    {
        // A "delicious" page saves in the background and closes its window right after the user has
        // aborted (the abort waits behind the page step that pressed): the request changes nothing.
        Run d({"delicious"}, 1, 2);
        controls::Command* button = d.button("cmdAllSubmit");
        QSignalSpy closing(d.window.workerAdapter(), &platform::WebBrowser::closeRequested);
        int requestsAfterAbort = -1;
        QObject::connect(d.window.workerAdapter(), &platform::WebBrowser::requestMade, &d.window, [&] {
            if (requestsAfterAbort >= 0) {
                ++requestsAfterAbort;
                return;
            }
            if (d.window.engine().busy() && d.window.engine().state().mlngStage == RunStage::Submit) {
                requestsAfterAbort = 0;
                button->click();
            }
        });
        button->click();
        QVERIFY(test::waitUntil([&] { return closing.count() >= 1 && !d.window.engine().busy(); }, 30000));
        QVERIFY(!d.window.engine().state().mblnRunning);
        QCOMPARE(requestsAfterAbort, 0);
        QCOMPARE(d.window.engine().state().mlngStage, qint32(RunStage::AfterSubmit));
        QVERIFY(!d.timer("Timer1")->isEnabled() && !d.timer("Timer2")->isEnabled());
        QVERIFY(d.boxes.texts().isEmpty());
        QVERIFY(test::waitUntil([&] { return d.submissions("delicious").size() == 1; }, 10000));

        // A 百度书签 login page that reloads itself every two seconds never settles: the watchdog gives
        // the login up after the settle time and the time-out, and the run ends. The finish box stays
        // open for a while, as a user reads it; what ticked meanwhile finds no run afterwards.
        Run b({"baidu-reload"}, 1, 2, 1);
        ui::MessageBox::setAnswerer([](const ui::MessageBox::Shown&) {
            QEventLoop reading;
            QTimer::singleShot(2500, &reading, &QEventLoop::quit);
            reading.exec();
            return true;
        });
        QVERIFY(b.runToEnd(60));
        QVERIFY(!b.window.engine().busy());
        QVERIFY(!b.timer("Timer1")->isEnabled() && !b.timer("Timer2")->isEnabled());
        QCOMPARE(b.log(), QStringList{QStringLiteral("向\"百度书签\"提交\"\"时发生错误！")});
        QVERIFY(b.site.logins().empty());
    }

    void recorderInARealRun()
    {
        // A site whose submit button does nothing, then a good one. At each failed step the recorder
        // takes the worker browser's page: still the page of that step.
        Run r({"dead", "byid"}, 1, 2, 1);
        EvidenceRecorder recorder(r.window);
        r.window.engine().addRecorder(&recorder);
        QVERIFY(r.runToEnd());
        const QString dead = r.webName(0);
        const QString good = r.webName(1);
        QCOMPARE(recorder.calls, QStringList({QStringLiteral("run 2 accounts, 2 bookmarks"),
                                              QStringLiteral("account 1: %1 dead-user1").arg(dead),
                                              QStringLiteral("failed at 4, row 1, kind 0"), QStringLiteral("1/1 timed out at 4"),
                                              QStringLiteral("failed at 4, row 2, kind 0"), QStringLiteral("1/2 timed out at 4"),
                                              QStringLiteral("account 2: %1 byid-user1").arg(good),
                                              QStringLiteral("2/1 submitted at 4"), QStringLiteral("2/2 submitted at 4"),
                                              QStringLiteral("ended")}));
        QCOMPARE(recorder.pictures.size(), 2);
        for (const QImage& picture : recorder.pictures)
            QCOMPARE(picture.size(), r.window.workerBrowser()->size());
        QVERIFY(test::waitUntil([&] { return !recorder.html.contains(QString()); }, 10000));
        for (const QString& page : recorder.html)
            QVERIFY2(page.contains(dead + QStringLiteral(" - 提交网摘")), qPrintable(page.left(300)));
        r.window.engine().removeRecorder(&recorder);
    }

    void everyAccountInABrowserOfItsOwn()
    {
        // Two accounts on a site whose login page sends a user who is logged in on to the submit page.
        // The first account's answers come later than the time-out, so its log-out is never reached;
        // the second still finds the login form, and the site gets exactly its bookmarks from it.
        Run r({"keeplogin"}, 0, 2, 2,
              QStringLiteral("INSERT INTO Accounts VALUES(0,'alice','pw1');INSERT INTO Accounts VALUES(0,'bob','pw2');"));
        r.site.setSlowAnswerFor("alice", 4000);
        QVERIFY(r.runToEnd(90));
        QStringList loggedIn;
        for (const auto& l : r.site.logins())
            loggedIn.append(q(l.user));
        QCOMPARE(loggedIn, QStringList({"alice", "bob"}));
        QStringList bobs;
        for (const auto& s : r.submissions("keeplogin")) {
            QVERIFY(s.user == "alice" || s.user == "bob");
            if (s.user == "bob")
                bobs.append(q(s.title));
        }
        QCOMPARE(bobs, QStringList({bm(1).title, bm(2).title}));
        QCOMPARE(r.site.logouts(), std::vector<std::string>{"keeplogin/bob"});

        // After 中止 the next run finds the login form again.
        Run a({"keeplogin"}, 1, 2);
        a.window.engine().cmdAllSubmit_Click();
        QTRY_VERIFY_WITH_TIMEOUT(a.submissions("keeplogin").size() >= 1, 20000);
        a.window.engine().cmdAllSubmit_Click(); // abort
        QTRY_VERIFY(!a.window.engine().state().mblnRunning);
        const qsizetype before = a.submissions("keeplogin").size();
        QVERIFY(a.runToEnd());
        QCOMPARE(a.site.logins().size(), 2u);
        QCOMPARE(a.submissions("keeplogin").size(), before + 2);
    }

    void errorAnswersAreNoSubmissions()
    {
        // A site that answers every submission with HTTP 500, one whose submit form posts where nothing
        // listens, one whose login page cannot be reached, and a good one. The time-out is long: a step
        // the site refused is given up at once, not after it.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        Run r({"e500-result", "refused-result", "byid", "byname"}, 1, 2, 30,
              QStringLiteral("UPDATE BookMarkWeb SET LoginUrl='http://127.0.0.1:%1/x' WHERE ID=2;").arg(port));
        r.site.setClosedPort(port);
        EvidenceRecorder recorder(r.window);
        r.window.engine().addRecorder(&recorder);
        QVERIFY(r.runToEnd(100));
        const QString e500 = r.webName(0), refused = r.webName(1), unreachable = r.webName(2);
        const QString error = QStringLiteral("向\"%1\"提交\"%2\"时发生错误！");
        const QStringList log = r.log();
        QCOMPARE(log.filter(QStringLiteral("时发生错误！")),
                 QStringList({error.arg(e500, bm(1).url), error.arg(e500, bm(2).url), error.arg(refused, bm(1).url),
                              error.arg(refused, bm(2).url), error.arg(unreachable, bm(2).url)}));
        QVERIFY(!log.contains(QStringLiteral("已经登录到\"%1\"...").arg(unreachable)));
        QCOMPARE(r.submissions("e500-result").size(), 2); // the site had them, and refused them
        QCOMPARE(r.submissions("byname").size(), 2);
        const QStringList calls = recorder.calls;
        for (const QString& line :
             {QStringLiteral("failed at 4, row 1, kind 4"), QStringLiteral("1/1 answered 网站拒绝（HTTP 500）"),
              QStringLiteral("1/1 refused at 4"), QStringLiteral("1/2 answered 网站拒绝（HTTP 500）"),
              QStringLiteral("1/2 refused at 4"), QStringLiteral("2/1 answered 没有应答（连接被拒绝）"),
              QStringLiteral("2/2 refused at 4"), QStringLiteral("failed at 1, row 1, kind 4"),
              QStringLiteral("3/1 answered 没有应答（连接被拒绝）"), QStringLiteral("3/1 refused at 1"),
              QStringLiteral("3/2 site skipped at 1"), QStringLiteral("4/2 submitted at 4")})
            QVERIFY2(calls.contains(line), qPrintable(line + QStringLiteral("\n") + calls.join(QLatin1Char('\n'))));
        QVERIFY(!calls.join(QLatin1Char('\n')).contains(QStringLiteral("timed out")));
        r.window.engine().removeRecorder(&recorder);
    }

    void aClosingRequestOfAPageTheRunHasLeft()
    {
        // A log-out page that asks to close its window 0.3 s after it has loaded, while the next site's
        // login script runs: that site still logs in and gets its bookmarks.
        Run a({"closelate-logout", "script"}, 1, 2, 3);
        QVERIFY(a.runToEnd());
        QCOMPARE(a.submissions("closelate-logout").size(), 2);
        QCOMPARE(a.submissions("script").size(), 2);
        QCOMPARE(a.log().filter(QStringLiteral("错误")).size(), 0);
        QCOMPARE(a.log().filter(QStringLiteral("已经登录到")).size(), 2);

        // A "delicious" page that asks again, while the login script that brings up the next bookmark
        // waits for its submit page: each bookmark arrives once, in order.
        Run d({"delicious-late"}, 1, 3, 4);
        QVERIFY(d.runToEnd());
        const auto subs = d.submissions("delicious-late");
        QStringList urls;
        for (const auto& s : subs)
            urls.append(q(s.url));
        QCOMPARE(urls, QStringList({bm(1).url, bm(2).url, bm(3).url}));
        QCOMPARE(d.log().filter(QStringLiteral("已经登录到")).size(), 1);
    }

    void nothingReachesTheSiteAfterAbort()
    {
        // 中止 is pressed while the step that asks the page after login whether the site took it is in
        // flight. The abort waits behind it; the site turned the login away, and the next site's login
        // script, which that answer runs, never reaches its site.
        Run r({"deny-login", "script"}, 1, 2);
        QPointer<QWebEnginePage> page;
        qint64 abortedNs = 0;
        QObject::connect(r.window.workerAdapter(), &platform::WebBrowser::requestMade, &r.window, [&] {
            if (abortedNs || !r.window.engine().busy() || r.window.engine().state().mlngStage != RunStage::AfterLogin)
                return;
            page = r.window.workerAdapter()->page();
            abortedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
            r.window.engine().cmdAllSubmit_Click(); // abort
        });
        r.window.engine().cmdAllSubmit_Click();
        // The account's page is gone once the run has stopped: nothing of it can reach the site any more.
        QVERIFY(test::waitUntil([&] { return abortedNs && !r.window.engine().state().mblnRunning; }, 30000));
        QVERIFY(test::waitUntil([&] { return !page; }, 30000));
        QVERIFY(test::waitUntil([&] { return r.window.workerAdapter()->settled(); }, 10000));
        QStringList late;
        for (const demosite::Request& q : r.site.requests())
            if (q.atNs > abortedNs)
                late.append(QString::fromStdString(q.method + ' ' + q.path));
        QVERIFY2(late.isEmpty(), qPrintable(late.join(QLatin1Char('\n'))));
        QCOMPARE(r.site.logins().size(), 1u);
        QCOMPARE(r.log().filter(QStringLiteral("时发生错误！")).size(), 1);
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
