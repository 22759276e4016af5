// The point-and-click field picker in real Qt WebEngine, on the demonstration site's pages and on a page
// of its own: the column that gets the element's id, name or button text, what the pane says it took,
// the page's own handlers kept from the picking click, and the pane's cookies kept from the worker
// browser's.
#include "controls/button/command.h"
#include "demosite.h"
#include "platform/pickerpage.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/messagerecorder.h"
#include "support/showntext.h"
#include "support/tempstore.h"
#include "support/testhttpserver.h"
#include "support/widgets.h"
#include "ui/sites/browserpane.h"
#include "ui/sites/sitedefinitionsdialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

using namespace tvx;
using test::child;

namespace {
QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

void moveTo(QWebEngineView* view, QPoint at)
{
    QWidget* surface = view->focusProxy();
    QMouseEvent move(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
}

// A click of the left button as the pointer gives it: moved there, pressed, released.
void click(QWebEngineView* view, QPoint at)
{
    QWidget* surface = view->focusProxy();
    const QPoint global = surface->mapToGlobal(at);
    moveTo(view, at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &release);
}

QVariant eval(QWebEnginePage* page, const QString& expression)
{
    std::optional<QVariant> value;
    page->runJavaScript(expression, [&](const QVariant& v) { value = v; });
    test::waitUntil([&] { return value.has_value(); }, 10000);
    return value.value_or(QVariant());
}
} // namespace

class TestFieldPicker : public QObject {
    Q_OBJECT

    demosite::DemoSite m_site;
    test::TestHttpServer m_server;
    std::unique_ptr<test::TempStore> m_db;
    store::ProgramStore m_store;
    std::unique_ptr<ui::SiteDefinitionsDialog> m_dlg;

    ui::BrowserPane* pane() const { return m_dlg->pane(); }
    QLineEdit* box(const char* column) const { return child<QLineEdit>(*m_dlg, column); }

    bool open(const QString& address)
    {
        bool done = false;
        const auto c = connect(pane()->page(), &QWebEnginePage::loadFinished, this, [&] { done = true; });
        pane()->open(address);
        const bool ok = test::waitUntil([&] { return done; }, 20000);
        disconnect(c);
        // Chromium takes input only once the page has been painted.
        return ok && test::waitUntil(
                         [&] {
                             return eval(pane()->page(), QStringLiteral("performance.getEntriesByType('paint').length"))
                                        .toInt() > 0;
                         },
                         10000);
    }
    // Presses the pick button of a row, then clicks the element that `selector` finds on the page.
    void pick(const char* pickButton, const QString& selector)
    {
        child<controls::Command>(*m_dlg, pickButton)->click();
        QVERIFY(pane()->picking());
        const QVariantList rect =
            eval(pane()->page(), QStringLiteral("(function(){var r=document.querySelector(%1).getBoundingClientRect();"
                                                "return [r.left+r.width/2, r.top+r.height/2];})()")
                                     .arg(QLatin1Char('\'') + selector + QLatin1Char('\'')))
                .toList();
        QCOMPARE(rect.size(), 2);
        const QPoint at(int(rect.at(0).toDouble()), int(rect.at(1).toDouble()));
        // The element under the pointer is outlined, by a box outside the body (where the run's scans
        // never look).
        moveTo(pane()->view(), at);
        const QString outlined =
            QStringLiteral(
                "(function(){var b=document.documentElement.lastElementChild, e=document.querySelector(%1);"
                "if(!b||b.tagName!=='DIV'||document.body.contains(b))return false;"
                "var r=b.getBoundingClientRect(), s=e.getBoundingClientRect();"
                "return "
                "Math.abs(r.left-s.left)<1&&Math.abs(r.top-s.top)<1&&Math.abs(r.width-Math.max(s.width,4))<1;})()")
                .arg(QLatin1Char('\'') + selector + QLatin1Char('\''));
        QVERIFY(test::waitUntil([&] { return eval(pane()->page(), outlined).toBool(); }, 10000));
        click(pane()->view(), at);
        QVERIFY(test::waitUntil([&] { return !pane()->picking(); }, 10000));
        // Picked, the box is gone.
        QVERIFY(!eval(pane()->page(), outlined).toBool());
    }

private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        m_site.start();
        QString sql;
        int id = 0;
        for (const char* key : {"byid", "byname", "byvalue"})
            sql += q(demosite::siteRowSql(id++, key, m_site.base()));
        m_db = std::make_unique<test::TempStore>(sql);
        m_store.gcnnStore.open(m_db->path());
        m_dlg = std::make_unique<ui::SiteDefinitionsDialog>(m_store);
        m_dlg->resize(1160, 760);
        m_dlg->show();
        // An editable copy of the first site, emptied where the picker is to write.
        child<controls::Command>(*m_dlg, "copyButton")->click();
        for (const char* column : {"UidFieldId", "UidFieldName", "LoginButtonName", "LoginButtonValue"})
            box(column)->clear();
    }

    void anElementWithAnIdGivesItsId()
    {
        QVERIFY(open(q(m_site.base()) + QStringLiteral("/byid/login")));
        box("UidFieldName")->setText(QStringLiteral("stale"));
        pick("pickUidFieldId", QStringLiteral("#f_uid"));
        QCOMPARE(box("UidFieldId")->text(), QStringLiteral("f_uid"));
        // The id wins in a run, so nothing else is left in the row.
        QCOMPARE(box("UidFieldName")->text(), QString());
        QVERIFY(pane()->status().contains(QStringLiteral("用户名框")));
        QVERIFY(pane()->status().contains(QStringLiteral("编号(id)“f_uid”")));
    }

    // Tab goes from the address bar into the page below it, Shift+Tab from the buttons at the bottom
    // back into it, and from the last button on to the list at the top, as the eye goes.
    void theTabOrderTakesThePageInItsPlace()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        const auto tabFrom = [this](const char* name, bool back = false) {
            QWidget* from = child<QWidget>(*m_dlg, name);
            from->setFocus();
            QTest::keyClick(from, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
            return QApplication::focusWidget();
        };
        QVERIFY(pane()->view()->isAncestorOf(tabFrom("openButton")));
        QVERIFY(pane()->view()->isAncestorOf(tabFrom("newButton", true)));
        QCOMPARE(tabFrom("closeButton"), child<QWidget>(*m_dlg, "siteList"));
    }

    void anElementWithOnlyANameGivesItsName()
    {
        QVERIFY(open(q(m_site.base()) + QStringLiteral("/byname/login")));
        pick("pickUidFieldId", QStringLiteral("input[name=uid]"));
        QCOMPARE(box("UidFieldId")->text(), QString());
        QCOMPARE(box("UidFieldName")->text(), QStringLiteral("uid"));
        // A button with a name: by its name.
        pick("pickLoginButtonName", QStringLiteral("input[name=dologin]"));
        QCOMPARE(box("LoginButtonName")->text(), QStringLiteral("dologin"));
        QCOMPARE(box("LoginButtonValue")->text(), QString());
    }

    void aButtonWithNeitherGivesItsTextAndIsNotPressed()
    {
        m_site.clearRecords();
        QVERIFY(open(q(m_site.base()) + QStringLiteral("/byvalue/login")));
        pick("pickLoginButtonName", QStringLiteral("input[type=submit]"));
        QCOMPARE(box("LoginButtonName")->text(), QString());
        QCOMPARE(box("LoginButtonValue")->text(), QStringLiteral("登录 "));
        QVERIFY(pane()->status().contains(QStringLiteral("按钮文字“登录 ”")));
        // The submit button was clicked but never pressed: after a round trip to the page, the page is
        // still the login page and no login reached the site.
        QCOMPARE(eval(pane()->page(), QStringLiteral("location.pathname")).toString(),
                 QStringLiteral("/byvalue/login"));
        QVERIFY(m_site.logins().empty());
    }

    void thePagesOwnHandlersDoNotRunAndWhatCannotBeFoundIsSaid()
    {
        m_server.addPage(QStringLiteral("/handlers"),
                         "<!DOCTYPE html><html><head><meta charset='utf-8'></head><body>"
                         "<script>var seen=[];['mousedown','mouseup','click','pointerdown'].forEach(function(t){"
                         "document.addEventListener(t,function(){seen.push(t);},true);});</script>"
                         "<form action='/posted'><p><span>标题</span> <input type='text' class='nameless'></p>"
                         "<p><button type='submit' onclick='seen.push(\"button\")'>提交</button>"
                         "<button type='submit' id='signin'>登录</button></p></form>"
                         "<a id='away' href='/elsewhere'>别处</a></body></html>");
        QVERIFY(open(m_server.url(QStringLiteral("/handlers")).toString()));
        const QString before = box("TitleFieldId")->text();
        pick("pickTitleFieldId", QStringLiteral("input.nameless"));
        QCOMPARE(box("TitleFieldId")->text(), before);
        QVERIFY(pane()->status().contains(QStringLiteral("没有编号(id)和名称(name)")));
        // A <button> without id and name: by its caption, which the run's scan finds when no input has it.
        pick("pickSubmitButtonId", QStringLiteral("button"));
        QCOMPARE(box("SubmitButtonValue")->text(), QStringLiteral("提交"));
        QCOMPARE(box("SubmitButtonId")->text() + box("SubmitButtonName")->text(), QString());
        QVERIFY2(pane()->status().contains(QStringLiteral("按钮文字“提交”")), qPrintable(pane()->status()));
        // A login button with only an id (which the login never uses): by its caption.
        pick("pickLoginButtonName", QStringLiteral("#signin"));
        QCOMPARE(box("LoginButtonName")->text(), QString());
        QCOMPARE(box("LoginButtonValue")->text(), QStringLiteral("登录"));
        pick("pickUrlFieldId", QStringLiteral("#away"));
        QCOMPARE(eval(pane()->page(), QStringLiteral("seen.join(',')")).toString(), QString());
        QCOMPARE(eval(pane()->page(), QStringLiteral("location.pathname")).toString(), QStringLiteral("/handlers"));
        QCOMPARE(m_server.hits(QStringLiteral("/posted")) + m_server.hits(QStringLiteral("/elsewhere")), 0);
        // Out of picking, the page is the user's again. The events of this click come after those of
        // the picking clicks, so what the page saw is this click's alone.
        const QVariantList rect =
            eval(pane()->page(),
                 QStringLiteral("(function(){var r=document.querySelector('span').getBoundingClientRect();"
                                "return [r.left+2, r.top+2];})()"))
                .toList();
        click(pane()->view(), QPoint(rect.at(0).toInt(), rect.at(1).toInt()));
        QVERIFY(test::waitUntil(
            [&] {
                return eval(pane()->page(), QStringLiteral("seen.join(',')"))
                    .toString()
                    .contains(QStringLiteral("click"));
            },
            10000));
        QCOMPARE(eval(pane()->page(), QStringLiteral("seen.join(',')")).toString(),
                 QStringLiteral("pointerdown,mousedown,mouseup,click"));
    }

    void anIdThatLooksLikeMarkupShowsAsItsCharacters()
    {
        // The id and the button's text are the page's; the status line quotes them as they stand.
        m_server.addPage(QStringLiteral("/markup"),
                         "<!DOCTYPE html><html><head><meta charset='utf-8'></head><body>"
                         "<form action='/posted'><p><span>标题</span> <input type='text' class='hostile' "
                         "id='&lt;img src=&quot;file:///etc/hostname&quot;&gt; &amp; &lt;b&gt;粗&lt;/b&gt;'></p></form>"
                         "</body></html>");
        QVERIFY(open(m_server.url(QStringLiteral("/markup")).toString()));
        pick("pickTitleFieldId", QStringLiteral("input.hostile"));
        QCOMPARE(box("TitleFieldId")->text(), test::markupLikeText());
        const QString shown = test::shownText(child<QLabel>(*m_dlg, "pickStatus"));
        QVERIFY2(shown.contains(QStringLiteral("编号(id)“") + test::markupLikeText() + QStringLiteral("”")),
                 qPrintable(shown));
    }

    void thePanesCookiesStayInThePane()
    {
        // A login by hand in the pane: the site knows the user in the pane, and not in a page of the
        // profile the worker browser uses.
        QVERIFY(open(q(m_site.base()) + QStringLiteral("/byid/login")));
        bool welcomed = false;
        connect(pane()->page(), &QWebEnginePage::loadFinished, this, [&] { welcomed = true; });
        eval(pane()->page(), QStringLiteral("document.getElementById('f_uid').value='byhand';"
                                            "document.getElementById('f_pwd').value='pw';"
                                            "document.querySelector('[name=dologin]').click();"));
        QVERIFY(test::waitUntil([&] { return welcomed; }, 20000));
        QCOMPARE(m_site.logins().back().user, std::string("byhand"));
        const QString submit = q(m_site.base()) + QStringLiteral("/byid/submit");
        QVERIFY(open(submit));
        QVERIFY(eval(pane()->page(), QStringLiteral("document.body.innerText"))
                    .toString()
                    .contains(QStringLiteral("byhand")));
        QWebEngineView worker;
        bool loaded = false;
        connect(worker.page(), &QWebEnginePage::loadFinished, this, [&] { loaded = true; });
        worker.load(QUrl(submit));
        QVERIFY(test::waitUntil([&] { return loaded; }, 20000));
        QVERIFY(!eval(worker.page(), QStringLiteral("document.body.innerText"))
                     .toString()
                     .contains(QStringLiteral("byhand")));
    }

    void cleanupTestCase()
    {
        m_dlg.reset();
        m_site.stop();
    }
};

QTEST_MAIN(TestFieldPicker)
#include "tst_fieldpicker.moc"
