// The worker browser's page steps, dialog suppression, close hook and page events, in real
// Qt WebEngine against pages served on 127.0.0.1.
#include "engine/pageprotocol.h"
#include "engine/pagestep.h"
#include "platform/webbrowser.h"
#include "platform/workerpage.h"
#include "support/testhttpserver.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEngineView>

using namespace tvx;
using engine::ElementLookup;
using engine::PageOp;
using engine::PageStep;
using engine::StepResult;

namespace {

class Events final : public engine::BrowserEvents {
public:
    void pageComplete(bool) override { ++pages; }
    void windowClosing() override { ++closings; }
    int pages = 0;
    int closings = 0;
};

QByteArray html(const QString& body, const QString& head = {})
{
    return (QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>t</title>") + head +
            QStringLiteral("</head><body>") + body + QStringLiteral("</body></html>"))
        .toUtf8();
}

ElementLookup byId(const QString& id)
{
    return {ElementLookup::Id, id};
}
ElementLookup byName(const QString& name)
{
    return {ElementLookup::Name, name};
}

} // namespace

class TestPageSteps : public QObject {
    Q_OBJECT

    test::TestHttpServer m_server;
    QWebEngineView* m_view = nullptr;
    platform::WebBrowser* m_browser = nullptr;
    Events m_events;

    // Opens a page and waits for its page event.
    void open(const QString& path)
    {
        const int before = m_events.pages;
        m_browser->navigate(m_server.url(path).toString());
        QTRY_VERIFY_WITH_TIMEOUT(m_events.pages > before, 10000);
    }
    StepResult run(const PageStep& step)
    {
        std::optional<StepResult> result;
        m_browser->runStep(step, [&](const StepResult& r) { result = r; });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 15000); }();
        return result.value_or(StepResult{});
    }
    // Evaluates an expression in the page's own world.
    QVariant eval(const QString& expression)
    {
        std::optional<QVariant> value;
        m_browser->page()->runJavaScript(expression, [&](const QVariant& v) { value = v; });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(value.has_value(), 10000); }();
        return value.value_or(QVariant());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.isListening());
        m_view = new QWebEngineView;
        m_view->resize(800, 600);
        m_browser = new platform::WebBrowser(m_view, m_view);
        m_browser->setEvents(&m_events);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }
    void cleanupTestCase() { delete m_view; }

    void lookupsAndWrites()
    {
        m_server.addPage(QStringLiteral("/form"),
                         html(QStringLiteral("<input id=a><input name=n><input name=n><input name=n>"
                                             "<input type=checkbox id=c><input id=text value=keep>"
                                             "<textarea id=area></textarea>")));
        open(QStringLiteral("/form"));
        static const char16_t raw[] = u"\"quotes' \\back\\ </script> \u2028\u2029 \u202eRTL 😀 中文 \u0000nul";
        const QString hostile = QString::fromUtf16(raw, std::size(raw) - 1);
        PageStep step;
        step.ops = {PageOp{PageOp::FillIfPresent, byId(QStringLiteral("a")), hostile},
                    PageOp{PageOp::FillIfPresent, byId(QStringLiteral("missing")), QStringLiteral("x")},
                    PageOp{PageOp::FillIfPresent, byName(QStringLiteral("n")), QStringLiteral("first")},
                    PageOp{PageOp::SetChecked, byId(QStringLiteral("c")), {}, true},
                    PageOp{PageOp::SetChecked, byId(QStringLiteral("text")), {}, true},
                    PageOp{PageOp::SetValue, byId(QStringLiteral("area")), QString(100000, QLatin1Char('z'))}};
        StepResult r = run(step);
        QVERIFY(r.delivered);
        QVERIFY(!r.failed); // a login field that is absent is skipped without a failure
        QCOMPARE(r.outcomes, QList<int>({1, 1, 1, 1, 1, 1}));
        QCOMPARE(eval(QStringLiteral("document.getElementById('a').value")).toString(), hostile);
        QCOMPARE(eval(QStringLiteral("Array.from(document.getElementsByName('n')).map(e => e.value).join('|')")).toString(),
                 QStringLiteral("first||")); // only the first of three
        QCOMPARE(eval(QStringLiteral("document.getElementById('c').checked")).toBool(), true);
        QCOMPARE(eval(QStringLiteral("document.getElementById('text').value")).toString(), QStringLiteral("keep"));
        QCOMPARE(eval(QStringLiteral("document.getElementById('area').value.length")).toInt(), 100000);

        // Statements that fail are skipped, reported, and the ones after them still run.
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("missing")), QStringLiteral("x")},
                    PageOp{PageOp::Click, byName(QStringLiteral("nothing"))},
                    PageOp{PageOp::SubmitForm, byId(QStringLiteral("a"))}, // not a form
                    PageOp{PageOp::SetValue, byId(QStringLiteral("a")), QStringLiteral("after")}};
        r = run(step);
        QVERIFY(r.delivered && r.failed);
        QCOMPARE(r.outcomes, QList<int>({0, 0, 0, 1}));
        QCOMPARE(eval(QStringLiteral("document.getElementById('a').value")).toString(), QStringLiteral("after"));

        // The presence test picks the branch.
        step = {};
        step.presence = byId(QStringLiteral("missing"));
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("a")), QStringLiteral("present")}};
        step.otherwise = {PageOp{PageOp::SetValue, byId(QStringLiteral("a")), QStringLiteral("absent")}};
        r = run(step);
        QVERIFY(!r.present);
        QCOMPARE(eval(QStringLiteral("document.getElementById('a').value")).toString(), QStringLiteral("absent"));
    }

    // A field is written as typing writes it, so the page's own listeners see it; a form drawn after
    // a request of the page is waited for while the request is under way; a page that settles without
    // the elements gets the step as it is, which then fails as ever.
    void typingAndFormsDrawnLater()
    {
        const QString listen = QStringLiteral(
            "<script>window.seen = [];['focus', 'input', 'change', 'blur', 'click'].forEach(t =>"
            " document.addEventListener(t, e => seen.push(t + ':' + e.target.id + '=' + e.target.value +"
            " (e.target.type === 'checkbox' ? e.target.checked : '')), true));</script>");
        m_server.addPage(QStringLiteral("/typing"), html(QStringLiteral("<input id=f><input id=c type=checkbox>"), listen));
        open(QStringLiteral("/typing"));
        PageStep step;
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("f")), QStringLiteral("值")},
                    PageOp{PageOp::SetChecked, byId(QStringLiteral("c")), {}, true}};
        QCOMPARE(run(step).outcomes, QList<int>({1, 1}));
        QCOMPARE(eval(QStringLiteral("seen.join(' ')")).toString(),
                 QStringLiteral("focus:f= input:f=值 change:f=值 blur:f=值 focus:c=onfalse click:c=ontrue "
                                "input:c=ontrue change:c=ontrue blur:c=ontrue"));

        // The form comes with the answer to a request the page makes at its load, answered later than
        // a page would settle without it.
        m_server.addHeldPage(QStringLiteral("/later-data"), {}, "ok");
        m_server.addPage(QStringLiteral("/later"),
                         html({}, listen + QStringLiteral("<script>fetch('/later-data').then(r => r.text()).then(() =>"
                                                          " document.body.insertAdjacentHTML('beforeend',"
                                                          " '<input id=f><button id=b>b</button>'));</script>")));
        open(QStringLiteral("/later"));
        QTimer release;
        release.setSingleShot(true);
        connect(&release, &QTimer::timeout, this, [this] { m_server.releaseHeld(); });
        release.start(3 * engine::kPageSettleMs);
        step.awaitElements = true;
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("f")), QStringLiteral("later")},
                    PageOp{PageOp::Click, byId(QStringLiteral("b"))}};
        StepResult r = run(step);
        QVERIFY(r.delivered && !r.failed);
        QCOMPARE(r.outcomes, QList<int>({1, 1}));
        QCOMPARE(eval(QStringLiteral("seen.join(' ')")).toString(),
                 QStringLiteral("focus:f= input:f=later change:f=later blur:f=later click:b="));

        // Nothing ever comes: the step runs on the settled page, and fails.
        open(QStringLiteral("/typing?none"));
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("absent")), QStringLiteral("x")}};
        r = run(step);
        QVERIFY(r.delivered && r.failed);
        QCOMPARE(r.outcomes, QList<int>({0}));
    }

    void buttonScans()
    {
        m_server.addPage(QStringLiteral("/buttons"),
                         html(QStringLiteral("<script>var hits=[];</script>"
                                             "<input type=button value='登錄' onclick=\"hits.push('traditional')\">"
                                             "<input type=button value='Login' onclick=\"hits.push('case')\">"
                                             "<input type=button value='登录 ' onclick=\"hits.push('trailing')\">"
                                             "<input type=button value='登录' onclick=\"hits.push('plain')\">"
                                             "<button value='SEND' onclick=\"hits.push('button')\">x</button>"
                                             "<input type=button value='SEND' onclick=\"hits.push('send1')\">"
                                             "<input type=button value='send' onclick=\"hits.push('send2')\">"
                                             "<a href='/elsewhere'>其他</a><a href='/bye'>退出</a><a href='/bye2'>退出</a>")));
        open(QStringLiteral("/buttons"));
        PageStep step;
        step.ops = {PageOp{PageOp::ClickFirstInputByTrimmedValue, {}, QStringLiteral(" 登录 ")},
                    PageOp{PageOp::ClickInputsByValueIgnoringCase, {}, QStringLiteral("send")},
                    PageOp{PageOp::FindLinkHref, {}, QStringLiteral("退出")},
                    PageOp{PageOp::ClickFirstInputByTrimmedValue, {}, QStringLiteral("login")}};
        const StepResult r = run(step);
        QVERIFY(r.delivered && !r.failed);
        // The login scan stops at the first input whose trimmed value matches exactly; letter case counts.
        // The submit scan presses every input that matches in any case, but not a <button>.
        QCOMPARE(r.outcomes, QList<int>({1, 2, 1, 0}));
        QCOMPARE(eval(QStringLiteral("hits.join(',')")).toString(), QStringLiteral("trailing,send1,send2"));
        QVERIFY(r.hrefFound);
        QCOMPARE(r.href, m_server.url(QStringLiteral("/bye")).toString());
    }

    // Every statement kind the program can send is one the page's step runner carries out: a probe of
    // each, on an element it matches, finds it instead of failing as an unknown statement.
    void everyStepKindIsKnownToThePage()
    {
        m_server.addPage(QStringLiteral("/kinds"), html(QStringLiteral("<input id=k value=k><a href='/k'>k</a>")));
        open(QStringLiteral("/kinds"));
        PageStep step;
        step.probe = true;
        for (const auto& k : engine::pageprotocol::kStepKinds)
            step.ops.append(PageOp{k.kind, byId(QStringLiteral("k")), QStringLiteral("k")});
        const StepResult r = run(step);
        QVERIFY(r.delivered);
        QVERIFY(!r.failed);
        QCOMPARE(r.outcomes, QList<int>(step.ops.size(), 1));
    }

    void submittingForms()
    {
        m_server.addPage(QStringLiteral("/trap"),
                         html(QStringLiteral("<form name=f method=post action='/posted' onsubmit=\"document.title='handler'\">"
                                             "<input name=v value=sent><input type=submit name=submit value=go></form>")));
        m_server.addPage(QStringLiteral("/posted"), html(QStringLiteral("done")));
        open(QStringLiteral("/trap"));
        // The form's own submit() is hidden by the control named "submit"; the form is submitted anyway.
        PageStep step;
        step.ops = {PageOp{PageOp::SubmitForm, byName(QStringLiteral("f"))}};
        const int before = m_events.pages;
        const StepResult r = run(step);
        QVERIFY(r.delivered && !r.failed);
        QTRY_VERIFY_WITH_TIMEOUT(m_events.pages > before, 10000);
        QCOMPARE(m_server.hits(QStringLiteral("/posted")), 1);
        QCOMPARE(m_server.requests().last().param(QStringLiteral("v")), QStringLiteral("sent"));

        // Submitting a control "as a form" submits the form it belongs to; a control outside any form
        // fails the statement.
        m_server.addPage(QStringLiteral("/control"),
                         html(QStringLiteral("<form method=post action='/posted'><input name=v value=control>"
                                             "<input type=button name=go value=go></form><input name=alone>")));
        open(QStringLiteral("/control"));
        step.ops = {PageOp{PageOp::SubmitForm, byName(QStringLiteral("alone"))},
                    PageOp{PageOp::SubmitForm, byName(QStringLiteral("go"))}};
        const int pages = m_events.pages;
        const StepResult control = run(step);
        QVERIFY(control.delivered && control.failed);
        QCOMPARE(control.outcomes, QList<int>({0, 1}));
        QTRY_VERIFY_WITH_TIMEOUT(m_events.pages > pages, 10000);
        QCOMPARE(m_server.hits(QStringLiteral("/posted")), 2);
        QCOMPARE(m_server.requests().last().param(QStringLiteral("v")), QStringLiteral("control"));
    }

    void aNavigationWaitsForThePressBeforeIt()
    {
        // Each press's navigation is answered after 0.7 s; the next navigation is requested as soon as
        // the step has answered, as the share-page and delayed-fill sites do.
        m_server.addRoute(QStringLiteral("/saved"), [](const test::TestHttpServer::Request&) {
            QThread::msleep(700);
            return test::TestHttpServer::Reply{200, QByteArrayLiteral("text/html; charset=utf-8"), html(QStringLiteral("saved")), {}};
        });
        m_server.addPage(QStringLiteral("/press"),
                         html(QStringLiteral("<form method=post action='/saved'><input name=v value=1>"
                                             "<input type=submit id=submit value=go></form>"
                                             "<form name=g method=post action='/saved'><input name=v value=2></form>"
                                             "<input type=button id=script value=s onclick='document.forms.g.submit()'>"
                                             "<a id=link href='/saved?v=3'>link</a>"
                                             "<input type=button id=nothing value=n>"
                                             "<form method=post action='/saved' onsubmit='return false'>"
                                             "<input type=submit id=prevented value=p></form>"
                                             "<form method=post action='/saved' target=elsewhere>"
                                             "<input type=submit id=framed value=f></form><iframe name=elsewhere></iframe>")));
        m_server.addPage(QStringLiteral("/next"), html(QStringLiteral("next")));
        struct Case {
            const char* id;
            bool navigates;
            int saved; // requests the site got; -1: not fixed (a frame's load may be cut short)
        };
        for (const Case c : {Case{"submit", true, 1}, Case{"script", true, 1}, Case{"link", true, 1},
                             Case{"nothing", false, 0}, Case{"prevented", false, 0}, Case{"framed", false, -1}}) {
            open(QStringLiteral("/press"));
            const int saved = m_server.hits(QStringLiteral("/saved"));
            const int pages = m_events.pages;
            PageStep step;
            step.ops = {PageOp{PageOp::Click, byId(QString::fromLatin1(c.id))}};
            std::optional<StepResult> result;
            bool waits = false;
            m_browser->runStep(step, [&](const StepResult& r) {
                result = r;
                m_browser->navigate(m_server.url(QStringLiteral("/next")).toString());
                waits = !m_browser->settled();
            });
            QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
            QVERIFY2(result->navigating == c.navigates, c.id);
            QVERIFY2(waits == c.navigates, c.id); // a press that started no navigation holds nothing up
            QTRY_VERIFY_WITH_TIMEOUT(m_view->url().path() == QLatin1String("/next") && m_events.pages > pages, 10000);
            // The press's navigation reached the site, and its answer was no page event: only the next page's.
            QCOMPARE(m_events.pages, pages + 1);
            if (c.saved >= 0)
                QVERIFY2(m_server.hits(QStringLiteral("/saved")) == saved + c.saved, c.id);
            QTRY_VERIFY_WITH_TIMEOUT(m_browser->settled(), 5000);
        }
    }

    void dialogsNeverHoldTheRun()
    {
        m_server.addPage(QStringLiteral("/frame-alert"), html(QStringLiteral("<script>alert('frame');</script>in frame")));
        m_server.addPage(QStringLiteral("/dialogs"),
                         html(QStringLiteral("<script>alert('load'); showModalDialog('x');"
                                             "var c = confirm('sure?'); var p = prompt('name?', 'x');"
                                             "document.title = 'c=' + c + ' p=' + p;</script>"
                                             "<iframe src='/frame-alert'></iframe>")));
        open(QStringLiteral("/dialogs"));
        // confirm() and prompt() are answered at once, as a headless browser answers them.
        QCOMPARE(m_view->title(), QStringLiteral("c=false p=null"));
        QCOMPARE(eval(QStringLiteral("alert.toString()")).toString(), QStringLiteral("function   alert(){return;}"));
        QCOMPARE(eval(QStringLiteral("window.frames[0].alert.toString()")).toString(),
                 QStringLiteral("function   alert(){return;}"));
        QVERIFY(m_view->isVisible());
    }

    void closeRequestsAreReported()
    {
        m_server.addPage(QStringLiteral("/close"), html(QStringLiteral("<script>window.close();</script>closing")));
        const int closings = m_events.closings;
        open(QStringLiteral("/close"));
        QTRY_COMPARE_WITH_TIMEOUT(m_events.closings, closings + 1, 5000);
        eval(QStringLiteral("window.close()"));
        QTRY_COMPARE_WITH_TIMEOUT(m_events.closings, closings + 2, 5000);
        QVERIFY(m_view->isVisible()); // the window never closes
        // A page's own console output is no close request.
        eval(QStringLiteral("console.log('tavrinex-close-guess')"));
        QTest::qWait(200);
        QCOMPARE(m_events.closings, closings + 2);
    }

    void pageEvents()
    {
        // A failed load is a completed page (an error page), as is an HTTP error page.
        int before = m_events.pages;
        m_browser->navigate(QStringLiteral("http://127.0.0.1:9/refused"));
        QTRY_COMPARE_WITH_TIMEOUT(m_events.pages, before + 1, 10000);
        before = m_events.pages;
        m_browser->navigate(m_server.url(QStringLiteral("/no-such-page")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_events.pages, before + 1, 10000);
        // The empty address opens the blank page.
        before = m_events.pages;
        m_browser->navigate(QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_events.pages, before + 1, 10000);
        QCOMPARE(m_view->url(), QUrl(QStringLiteral("about:blank")));
        // A load replaced by another navigation, or stopped, completes nothing.
        m_server.addHeldPage(QStringLiteral("/slow"), html(QStringLiteral("start")));
        m_server.addPage(QStringLiteral("/quick"), html(QStringLiteral("quick")));
        before = m_events.pages;
        m_browser->navigate(m_server.url(QStringLiteral("/slow")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldWaiting(), 1, 10000);
        m_browser->navigate(m_server.url(QStringLiteral("/quick")).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_events.pages, before + 1, 10000);
        QTest::qWait(300);
        QCOMPARE(m_events.pages, before + 1);
        before = m_events.pages;
        m_browser->navigate(m_server.url(QStringLiteral("/slow?again")).toString());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.heldWaiting() >= 1, 10000);
        m_browser->stop();
        QTest::qWait(500);
        QCOMPARE(m_events.pages, before);
        m_server.releaseHeld();
    }

    void aBusyPageGivesNoAnswer()
    {
        m_server.addPage(QStringLiteral("/busy"), html(QStringLiteral("<input id=x>busy")));
        open(QStringLiteral("/busy"));
        // A script of the page holds its renderer for four seconds; the step, sent right behind it, reaches
        // the page only then.
        m_browser->page()->runJavaScript(QStringLiteral("var t=Date.now();while(Date.now()-t<4000){}"));
        m_browser->setStepGuardMs(1000);
        PageStep step;
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("x")), QStringLiteral("late")}};
        const StepResult r = run(step);
        QVERIFY(!r.delivered); // given up after the guard time, answered once
        m_browser->setStepGuardMs(10000);
        // When the page is free again, the step that was given up does nothing.
        QCOMPARE(eval(QStringLiteral("document.getElementById('x').value")).toString(), QString());
        step.ops = {PageOp{PageOp::SetValue, byId(QStringLiteral("x")), QStringLiteral("now")}};
        const StepResult later = run(step); // the page answers again afterwards
        QVERIFY(later.delivered);
        QCOMPARE(eval(QStringLiteral("document.getElementById('x').value")).toString(), QStringLiteral("now"));
    }
};

QTEST_MAIN(TestPageSteps)
#include "tst_pagesteps.moc"
