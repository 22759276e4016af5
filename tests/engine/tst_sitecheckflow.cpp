// The site check's course over a browser that answers when the test says: pages that never come end
// the check (after logging out when it had logged in), and a page that completes while a step is
// still under way is taken once the step has been answered.
#include "enginefakes.h"
#include "sites/sitecheck.h"
#include "sites/sitetemplates.h"
#include "support/testclock.h"

#include <QTest>

using namespace tvx;

namespace {
struct Check {
    test::FakeBrowser browser;
    test::TestClock clock;
    test::FakeTicker ticker;
    sites::SiteCheck check{browser, clock, ticker};
    QList<sites::CheckRow> rows;
    int faults = -1;

    Check()
    {
        check.rowAdded = [this](const sites::CheckRow& r) {
            rows.append(r);
        };
        check.finished = [this](int f) {
            faults = f;
        };
        // A login page with the Shaarli template's fields.
        browser.page.names = {QStringLiteral("login"), QStringLiteral("password")};
        browser.page.inputValues = {QStringLiteral("Login")};
        check.start(sites::fromTemplate(QStringLiteral("shaarli"), QStringLiteral("http://h"))
                        .record(QStringLiteral("u"), QStringLiteral("p")),
                    5);
    }
    void waitOut(int seconds)
    {
        clock.advance(seconds);
        ticker.fire();
    }
    QString last() const
    {
        return rows.isEmpty() ? QString() : rows.last().page + QLatin1Char('/') + rows.last().result;
    }
};
} // namespace

class TestSiteCheckFlow : public QObject {
    Q_OBJECT
private slots:
    void aLoginPageThatNeverComesEndsTheCheck()
    {
        Check c;
        QCOMPARE(c.browser.navigations(), QStringList{QStringLiteral("http://h/login")});
        c.waitOut(5);
        QVERIFY(c.check.running());
        c.waitOut(1);
        QVERIFY(!c.check.running());
        QCOMPARE(c.faults, 1);
        QCOMPARE(c.last(), QStringLiteral("登录页/没有在 5 秒内打开"));
        QVERIFY(!c.ticker.isEnabled());
        // A page that comes late changes nothing.
        c.check.pageComplete(true);
        QCOMPARE(c.browser.steps.size(), 0);
    }

    void aSubmitPageThatNeverComesStillLogsOut()
    {
        Check c;
        c.check.pageComplete(true); // the login page
        c.browser.answerAll();      // looked at, then filled and pressed
        QCOMPARE(c.browser.steps.size(), 2);
        QVERIFY(c.browser.steps.at(0).probe);
        QVERIFY(!c.browser.steps.at(1).probe);
        c.check.pageComplete(true); // the page after login
        QCOMPARE(c.browser.navigations().last(), QStringLiteral("http://h/admin/shaare"));
        c.waitOut(6);
        QCOMPARE(c.browser.navigations().last(), QStringLiteral("http://h/admin/logout"));
        QVERIFY(c.check.running());
        c.check.pageComplete(true);
        QVERIFY(!c.check.running());
        QCOMPARE(c.faults, 1);
        QCOMPARE(c.last(), QStringLiteral("退出页/已打开，已退出登录"));
    }

    void aPageDuringAStepIsTakenAfterIt()
    {
        Check c;
        c.check.pageComplete(true);
        c.browser.answer(); // the probe; the login step is under way
        QCOMPARE(c.browser.pending.size(), 1);
        c.check.pageComplete(true); // the page after login completes before the step's answer
        QCOMPARE(c.browser.navigations().size(), 1);
        c.browser.answer();
        QCOMPARE(c.browser.navigations().last(), QStringLiteral("http://h/admin/shaare"));
        QCOMPARE(c.faults, -1);
    }
};

QTEST_GUILESS_MAIN(TestSiteCheckFlow)
#include "tst_sitecheckflow.moc"
