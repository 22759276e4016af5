// The submission engine on fakes: a fake browser and window, a test clock and hand-fired timers, over
// a real store file.
#include "enginefakes.h"
#include "engine/passwordsource.h"
#include "engine/submissionengine.h"
#include "store/programstore.h"
#include "support/tempstore.h"
#include "support/testclock.h"

#include <QTest>

using namespace tvx;
using engine::RunButton;
namespace RunStage = engine::RunStage;

namespace {

// A site row; `columns` adds or overrides "Column=value" pairs (values are SQL literals).
QString site(int id, const QString& name, const QStringList& columns = {})
{
    QString sql = QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName,LoginUrl,LogoutUrl,SubmitUrl,UidFieldId,PwdFieldId,"
                                 "LoginButtonName,TitleFieldId,UrlFieldId,TagsFieldId,SubmitButtonId) VALUES(%1,'%2',"
                                 "'http://s%1/login','http://s%1/logout','http://s%1/submit','uid','pwd','go','t','u',"
                                 "'g','post');")
                      .arg(id)
                      .arg(name);
    for (const QString& c : columns)
        sql += QStringLiteral("UPDATE BookMarkWeb SET %1 WHERE ID=%2;").arg(c).arg(id);
    return sql;
}

QString account(int id, const QString& uid)
{
    return QStringLiteral("INSERT INTO Accounts VALUES(%1,'%2','pw-%2');").arg(id).arg(uid);
}

tvx::Bookmark bm(int n)
{
    return {QStringLiteral("http://example.com/%1").arg(n), QStringLiteral("标题%1").arg(n), QStringLiteral("新闻 科技"),
            QStringLiteral("摘要%1").arg(n)};
}

struct Rig {
    explicit Rig(const QString& sql, int rows = 2)
        : db(sql)
        , engine(host, browser, clock, timer1, timer2, store,
                 WebHosts{QString(), QStringLiteral("http://fb"), QStringLiteral("http://ff")})
    {
        store.gcnnStore.open(db.path());
        store.gintTimeout = 30;
        for (int i = 1; i <= rows; ++i)
            host.rows.append(bm(i));
        // A page with every field and button the generic site row names, and a log-out link.
        browser.page.ids = {QStringLiteral("uid"), QStringLiteral("pwd"), QStringLiteral("t"), QStringLiteral("u"),
                            QStringLiteral("g"), QStringLiteral("post"), QStringLiteral("submit")};
        browser.page.names = {QStringLiteral("go")};
        browser.page.logoutHref = QStringLiteral("http://s/bye");
        engine.addRecorder(&recorder);
    }
    const engine::RunState& run() const { return engine.state(); }
    qint32 stage() const { return engine.state().mlngStage; }
    // A top-level page completes and the page answers whatever the engine asks of it.
    void page()
    {
        engine.pageComplete(true);
        browser.answerAll();
    }
    void start() { engine.cmdAllSubmit_Click(); }

    test::TempStore db;
    store::ProgramStore store;
    test::FakeHost host;
    test::FakeBrowser browser;
    test::TestClock clock;
    test::FakeTicker timer1;
    test::FakeTicker timer2;
    test::FakeRecorder recorder;
    engine::SubmissionEngine engine;
};

const QString kLogin = QStringLiteral("正在登录 \"%1\"...");
const QString kLoggedIn = QStringLiteral("已经登录到\"%1\"...");
const QString kSubmitting = QStringLiteral("正在向\"%1\"提交信息...");
const QString kSubmitted = QStringLiteral("向\"%1\"提交信息完毕!");
const QString kError = QStringLiteral("向\"%1\"提交\"%2\"时发生错误！");

// A keyring stand-in: each question waits until the test answers it.
struct HeldPasswords final : engine::PasswordSource {
    void password(const QString& webName, const QString& uid, const QString& stored, Done done) override
    {
        asked.append(webName + QLatin1Char('/') + uid + QLatin1Char('/') + stored);
        pending.append(std::move(done));
    }
    void answer(std::optional<QString> password)
    {
        const Done done = pending.takeFirst();
        done({password, password ? QString() : QStringLiteral("钥匙环已锁定")});
    }
    QStringList asked;
    QList<Done> pending;
};

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void startChecksInOrder()
    {
        Rig empty(site(0, "A"), 0);
        empty.start(); // no account and no row: the account message comes first
        QCOMPARE(empty.host.infos, QStringList{QStringLiteral("请先设置您在各网摘的帐号后再进行提交！")});
        QVERIFY(!empty.run().mblnRunning);

        Rig noRows(site(0, "A") + account(0, "a"), 0);
        noRows.start();
        QCOMPARE(noRows.host.infos, QStringList{QStringLiteral("请先添加要提交的网址及相关内容！")});
        QVERIFY(noRows.browser.calls.isEmpty());

        Rig chosen(site(0, "A") + account(0, "a"));
        chosen.host.selected = false;
        chosen.engine.cmdSubmit_Click();
        QCOMPARE(chosen.host.infos, QStringList{QStringLiteral("请选择要提交的网址！")});
        QVERIFY(chosen.host.focused);
        chosen.host.selected = true;
        chosen.host.chosenSites = std::nullopt; // the selection was cancelled: nothing changes
        chosen.engine.cmdSubmit_Click();
        QCOMPARE(chosen.host.infos.size(), 1);
        QVERIFY(chosen.host.errors.isEmpty() && !chosen.run().mblnRunning);
        chosen.host.chosenSites = QStringLiteral("7");
        chosen.engine.cmdSubmit_Click();
        QCOMPARE(chosen.host.infos.last(), QStringLiteral("请先设置您在各网摘的帐号后再进行提交！"));
        chosen.host.chosenSites = QStringLiteral("0) OR (1=1");
        chosen.engine.cmdSubmit_Click();
        QCOMPARE(chosen.host.errors.size(), 1); // reported, never spliced into the statement
        QVERIFY(!chosen.run().mblnRunning);
    }

    void startAndAbort()
    {
        Rig r(site(0, "A") + account(0, "a") + account(0, "b"), 3);
        r.clock.setSeconds(500);
        r.start();
        QVERIFY(r.run().mblnRunning);
        QCOMPARE(r.run().mlngTotalSteps, 6); // two accounts on one site, three rows
        QCOMPARE(r.run().mlngDoneSteps, 0);
        QCOMPARE(r.run().mlngCurRow, 1);
        QCOMPARE(r.stage(), qint32(RunStage::Login));
        QCOMPARE(r.run().mdtStepStart, qint64(500));
        QVERIFY(r.timer1.isEnabled());
        QVERIFY(r.browser.silent);
        // Every account starts in a browser no site has seen yet.
        QCOMPARE(r.browser.calls, QStringList({"fresh", "navigate http://s0/login"}));
        QCOMPARE(r.host.captions.value(RunButton::AllSubmit), QStringLiteral("中止(&T)"));
        for (RunButton b : {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear, RunButton::SelAll,
                            RunButton::UnSelAll, RunButton::Submit})
            QVERIFY(!r.host.isEnabled(b));
        QVERIFY(r.host.isEnabled(RunButton::AllSubmit));
        QCOMPARE(r.host.progress, QList<int>{0});
        QVERIFY(r.host.progressVisible);

        r.start(); // the same button, now "中止(&T)", aborts
        QVERIFY(!r.run().mblnRunning);
        QVERIFY(!r.timer1.isEnabled());
        QCOMPARE(r.host.captions.value(RunButton::AllSubmit), QStringLiteral("全部提交(&M)"));
        for (RunButton b : {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear, RunButton::SelAll,
                            RunButton::UnSelAll, RunButton::Submit})
            QVERIFY(r.host.isEnabled(b));
        QCOMPARE(r.stage(), qint32(RunStage::Login)); // abort leaves the stage and counters alone
        QCOMPARE(r.browser.calls.size(), 3);
        QCOMPARE(r.browser.lastCall(), QStringLiteral("fresh")); // the account's browser goes at once
        r.engine.pageComplete(true); // a page after the abort is ignored
        QCOMPARE(r.browser.calls.size(), 3);

        // Starting again at once: the counters reset and the stage is 1 again.
        r.start();
        QVERIFY(r.run().mblnRunning);
        QCOMPARE(r.run().mlngCurRow, 1);
        QCOMPARE(r.browser.calls.last(), QStringLiteral("navigate http://s0/login"));

        // The chosen-sites button: its own caption, the other button locked, the script login.
        Rig s(site(3, "S", {"IsScript=1", "LoginUrl='go()'"}) + account(3, "a"));
        s.host.chosenSites = QStringLiteral("3,3");
        s.engine.cmdSubmit_Click();
        QVERIFY(s.run().mblnRunning);
        QCOMPARE(s.run().mlngTotalSteps, 2); // a repeated id selects the account once
        QCOMPARE(s.host.captions.value(RunButton::Submit), QStringLiteral("中止(&T)"));
        QVERIFY(!s.host.isEnabled(RunButton::AllSubmit));
        QCOMPARE(s.browser.calls, QStringList({"fresh", "script go()"}));
        s.engine.cmdSubmit_Click();
        QVERIFY(!s.run().mblnRunning);
        QCOMPARE(s.host.captions.value(RunButton::Submit), QStringLiteral("提交(&I)"));
        QVERIFY(s.host.isEnabled(RunButton::AllSubmit));
    }

    void twoAccountsTwoBookmarks()
    {
        Rig r(site(0, "A") + site(1, "B") + account(0, "a") + account(1, "b"));
        QStringList finishedWith;
        r.host.onInformation = [&] { finishedWith.append(QString::number(r.host.progress.last())); };
        r.start();
        for (int i = 0; i < 20 && r.run().mblnRunning; ++i)
            r.page();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.host.log, QStringList({kLogin.arg("A"), kLoggedIn.arg("A"), kSubmitting.arg("A"), kSubmitted.arg("A"),
                                          kLogin.arg("B"), kLoggedIn.arg("B"), kSubmitting.arg("B"),
                                          kSubmitted.arg("B")}));
        QCOMPARE(r.host.progress, QList<int>({0, 25, 50, 75, 100, 100, 0}));
        QCOMPARE(finishedWith, QStringList{QStringLiteral("100")});
        QCOMPARE(r.host.infos, QStringList{QStringLiteral("网摘提交完毕！")});
        QVERIFY(!r.host.progressVisible);
        QCOMPARE(r.browser.navigations(),
                 QStringList({"http://s0/login", "http://s0/submit", "http://s0/submit", "http://s0/logout",
                              "http://s1/login", "http://s1/submit", "http://s1/submit", "http://s1/logout"}));
        // A browser of its own for each account: made before its login, dropped after its log-out page.
        QStringList sessions;
        for (const QString& call : r.browser.calls)
            if (call == QLatin1String("fresh") || call.endsWith(QLatin1String("login")) || call.endsWith(QLatin1String("logout")))
                sessions.append(call);
        QCOMPARE(sessions, QStringList({"fresh", "navigate http://s0/login", "navigate http://s0/logout", "fresh",
                                        "navigate http://s1/login", "navigate http://s1/logout", "fresh"}));
        QVERIFY(!r.timer1.isEnabled());
        QCOMPARE(r.host.captions.value(RunButton::AllSubmit), QStringLiteral("全部提交(&M)"));
        QVERIFY(r.host.isEnabled(RunButton::Setup) && r.host.isEnabled(RunButton::Submit));
        QCOMPARE(r.stage(), qint32(RunStage::Logout)); // the stage keeps its last value

        // The values each step typed, from the site record and the bookmark.
        const engine::PageStep& login = r.browser.steps.at(0);
        QCOMPARE(login.ops.at(0).value, QStringLiteral("a"));
        QCOMPARE(login.ops.at(1).value, QStringLiteral("pw-a"));
        // (Step 1 asks the page after the login whether the site took it.)
        const engine::PageStep& second = r.browser.steps.at(3);
        QCOMPARE(second.ops.at(0).value, QStringLiteral("标题2"));
        QCOMPARE(second.ops.at(1).value, QStringLiteral("http://example.com/2"));
        QCOMPARE(second.ops.at(2).value, QStringLiteral("新闻 科技"));
    }

    void oneBookmarkAndEmptySubmitUrl()
    {
        Rig r(site(0, "A", {"SubmitUrl=NULL"}) + account(0, "a"), 1);
        r.start();
        r.page(); // login
        r.page(); // after login: no submit address, nothing is opened
        QCOMPARE(r.browser.navigations(), QStringList{"http://s0/login"});
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        r.page(); // the next page to complete is the submit page
        r.page(); // its result: one bookmark, so the site logs out at once
        QCOMPARE(r.host.log, QStringList({kLogin.arg("A"), kLoggedIn.arg("A"), kSubmitting.arg("A"), kSubmitted.arg("A")}));
        QCOMPARE(r.browser.navigations().last(), QStringLiteral("http://s0/logout"));
    }

    void scriptSiteAlreadyLoggedIn()
    {
        Rig r(site(0, "S", {"IsScript=1", "LoginUrl='login()'"}) + account(0, "a"), 2);
        r.start();
        r.browser.page.ids.remove(QStringLiteral("uid")); // no user-id field: already logged in
        r.page();
        QCOMPARE(r.host.log, QStringList{kSubmitting.arg("S")}); // no login line
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));
        QCOMPARE(r.run().mstrURL, QStringLiteral("http://example.com/1"));
        QCOMPARE(r.run().mlngCurRow, 1);
        const engine::PageStep& step = r.browser.steps.at(0);
        QVERIFY(step.presence.has_value());
        QCOMPARE(step.otherwise.at(0).value, QStringLiteral("标题1"));
        // With the field present, the same step logs in instead, and the bookmark is not loaded.
        Rig p(site(0, "S", {"IsScript=1", "LoginUrl='login()'"}) + account(0, "a"), 2);
        p.start();
        p.page();
        QCOMPARE(p.host.log, QStringList{kLogin.arg("S")});
        QCOMPARE(p.stage(), qint32(RunStage::AfterLogin));
        QCOMPARE(p.run().mstrURL, QString());
        // After a log-out, the next script site gets its script run, not opened.
        Rig n(site(0, "A") + site(1, "S", {"IsScript=1", "LoginUrl='login()'"}) + account(0, "a") + account(1, "b"), 1);
        n.start();
        for (int i = 0; i < 5; ++i)
            n.page();
        QCOMPARE(n.browser.lastCall(), QStringLiteral("script login()"));
        QCOMPARE(n.stage(), qint32(RunStage::Login));
        QCOMPARE(n.run().mlngCurRow, 1); // the new site starts at its first bookmark
    }

    void shareSites()
    {
        Rig fb(site(0, "Face Book") + account(0, "a"), 2);
        fb.start();
        fb.page(); // login
        fb.page(); // after login: log-out link, share address of row 1
        QCOMPARE(fb.run().mstrLogoutLink, QStringLiteral("http://s/bye"));
        QCOMPARE(fb.browser.navigations().last(), QStringLiteral("http://fb/share.php?u=http://example.com/1&c&st=2"));
        fb.page(); // share page 1: "submit" clicked, share page 2 requested in the same event
        QCOMPARE(fb.browser.steps.last().ops.size(), 1);
        QCOMPARE(fb.browser.steps.last().ops.at(0).target.key, QStringLiteral("submit"));
        QCOMPARE(fb.browser.navigations().last(), QStringLiteral("http://fb/share.php?u=http://example.com/2&c&st=2"));
        QCOMPARE(fb.stage(), qint32(RunStage::Submit));
        fb.page(); // share page 2: clicked, and the log-out link requested
        QCOMPARE(fb.browser.navigations().last(), QStringLiteral("http://s/bye"));
        QCOMPARE(fb.stage(), qint32(RunStage::Logout));
        QCOMPARE(fb.run().mlngDoneSteps, 2);

        // A bookmark address with a query of its own stays whole inside the share address.
        Rig q(site(0, "Face Book") + account(0, "a"), 1);
        q.host.rows[0].url = QStringLiteral("http://example.com/p?a=1&b=2#top");
        q.start();
        q.page();
        q.page();
        QCOMPARE(q.browser.navigations().last(),
                 QStringLiteral("http://fb/share.php?u=http://example.com/p%3Fa%3D1%26b%3D2%23top&c&st=2"));

        Rig ff(site(0, "饭否") + account(0, "a"), 2);
        ff.browser.page.logoutHref.clear(); // no link: the earlier value stays (empty here)
        ff.start();
        ff.page();
        ff.page();
        QCOMPARE(ff.browser.navigations().last(), QStringLiteral("http://ff/sharer?u=&t=&d=&s=bm"));
        Rig kd(site(0, "口袋", {"SubmitUrl=NULL"}) + account(0, "a"), 1);
        kd.start();
        kd.page();
        kd.page(); // 口袋 opens its submit address even when it is empty (the blank page)
        QCOMPARE(kd.browser.lastCall(), QStringLiteral("navigate "));
    }

    void anErrorAnswerIsNoSubmission()
    {
        // The site answers the first submission with HTTP 500: the error line, the failure, the
        // bookmark refused with the site's answer, and the next submit page at once (no wait).
        Rig r(site(0, "A") + account(0, "a"), 2);
        r.start();
        r.page(); // the login page: filled and pressed
        r.page(); // after login: the submit page is opened
        r.page(); // the submit page: filled and pressed
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));
        const int opened = int(r.browser.navigations().size());
        r.engine.pageFailed({500, {}});
        r.page();
        QCOMPARE(r.host.log.last(), kError.arg("A", "http://example.com/1"));
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        QCOMPARE(r.browser.navigations().mid(opened), QStringList{"http://s0/submit"});
        QVERIFY(r.timer1.isEnabled());
        QCOMPARE(r.recorder.calls.mid(2), QStringList({"failed at 4, row 1: site refused",
                                                       "1/1 answered 网站拒绝（HTTP 500）", "1/1 refused at 4"}));
        r.page(); // the second bookmark's submit page, and then its answer, a good one
        r.page();
        QCOMPARE(r.recorder.calls.last(), QStringLiteral("1/2 submitted at 4"));
        QCOMPARE(r.host.log.filter(QStringLiteral("错误")).size(), 1);

        // No answer to the login page, or to the login: a failed login, the site skipped at once, and
        // no "已经登录到" line.
        for (int pages : {0, 1}) {
            Rig l(site(0, "A") + site(1, "B") + account(0, "a") + account(1, "b"), 2);
            l.start();
            for (int i = 0; i < pages; ++i)
                l.page();
            l.engine.pageFailed({0, QStringLiteral("连接被拒绝")});
            l.page();
            QCOMPARE(l.host.log.last(), kError.arg("A", QString()));
            QVERIFY(!l.host.log.contains(kLoggedIn.arg("A")));
            QCOMPARE(l.browser.navigations().last(), QStringLiteral("http://s1/login"));
            QCOMPARE(l.recorder.calls.mid(2, 4),
                     QStringList({QStringLiteral("failed at %1, row 1: site refused").arg(pages + 1),
                                  "1/1 answered 没有应答（连接被拒绝）", QStringLiteral("1/1 refused at %1").arg(pages + 1),
                                  QStringLiteral("1/2 site skipped at %1").arg(pages + 1)}));
        }

        // An error page while the run waits for the submit page is taken as that page, as ever.
        Rig s(site(0, "A") + account(0, "a"), 1);
        s.start();
        s.page();
        s.page();
        s.engine.pageFailed({404, {}});
        s.page();
        QCOMPARE(s.stage(), qint32(RunStage::AfterSubmit));
    }

    void watchdogEdges()
    {
        Rig r(site(0, "A") + site(1, "B") + account(0, "a") + account(1, "b"), 2);
        r.clock.setSeconds(100);
        r.start();
        r.clock.setSeconds(130); // exactly the time-out: the step is left alone
        r.timer1.fire();
        QCOMPARE(r.host.log, QStringList{});
        QVERIFY(r.timer1.isEnabled());
        r.clock.setSeconds(131); // one second more: abandoned, to the next site
        r.timer1.fire();
        QCOMPARE(r.host.log, QStringList{kError.arg("A", QString())});
        // The account given up goes with its browser (which stops its load); the next gets its own.
        QCOMPARE(r.browser.calls.mid(2), QStringList({"fresh", "navigate http://s1/login"}));
        QCOMPARE(r.stage(), qint32(RunStage::Login));
        QCOMPARE(r.run().mdtStepStart, qint64(131));
        QCOMPARE(r.run().mlngDoneSteps, 1); // one step of the total, not the bookmarks skipped
        QCOMPARE(r.host.progress.last(), 25);
        QVERIFY(r.timer1.isEnabled());
        // A time-out on the login page of the last site ends the run as a normal end does.
        r.clock.setSeconds(200);
        r.timer1.fire();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.host.infos, QStringList{QStringLiteral("网摘提交完毕！")});
        QCOMPARE(r.host.progress.mid(r.host.progress.size() - 2), QList<int>({100, 0}));
        QVERIFY(!r.timer1.isEnabled());
        r.timer1.setEnabled(true); // a stray tick after the end finds no record left and does nothing
        r.timer1.fire();
        QCOMPARE(r.host.infos.size(), 1);
    }

    void watchdogAtEachStage()
    {
        // Waiting for a submission result with rows remaining: the next bookmark of the same site.
        Rig r(site(0, "A") + account(0, "a"), 3);
        r.start();
        r.page();
        r.page();
        r.page(); // submit pressed, stage 4
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));
        r.clock.advance(31);
        r.timer1.fire();
        QCOMPARE(r.host.log.last(), kError.arg("A", "http://example.com/1"));
        QCOMPARE(r.run().mlngCurRow, 2);
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate http://s0/submit"));
        QCOMPARE(r.run().mlngDoneSteps, 0); // no progress on this path

        // The same for a site without a submit address: nothing is opened, and the next time-out
        // (now at stage 3) leaves the site, which ends this one-site run.
        Rig e(site(0, "A", {"SubmitUrl=NULL"}) + account(0, "a"), 3);
        e.start();
        e.page();
        e.page();
        e.page();
        const int calls = int(e.browser.calls.size());
        e.clock.advance(31);
        e.timer1.fire();
        QCOMPARE(e.browser.calls.size(), calls);
        QCOMPARE(e.stage(), qint32(RunStage::Submit));
        e.clock.advance(31);
        e.timer1.fire();
        QVERIFY(!e.run().mblnRunning);

        // The last row's result never came: the next site, without logging out.
        Rig l(site(0, "A") + site(1, "B") + account(0, "a") + account(1, "b"), 1);
        l.start();
        l.page();
        l.page();
        l.page();
        l.clock.advance(31);
        l.timer1.fire();
        QVERIFY(!l.browser.navigations().contains(QStringLiteral("http://s0/logout")));
        QCOMPARE(l.browser.lastCall(), QStringLiteral("navigate http://s1/login"));

        // Face Book after a time-out: the share address carries the new row's URL, the error line the old one.
        Rig f(site(0, "Face Book") + account(0, "a"), 3);
        f.start();
        f.page();
        f.page();
        f.timer1.setEnabled(true);
        f.engine.state().mlngStage = RunStage::AfterSubmit;
        f.clock.advance(31);
        f.timer1.fire();
        QCOMPARE(f.host.log.last(), kError.arg("Face Book", "http://example.com/1"));
        QCOMPARE(f.browser.lastCall(), QStringLiteral("navigate http://fb/share.php?u=http://example.com/2&c&st=2"));

        // A script site reached through a time-out gets its script run.
        Rig s(site(0, "A") + site(1, "S", {"IsScript=1", "LoginUrl='login()'"}) + account(0, "a") + account(1, "b"), 1);
        s.start();
        s.clock.advance(31);
        s.timer1.fire();
        QCOMPARE(s.browser.calls.mid(2), QStringList({"fresh", "script login()"}));
    }

    void pagesAndTicksWaitForAStepInFlight()
    {
        Rig r(site(0, "A") + account(0, "a"), 2);
        r.start();
        r.engine.pageComplete(true); // the login page: its step goes to the page
        QCOMPARE(r.browser.pending.size(), 1);
        QVERIFY(r.engine.busy());
        // Meanwhile the page after login completes, and the watchdog ticks long after the time-out.
        r.engine.pageComplete(true);
        r.clock.advance(100);
        r.timer1.setEnabled(true);
        r.timer1.fire();
        QCOMPARE(r.stage(), qint32(RunStage::Login)); // nothing acted on the run yet
        QVERIFY(r.host.log.isEmpty());
        r.browser.answer(); // the login step returns: stage 2; then the queued page; then the tick
        r.browser.answer(); // the page after login: the site took the login
        QCOMPARE(r.host.log, QStringList({kLogin.arg("A"), kLoggedIn.arg("A")}));
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        QCOMPARE(r.run().mdtStepStart, r.clock.nowSeconds()); // the tick tested the new step: not overdue
        QVERIFY(!r.engine.busy());

        // An abort pressed while a step is in flight is handled after it.
        r.engine.pageComplete(true);
        r.start();
        QVERIFY(r.run().mblnRunning);
        r.browser.answer();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));

        // A frame's completion neither moves the run nor disarms the watchdog.
        Rig f(site(0, "A") + account(0, "a"), 1);
        f.start();
        f.engine.pageComplete(false);
        QVERIFY(f.browser.pending.isEmpty());
        QVERIFY(f.timer1.isEnabled());
        QCOMPARE(f.stage(), qint32(RunStage::Login));
    }

    void aPressMeansWhatTheButtonShowed()
    {
        // Two presses of "中止(&T)" while a step is in flight: both are aborts of that run, and the
        // second finds it ended already; no new run starts.
        Rig r(site(0, "A") + account(0, "a"), 1);
        r.start();
        r.engine.pageComplete(true); // the login step is in flight
        r.start();
        r.start();
        QCOMPARE(r.host.captions.value(RunButton::AllSubmit), QStringLiteral("中止(&T)"));
        r.browser.answer();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.host.captions.value(RunButton::AllSubmit), QStringLiteral("全部提交(&M)"));
        QCOMPARE(r.browser.navigations(), QStringList{"http://s0/login"});
        // The same with the chosen-sites button.
        Rig c(site(0, "A") + account(0, "a"), 1);
        c.host.chosenSites = QStringLiteral("0");
        c.engine.cmdSubmit_Click();
        c.engine.pageComplete(true);
        c.engine.cmdSubmit_Click();
        c.engine.cmdSubmit_Click();
        c.browser.answer();
        QVERIFY(!c.run().mblnRunning);
        QCOMPARE(c.browser.navigations(), QStringList{"http://s0/login"});
        // A press on an idle caption only starts; it never aborts the run it finds in progress.
        c.engine.cmdSubmit_Click();
        QVERIFY(c.run().mblnRunning);
        c.engine.pageComplete(true); // a step in flight
        c.engine.cmdAllSubmit_Click(); // its caption is idle: a start, which finds a run in progress
        c.browser.answer();
        QVERIFY(c.run().mblnRunning);
        QCOMPARE(c.host.buttonCaption(RunButton::Submit), QStringLiteral("中止(&T)"));
        QCOMPARE(c.host.buttonCaption(RunButton::AllSubmit), QStringLiteral("全部提交(&M)"));
    }

    void eventsOfAnEarlierRunAreDropped()
    {
        Rig r(site(0, "A") + account(0, "a"), 1);
        r.host.chosenSites = QStringLiteral("0");
        r.start();
        r.engine.pageComplete(true);  // the login step is in flight
        r.start();                    // abort, waiting
        r.engine.cmdSubmit_Click();   // a run over chosen sites, waiting
        r.engine.pageComplete(true);  // a page of the first run, waiting behind them
        r.browser.answer();           // the login step ends; then the abort, the new run, and the page
        QVERIFY(r.run().mblnRunning);
        QCOMPARE(r.stage(), qint32(RunStage::Login)); // the first run's page did not reach the second run
        QVERIFY(r.browser.pending.isEmpty());
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate http://s0/login"));
    }

    void nothingToPressStillEnds()
    {
        // A login by button text that finds no button: the watchdog guards the step.
        Rig l(site(0, "A", {"LoginButtonName=NULL", "LoginButtonValue='登录'"}) + account(0, "a"), 1);
        l.start();
        l.page();
        QCOMPARE(l.stage(), qint32(RunStage::Login));
        QVERIFY(l.timer1.isEnabled());
        // A submit button by text that matches nothing: the same.
        Rig s(site(0, "A", {"SubmitButtonId=NULL", "SubmitButtonValue='发表'"}) + account(0, "a"), 1);
        s.start();
        s.page();
        s.page();
        s.page();
        QCOMPARE(s.stage(), qint32(RunStage::Submit));
        QVERIFY(s.timer1.isEnabled());
        s.clock.advance(31);
        s.timer1.fire();
        QVERIFY(!s.run().mblnRunning); // the time-out left the only site
        // Two inputs with the submit text are both pressed.
        Rig t(site(0, "A", {"SubmitButtonId=NULL", "SubmitButtonValue='ok'"}) + account(0, "a"), 1);
        t.browser.page.inputValues = {QStringLiteral("OK"), QStringLiteral("cancel"), QStringLiteral("Ok")};
        t.start();
        t.page();
        t.page();
        t.page();
        QCOMPARE(t.stage(), qint32(RunStage::AfterSubmit));
        QCOMPARE(t.browser.steps.last().ops.last().kind, engine::PageOp::ClickInputsByValueIgnoringCase);
        // A submit id naming no element: pressed all the same, and the step ends by time-out.
        Rig m(site(0, "A", {"SubmitButtonId='missing'"}) + account(0, "a"), 1);
        m.start();
        m.page();
        m.page();
        m.page();
        QCOMPARE(m.stage(), qint32(RunStage::AfterSubmit));
        QVERIFY(m.timer1.isEnabled());
    }

    void delayedLoginAfterFiveSeconds()
    {
        Rig r(site(0, "百度书签", {"SubmitButtonId=NULL", "SubmitButtonValue='收藏'"}) + account(0, "a"), 2);
        r.clock.setSeconds(100);
        r.start();
        r.page(); // handed over to the delayed filler, under the watchdog
        QVERIFY(r.timer1.isEnabled());
        QVERIFY(r.timer2.isEnabled());
        QCOMPARE(r.run().mdtWaitStart, qint64(100));
        r.clock.setSeconds(104);
        r.timer2.fire(); // 4 whole seconds: not yet
        QVERIFY(r.browser.pending.isEmpty());
        QVERIFY(r.timer2.isEnabled());
        r.clock.setSeconds(102);
        r.page(); // the page completes again: the settle time starts over
        QCOMPARE(r.run().mdtWaitStart, qint64(102));
        r.clock.setSeconds(106);
        r.timer2.fire();
        QVERIFY(r.browser.pending.isEmpty());
        r.clock.setSeconds(107);
        r.timer2.fire(); // 5 whole seconds: logged in, by name; the submit pass on the same page finds no "收藏"
        QCOMPARE(r.browser.pending.size(), 1);
        r.browser.answer();
        QCOMPARE(r.host.log, QStringList{kLogin.arg("百度书签")});
        QCOMPARE(r.stage(), qint32(RunStage::AfterLogin));
        QVERIFY(r.timer1.isEnabled());
        QCOMPARE(r.run().mdtStepStart, qint64(107));
        QCOMPARE(r.run().mstrURL, QStringLiteral("http://example.com/1")); // the submit pass loaded the bookmark
        // On the submit page the press is followed at once by the result's work.
        r.page();
        r.browser.page.inputValues = {QStringLiteral("收藏")};
        r.page();
        QCOMPARE(r.run().mlngDoneSteps, 1);
        QCOMPARE(r.run().mlngCurRow, 2);
        QCOMPARE(r.stage(), qint32(RunStage::Submit));

        // With a submit id configured, the submit pass of the same tick presses it on the page then
        // loaded (the login page here): the stage ends at 4.
        Rig i(site(0, "百度书签") + account(0, "a"), 1);
        i.start();
        i.page();
        i.clock.advance(5);
        i.timer2.fire();
        i.browser.answer();
        QCOMPARE(i.stage(), qint32(RunStage::AfterSubmit));
        QVERIFY(i.timer1.isEnabled());

        // Login by button text: a press ends the tick; no press goes on to the submit pass.
        Rig v(site(0, "百度书签", {"LoginButtonName=NULL", "LoginButtonValue='登录'"}) + account(0, "a"), 1);
        v.browser.page.inputValues = {QStringLiteral("登录")};
        v.start();
        v.page();
        v.clock.advance(5);
        v.timer2.fire();
        v.browser.answer();
        QCOMPARE(v.stage(), qint32(RunStage::AfterLogin));
        QCOMPARE(v.run().mstrURL, QString()); // the submit pass did not run
        QCOMPARE(v.browser.steps.last().ops.at(2).endIfPressed, true);
        // Nothing to press in either pass: the stage stays 1, and the watchdog ends the step.
        Rig n(site(0, "百度书签", {"LoginButtonName=NULL", "LoginButtonValue='登录'", "SubmitButtonId=NULL",
                                  "SubmitButtonValue='收藏'"}) +
                  account(0, "a"),
              1);
        n.start();
        n.page();
        n.clock.advance(5);
        n.timer2.fire();
        n.browser.answer();
        QCOMPARE(n.stage(), qint32(RunStage::Login));
        QVERIFY(!n.timer2.isEnabled());
        QVERIFY(n.timer1.isEnabled());
    }

    void delayedSubmitOneTickLater()
    {
        Rig r(site(0, "Windows Live") + account(0, "a"), 2);
        r.start();
        r.page();
        r.page();
        r.page(); // the submit page is handed over
        QVERIFY(r.timer2.isEnabled());
        QVERIFY(!r.timer1.isEnabled());
        QVERIFY(r.browser.pending.isEmpty());
        r.timer2.fire(); // the first tick fills and presses, without a settle time
        r.browser.answer();
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate ")); // the empty address: the blank page
        QVERIFY(r.timer1.isEnabled());
        QCOMPARE(r.browser.steps.last().ops.at(0).value, QStringLiteral("标题1"));

        // A submit id that names no element on the page: pressed all the same, stage 4, watchdog armed.
        Rig m(site(0, "Windows Live", {"SubmitButtonId='missing'"}) + account(0, "a"), 2);
        m.start();
        m.page();
        m.page();
        m.page();
        m.timer2.fire();
        m.browser.answer();
        QCOMPARE(m.stage(), qint32(RunStage::AfterSubmit));
        QVERIFY(m.timer1.isEnabled());
        QVERIFY(m.browser.steps.last().ops.size() >= 1);

        // Stopping a run cancels a pending delayed pass: nothing acts on the stopped run.
        Rig a(site(0, "Windows Live") + account(0, "a"), 2);
        a.start();
        a.page();
        a.page();
        a.page();
        QVERIFY(a.timer2.isEnabled());
        a.start(); // abort
        QVERIFY(!a.timer2.isEnabled());
        const int steps = int(a.browser.steps.size());
        a.timer2.fire();
        a.clock.advance(100);
        a.timer1.fire();
        QCOMPARE(a.browser.steps.size(), steps);
        QVERIFY(!a.timer1.isEnabled());
        QCOMPARE(a.stage(), qint32(RunStage::Submit));
    }

    void windowClosing()
    {
        Rig r(site(0, "A") + account(0, "a"), 2);
        r.start();
        r.clock.advance(3);
        r.engine.windowClosing(); // stage 1 -> 2 and a blank page; the step start is untouched
        QCOMPARE(r.stage(), qint32(RunStage::AfterLogin));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate about:blank"));
        QCOMPARE(r.run().mdtStepStart, r.clock.nowSeconds() - 3);
        r.page(); // the blank page is the page after login
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        r.page();
        QCOMPARE(r.stage(), qint32(RunStage::AfterSubmit));
        // At stage 4 the request is the result of the submission: the bookmark is done, and the next
        // submit page is opened by the site's rule.
        r.clock.advance(2);
        r.engine.windowClosing();
        QCOMPARE(r.run().mlngCurRow, 2);
        QCOMPARE(r.run().mlngDoneSteps, 1);
        QCOMPARE(r.host.progress.last(), 50);
        QCOMPARE(r.stage(), qint32(RunStage::Submit));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate http://s0/submit"));
        QCOMPARE(r.run().mdtStepStart, r.clock.nowSeconds());
        r.page();
        r.engine.windowClosing(); // at the last row: the completion line, and the site's log-out
        QCOMPARE(r.host.log, QStringList({kLoggedIn.arg("A"), kSubmitting.arg("A"), kSubmitted.arg("A")}));
        QCOMPARE(r.stage(), qint32(RunStage::Logout));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate http://s0/logout"));
        QCOMPARE(r.host.progress.last(), 100);
        r.engine.windowClosing(); // stage 5: only the blank page
        QCOMPARE(r.stage(), qint32(RunStage::Logout));
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate about:blank"));
        // Outside a run a request changes nothing.
        r.start(); // abort
        const QStringList calls = r.browser.calls;
        r.engine.windowClosing();
        QCOMPARE(r.browser.calls, calls);
        QCOMPARE(r.stage(), qint32(RunStage::Logout));
        QVERIFY(!r.timer1.isEnabled());

        // Face Book: the next share page.
        Rig f(site(0, "Face Book") + account(0, "a"), 2);
        f.start();
        f.engine.state().mlngStage = RunStage::AfterSubmit;
        f.engine.windowClosing();
        QCOMPARE(f.browser.lastCall(), QStringLiteral("navigate http://fb/share.php?u=http://example.com/2&c&st=2"));

        Rig d(site(0, "delicious", {"IsScript=1", "LoginUrl='post()'"}) + account(0, "a"), 2);
        d.start();
        d.engine.state().mlngStage = RunStage::AfterSubmit;
        d.clock.advance(7);
        d.engine.windowClosing(); // the site's script runs again for the next bookmark, with a new step
        QCOMPARE(d.stage(), qint32(RunStage::Login));
        QCOMPARE(d.run().mlngCurRow, 2);
        QCOMPARE(d.run().mlngDoneSteps, 1);
        QCOMPARE(d.browser.lastCall(), QStringLiteral("script post()"));
        QCOMPARE(d.run().mdtStepStart, d.clock.nowSeconds());
        QVERIFY(d.timer1.isEnabled());
        d.engine.state().mlngStage = RunStage::AfterSubmit;
        d.engine.windowClosing(); // its last bookmark: logged out by its own rule
        QCOMPARE(d.browser.lastCall(), QStringLiteral("navigate http://s0/logout"));
        QCOMPARE(d.run().mlngDoneSteps, 2);
    }

    void ticksQueuedBehindTheEndDoNothing()
    {
        // The finish box is open (its window's events run) when both timers tick: the ticks wait
        // behind the handler that ends the run, and find no run when they are handled.
        Rig r(site(0, "A") + account(0, "a"), 1);
        r.host.onInformation = [&] {
            r.timer1.setEnabled(true);
            r.timer2.setEnabled(true);
            r.clock.advance(100);
            r.timer2.fire();
            r.timer1.fire();
        };
        r.start();
        for (int i = 0; i < 5; ++i)
            r.page();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.host.infos.size(), 1);
        QVERIFY(!r.timer1.isEnabled() && !r.timer2.isEnabled());
        QVERIFY(r.browser.pending.isEmpty()); // no delayed pass ran
        QCOMPARE(r.host.log.filter(QStringLiteral("错误")).size(), 0);
        // After its log-out page the last account's browser goes too.
        QCOMPARE(r.browser.calls.mid(r.browser.calls.size() - 2), QStringList({"navigate http://s0/logout", "fresh"}));
    }

    void delayedLoginEndsWhenThePageKeepsReloading()
    {
        Rig r(site(0, "百度书签") + site(1, "B") + account(0, "a") + account(1, "b"), 2);
        r.clock.setSeconds(100);
        r.start();
        r.clock.setSeconds(101);
        r.page(); // the first login page: the settle time and the time-out count from here
        // The page reloads itself every two seconds, so it never settles.
        for (qint64 t = 102; t <= 136; ++t) {
            r.clock.setSeconds(t);
            if (t % 2 == 1)
                r.page();
            r.timer2.fire();
            r.timer1.fire();
        }
        QVERIFY(r.host.log.isEmpty());
        QCOMPARE(r.stage(), qint32(RunStage::Login));
        r.clock.setSeconds(137); // settle time and time-out passed since the first login page
        r.timer1.fire();
        QCOMPARE(r.host.log, QStringList{kError.arg("百度书签", QString())});
        QCOMPARE(r.browser.lastCall(), QStringLiteral("navigate http://s1/login"));
        QVERIFY(!r.timer2.isEnabled()); // its pending pass went with the step
        QCOMPARE(r.stage(), qint32(RunStage::Login));

        // A time-out shorter than the settle time still lets a page that settles log in.
        Rig s(site(0, "百度书签") + account(0, "a"), 1);
        s.store.gintTimeout = 2;
        s.clock.setSeconds(100);
        s.start();
        s.page();
        for (qint64 t = 101; t <= 105; ++t) {
            s.clock.setSeconds(t);
            s.timer1.fire();
            s.timer2.fire();
        }
        s.browser.answer();
        QCOMPARE(s.host.log, QStringList{kLogin.arg("百度书签")});
        QCOMPARE(s.stage(), qint32(RunStage::AfterSubmit)); // the submit pass pressed its id on that page
    }

    void anAccountWaitsForItsPasswordAndIsSkippedWithoutOne()
    {
        // Three accounts kept in the keyring (no Pwd in the store): the first's cannot be read, the
        // second's comes while a page and the abort-free press wait behind it.
        Rig r(site(0, "A") + site(1, "B") + site(2, "C") + QStringLiteral("INSERT INTO Accounts VALUES(0,'a','');") +
                  QStringLiteral("INSERT INTO Accounts VALUES(1,'b','');") + account(2, "c"),
              2);
        HeldPasswords keyring;
        r.engine.setPasswordSource(&keyring);
        r.start();
        QCOMPARE(keyring.asked, QStringList{QStringLiteral("A/a/")});
        QVERIFY(r.browser.navigations().isEmpty()); // nothing is opened before the password is there
        QVERIFY(r.engine.busy());
        keyring.answer(std::nullopt);
        QCOMPARE(r.host.log, QStringList{QStringLiteral("无法读取\"A\"的帐号\"a\"的密码（钥匙环已锁定），跳过这个帐号！")});
        QCOMPARE(keyring.asked.last(), QStringLiteral("B/b/"));
        r.engine.pageComplete(true); // a stray page waits behind the question
        QVERIFY(r.browser.navigations().isEmpty());
        keyring.answer(QStringLiteral("from-keyring"));
        QCOMPARE(r.browser.navigations(), QStringList{QStringLiteral("http://s1/login")});
        for (int i = 0; i < 20 && keyring.pending.isEmpty() && r.run().mblnRunning; ++i)
            r.page();
        QCOMPARE(keyring.asked.last(), QStringLiteral("C/c/pw-c"));
        keyring.answer(QStringLiteral("pw-c"));
        for (int i = 0; i < 20 && r.run().mblnRunning; ++i)
            r.page();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.browser.steps.at(0).ops.at(1).value, QStringLiteral("from-keyring"));
        QCOMPARE(r.recorder.calls.mid(0, 5),
                 QStringList({"run 3 accounts, 2 bookmarks", "account 1: A a",
                              "1/1 answered 无法读取密码（钥匙环已锁定）", "1/1 refused at 0", "1/2 site skipped at 0"}));
        QCOMPARE(r.recorder.calls.at(5), QStringLiteral("account 2: B b"));
        QCOMPARE(r.host.progress.at(1), 33); // the skipped account's two steps count as done
    }

    void recorderSequence()
    {
        // A good site, then one whose submit page has nothing to press.
        Rig r(site(0, "A") + site(1, "B", {"SubmitButtonId=NULL", "SubmitButtonValue='发表'"}) + account(0, "a") +
                  account(1, "b"),
              2);
        int logAtTimeout = -1;
        r.recorder.onFailure = [&] { logAtTimeout = int(r.host.log.size()); };
        test::FakeRecorder second; // every recorder is told
        r.engine.addRecorder(&second);
        r.start();
        QVERIFY(r.recorder.started.isValid());
        QCOMPARE(r.recorder.started.timeSpec(), Qt::LocalTime);
        for (int i = 0; i < 10; ++i)
            r.page();
        r.clock.advance(31);
        r.timer1.fire();
        QVERIFY(!r.run().mblnRunning);
        QCOMPARE(r.recorder.calls, QStringList({"run 2 accounts, 2 bookmarks", "account 1: A a",
                                                "1/1 submitted at 4", "1/2 submitted at 4", "account 2: B b",
                                                "failed at 3, row 1: nothing to press", "failed at 3, row 1: timed out",
                                                "2/1 no button at 3", "2/2 site skipped at 3", "ended"}));
        QCOMPARE(logAtTimeout, int(r.host.log.size())); // told after the error line was written
        QCOMPARE(second.calls, r.recorder.calls);
        r.engine.removeRecorder(&second);

        // One site, three bookmarks: the first submitted, the second's result never comes, the third
        // is under way when the run is aborted.
        Rig a(site(0, "A", {"UrlFieldId='gone'"}) + account(0, "a"), 3);
        int callsAtFailure = -1;
        a.recorder.onFailure = [&] { callsAtFailure = int(a.browser.calls.size()); };
        a.start();
        a.page();
        a.page();
        a.page(); // the URL field is missing, the press works
        a.page(); // the first result
        a.page(); // the second submit page
        const int callsBefore = int(a.browser.calls.size());
        a.clock.advance(31);
        a.timer1.fire(); // the second bookmark's result never came
        QCOMPARE(callsAtFailure, callsBefore); // told before the next submit page was requested
        QCOMPARE(a.browser.calls.size(), callsBefore + 1);
        a.engine.pageComplete(true); // the third bookmark's submit page: its press is in flight when the user aborts
        a.start();
        a.browser.answerAll();
        QCOMPARE(a.recorder.calls, QStringList({"run 1 accounts, 3 bookmarks", "account 1: A a",
                                                "failed at 3, row 1: statement failed", "1/1 submitted at 4",
                                                "failed at 3, row 2: statement failed", "failed at 4, row 2: timed out",
                                                "1/2 timed out at 4", "failed at 3, row 3: statement failed",
                                                "aborted"}));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
