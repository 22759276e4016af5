#include "controls/button/command.h"
#include "platform/programfont.h"
#include "support/messagerecorder.h"
#include "support/widgets.h"
#include "support/testclock.h"
#include "support/testhttpserver.h"
#include "ui/main/adddialog.h"
#include "ui/main/tagdialog.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

using namespace tvx;
using test::child;

namespace {
QLineEdit* titleBox(QWidget& d)
{
    return child<QLineEdit>(d, "txtTitle");
}

// The cursor the whole program shows now: the top of the override stack, or none.
Qt::CursorShape programCursor()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

int overrideDepth()
{
    int depth = 0;
    QList<QCursor> stack;
    while (QGuiApplication::overrideCursor()) {
        stack.prepend(*QGuiApplication::overrideCursor());
        QGuiApplication::restoreOverrideCursor();
        ++depth;
    }
    for (const QCursor& c : stack)
        QGuiApplication::setOverrideCursor(c);
    return depth;
}

const QByteArray kPlainPage =
    QByteArrayLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                      "<title>\"引号\" 中文 😀 &amp; &lt;b&gt;</title></head><body>plain</body></html>");
const QString kPlainTitle = QStringLiteral("\"引号\" 中文 😀 & <b>");
} // namespace

class TestAddDialog : public QObject {
    Q_OBJECT
private:
    test::TestHttpServer m_server;

private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        QVERIFY(m_server.isListening());
        m_server.addPage(QStringLiteral("/plain.html"), kPlainPage);
        m_server.addPage(QStringLiteral("/frames.html"),
                         "<html><head><title>外层页面</title></head><body>"
                         "<iframe src=\"/frame-a.html\"></iframe><iframe src=\"/frame-b.html\"></iframe>"
                         "</body></html>");
        m_server.addPage(QStringLiteral("/frame-a.html"),
                         "<html><head><title>Frame A</title></head><body>a</body></html>");
        m_server.addPage(QStringLiteral("/frame-b.html"),
                         "<html><head><title>Frame B</title></head><body>b</body></html>");
        m_server.addPage(QStringLiteral("/untitled.html"),
                         "<html><head></head><body>no title here</body></html>");
        m_server.addPage(
            QStringLiteral("/alert.html"),
            "<html><head><title>Alerts</title><script>alert('x'); confirm('y'); prompt('z');</script>"
            "</head><body></body></html>");
        m_server.addPage(QStringLiteral("/q"), "<html><head><title>Query</title></head></html>");
        m_server.addHeldPage(QStringLiteral("/slow.html"), "<html><head><title>慢页面</title></head><body>",
                             "</body></html>");
        m_server.addHeldPage(QStringLiteral("/slow-untitled.html"), "<html><body>", "</body></html>");
        m_server.addHeldPage(QStringLiteral("/silent.html"), QByteArray());
    }

    void cleanup()
    {
        m_server.releaseHeld();
        QCOMPARE(overrideDepth(), 0); // no test leaves the hourglass behind
    }

    void controlsAndPlaces()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        QCOMPARE(frmAdd.windowTitle(), QStringLiteral("添加新网址"));
        QCOMPARE(frmAdd.size(), QSize(589, 417));
        const QList<std::tuple<const char*, QString, QRect>> controls = {
            {"txtURL", QString(), {6, 20, 575, 20}},
            {"txtTitle", QString(), {6, 60, 575, 20}},
            {"txtTag", QString(), {6, 100, 549, 20}},
            {"txtSummary", QString(), {6, 140, 575, 236}},
            {"cmdTag", QStringLiteral("..."), {556, 96, 27, 27}},
            {"cmdOK", QStringLiteral("确定"), {206, 384, 95, 27}},
            {"cmdCancel", QStringLiteral("取消"), {308, 384, 95, 27}}};
        for (const auto& [name, caption, place] : controls) {
            QWidget* control = child<QWidget>(frmAdd, name);
            QCOMPARE(control->geometry(), place);
            if (auto* button = qobject_cast<controls::Command*>(control))
                QCOMPARE(button->caption(), caption);
        }
        QCOMPARE(child<controls::Command>(frmAdd, "cmdTag")->toolTip(), QStringLiteral("挑选分类"));
        const QList<std::pair<const char*, QString>> labels = {
            {"Label1", QStringLiteral("网址")},
            {"Label2", QStringLiteral("标题")},
            {"Label3", QStringLiteral("分类(多个分类以半角空格分开)")},
            {"Label4", QStringLiteral("摘要")}};
        for (const auto& [name, text] : labels) {
            // Read out with its box, and above it, whatever the font's height.
            auto* label = child<QLabel>(frmAdd, name);
            QCOMPARE(label->text(), text);
            QVERIFY(label->buddy());
            QVERIFY(label->geometry().top() >= 0);
            QVERIFY(test::textInk(label).bottom() < label->buddy()->geometry().top());
        }
        // The browser lies just below the client area: live but never seen.
        auto* wb = child<QWebEngineView>(frmAdd, "wb");
        QCOMPARE(wb->geometry(), QRect(4, 418, 255, 47));
        frmAdd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmAdd));
        QVERIFY(wb->isVisible());
        QVERIFY(!frmAdd.rect().intersects(wb->geometry()));
        frmAdd.close();
    }

    void emptyAddressLoadsNothing()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.show();
        QVERIFY(!frmAdd.isShowingHourglass());
        QVERIFY(!frmAdd.isLoadTimerActive());
        QCOMPARE(overrideDepth(), 0);
        QCOMPARE(child<QLineEdit>(frmAdd, "txtURL")->text(), QString());
        QVERIFY(frmAdd.browser()->url().isEmpty());
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QVERIFY(frmAdd.gblnOK);
        QCOMPARE(frmAdd.gstrURL, QString());
        QCOMPARE(frmAdd.gstrTitle, QString());
        QCOMPARE(frmAdd.gstrTag, QString());
        QCOMPARE(frmAdd.gstrSummary, QString());
    }

    void plainPageTitle()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        const int hitsBefore = m_server.hits(QStringLiteral("/plain.html"));
        frmAdd.gstrURL = m_server.url(QStringLiteral("/plain.html")).toString();
        frmAdd.show();
        QVERIFY(frmAdd.isShowingHourglass());
        QCOMPARE(programCursor(), Qt::WaitCursor);
        QVERIFY(frmAdd.isLoadTimerActive());
        QCOMPARE(child<QLineEdit>(frmAdd, "txtURL")->text(), frmAdd.gstrURL);
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), kPlainTitle, 15000);
        QVERIFY(!frmAdd.isShowingHourglass());
        QVERIFY(!frmAdd.isLoadTimerActive());
        QCOMPARE(overrideDepth(), 0);
        QCOMPARE(m_server.hits(QStringLiteral("/plain.html")), hitsBefore + 1);
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QCOMPARE(frmAdd.gstrTitle, kPlainTitle);
    }

    void addressLoadedAsTyped()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.origin() + QStringLiteral("/q?name=%E4%B8%AD&x=1&y=a%20b");
        frmAdd.show();
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), QStringLiteral("Query"), 15000);
        test::TestHttpServer::Request request;
        for (const auto& r : m_server.requests()) {
            if (r.path == QLatin1String("/q"))
                request = r;
        }
        QCOMPARE(request.path, QStringLiteral("/q"));
        QCOMPARE(request.param(QStringLiteral("name")), QStringLiteral("中"));
        QCOMPARE(request.param(QStringLiteral("y")), QStringLiteral("a b"));
        frmAdd.close();
        QCOMPARE(frmAdd.gstrURL, m_server.origin() + QStringLiteral("/q?name=%E4%B8%AD&x=1&y=a%20b"));
    }

    void framesEndWithTheTopLevelTitle()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.url(QStringLiteral("/frames.html")).toString();
        frmAdd.show();
        QTRY_VERIFY_WITH_TIMEOUT(m_server.hits(QStringLiteral("/frame-b.html")) > 0 &&
                                     m_server.hits(QStringLiteral("/frame-a.html")) > 0,
                                 15000);
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), QStringLiteral("外层页面"), 15000);
        QTest::qWait(300); // late frame documents change nothing
        QCOMPARE(titleBox(frmAdd)->text(), QStringLiteral("外层页面"));
        QVERIFY(!frmAdd.isShowingHourglass());
        frmAdd.close();
    }

    void pageAlertsShowNothing()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.url(QStringLiteral("/alert.html")).toString();
        frmAdd.show();
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), QStringLiteral("Alerts"), 15000);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        frmAdd.close();
    }

    void pageWithoutTitleKeepsWhatWasTyped()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.url(QStringLiteral("/untitled.html")).toString();
        frmAdd.show();
        QTRY_VERIFY_WITH_TIMEOUT(!frmAdd.isShowingHourglass(), 15000);
        QTest::qWait(200);
        QCOMPARE(titleBox(frmAdd)->text(), QString()); // not the address, not an error text
        frmAdd.close();

        // A title typed while an untitled page loads is still there when it completes.
        ui::AddDialog second(clock);
        second.gstrURL = m_server.url(QStringLiteral("/slow-untitled.html")).toString();
        second.show();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldWaiting(), 1, 15000);
        titleBox(second)->setText(QStringLiteral("我的标题"));
        m_server.releaseHeld();
        QTRY_VERIFY_WITH_TIMEOUT(!second.isShowingHourglass(), 15000);
        QTest::qWait(300);
        QCOMPARE(titleBox(second)->text(), QStringLiteral("我的标题"));
        second.close();
    }

    void slowPageTimesOutAndALateTitleStillComes()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.url(QStringLiteral("/slow.html")).toString();
        frmAdd.show();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldWaiting(), 1, 15000);
        QVERIFY(frmAdd.isShowingHourglass());

        // Ten seconds are not yet more than ten.
        clock.advance(10);
        frmAdd.Timer1_Timer();
        QVERIFY(frmAdd.isShowingHourglass());
        QVERIFY(frmAdd.isLoadTimerActive());
        // The dialog's own timer notices the eleventh second.
        clock.advance(1);
        QTRY_VERIFY_WITH_TIMEOUT(!frmAdd.isShowingHourglass(), 3000);
        QVERIFY(!frmAdd.isLoadTimerActive());
        QCOMPARE(overrideDepth(), 0);

        // The dialog stays usable; the load goes on, and its title replaces what was typed.
        titleBox(frmAdd)->setText(QStringLiteral("用户输入的标题"));
        m_server.releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), QStringLiteral("慢页面"), 15000);
        QCOMPARE(overrideDepth(), 0);
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QVERIFY(frmAdd.gblnOK);
        QCOMPARE(frmAdd.gstrTitle, QStringLiteral("慢页面"));
    }

    void closingWhileLoadingRestoresTheCursorOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << QStringLiteral("ok");
        QTest::newRow("Cancel") << QStringLiteral("cancel");
        QTest::newRow("close box") << QStringLiteral("close");
        QTest::newRow("Escape") << QStringLiteral("escape");
        QTest::newRow("after the time-out") << QStringLiteral("timeout");
    }

    void closingWhileLoadingRestoresTheCursorOnce()
    {
        QFETCH(QString, how);
        // A cursor set by someone else must survive: the dialog takes away only its own hourglass.
        QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
        {
            test::TestClock clock;
            ui::AddDialog frmAdd(clock);
            frmAdd.gstrURL = m_server.url(QStringLiteral("/slow.html")).toString();
            frmAdd.show();
            QVERIFY(QTest::qWaitForWindowActive(&frmAdd));
            QTRY_COMPARE_WITH_TIMEOUT(m_server.heldWaiting(), 1, 15000);
            QCOMPARE(overrideDepth(), 2);
            if (how == QLatin1String("ok")) {
                child<controls::Command>(frmAdd, "cmdOK")->click();
                QVERIFY(frmAdd.gblnOK);
            } else if (how == QLatin1String("cancel")) {
                child<controls::Command>(frmAdd, "cmdCancel")->click();
            } else if (how == QLatin1String("close")) {
                frmAdd.close();
            } else if (how == QLatin1String("escape")) {
                QTest::keyClick(&frmAdd, Qt::Key_Escape);
            } else {
                clock.advance(11);
                frmAdd.Timer1_Timer();
                QCOMPARE(overrideDepth(), 1);
                frmAdd.close();
            }
            QVERIFY(!frmAdd.isVisible());
            QVERIFY(!frmAdd.isShowingHourglass());
            QVERIFY(!frmAdd.isLoadTimerActive());
            QCOMPARE(programCursor(), Qt::CrossCursor);
            QCOMPARE(overrideDepth(), 1);
            QCOMPARE(frmAdd.gblnOK, how == QLatin1String("ok"));
            // The abandoned page completing later changes nothing.
            titleBox(frmAdd)->setText(QStringLiteral("x"));
            m_server.releaseHeld();
            QTest::qWait(500);
            QCOMPARE(titleBox(frmAdd)->text(), QStringLiteral("x"));
            QCOMPARE(overrideDepth(), 1);
        }
        QCOMPARE(programCursor(), Qt::CrossCursor);
        QGuiApplication::restoreOverrideCursor();
    }

    void destroyedWhileLoading()
    {
        test::TestClock clock;
        auto* frmAdd = new ui::AddDialog(clock);
        frmAdd->gstrURL = m_server.url(QStringLiteral("/slow.html")).toString();
        frmAdd->show();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldWaiting(), 1, 15000);
        delete frmAdd;
        QCOMPARE(overrideDepth(), 0);
        m_server.releaseHeld();
        QTest::qWait(300);
    }

    void badAddressesLeaveTheDialogUsable_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("failsAtOnce"); // without waiting for the time-out
        QTest::newRow("not a URL") << QStringLiteral("abc") << true;
        QTest::newRow("scheme only") << QStringLiteral("http://") << false;
        QTest::newRow("blanks around") << QStringLiteral("  http://127.0.0.1:9/ ") << true;
        QTest::newRow("connection refused") << QStringLiteral("http://127.0.0.1:9/") << true;
        QTest::newRow("unknown scheme") << QStringLiteral("tavrinex-nothing:whatever") << true;
        QTest::newRow("host that never answers") << QStringLiteral("SILENT") << false;
    }

    void badAddressesLeaveTheDialogUsable()
    {
        QFETCH(QString, address);
        QFETCH(bool, failsAtOnce);
        if (address == QLatin1String("SILENT"))
            address = m_server.url(QStringLiteral("/silent.html")).toString();
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = address;
        frmAdd.show();
        QVERIFY(QTest::qWaitForWindowActive(&frmAdd));
        // Kept as typed, in the box and in the result.
        QCOMPARE(child<QLineEdit>(frmAdd, "txtURL")->text(), address);
        // Typing goes on while the address loads or fails.
        titleBox(frmAdd)->setFocus();
        QTest::keyClicks(titleBox(frmAdd), QStringLiteral("abc"));
        QCOMPARE(titleBox(frmAdd)->text(), QStringLiteral("abc"));
        if (failsAtOnce)
            QTRY_VERIFY_WITH_TIMEOUT(!frmAdd.isShowingHourglass(), 15000);
        else
            QTest::qWait(1000);
        // At the latest the time-out ends the wait.
        clock.advance(11);
        frmAdd.Timer1_Timer();
        QVERIFY(!frmAdd.isShowingHourglass());
        QVERIFY(!frmAdd.isLoadTimerActive());
        QCOMPARE(overrideDepth(), 0);
        QTest::qWait(300);
        QCOMPARE(titleBox(frmAdd)->text(), QStringLiteral("abc")); // no error page's title
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QVERIFY(frmAdd.gblnOK);
        QCOMPARE(frmAdd.gstrURL, address);
        QCOMPARE(frmAdd.gstrTitle, QStringLiteral("abc"));
    }

    void resultsKeepEveryCharacter()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.show();
        const QString title =
            QStringLiteral("'单' \"双\" \\ </script> 😀\u00a0\u2028end") + QString(40000, QLatin1Char('t'));
        const QString tags = QStringLiteral("科技  \"Qt\" 😀");
        const QString summary =
            QStringLiteral("第一行\n第二行\u00a0nbsp\t制表\n\n😀 \"end\" ") + QString(50000, QChar(0x6587));
        titleBox(frmAdd)->setText(title);
        child<QLineEdit>(frmAdd, "txtTag")->setText(tags);
        child<QPlainTextEdit>(frmAdd, "txtSummary")->setPlainText(summary);
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QVERIFY(frmAdd.gblnOK);
        QCOMPARE(frmAdd.gstrTitle, title);
        QCOMPARE(frmAdd.gstrTag, tags);
        QCOMPARE(frmAdd.gstrSummary, summary);

        // A very long address is shown whole and handed back unchanged.
        ui::AddDialog second(clock);
        second.gstrURL = m_server.origin() + QStringLiteral("/long?x=") + QString(40000, QLatin1Char('a'));
        second.show();
        QCOMPARE(child<QLineEdit>(second, "txtURL")->text(), second.gstrURL);
        child<controls::Command>(second, "cmdOK")->click();
        QCOMPARE(second.gstrURL,
                 m_server.origin() + QStringLiteral("/long?x=") + QString(40000, QLatin1Char('a')));
    }

    void closeBoxAfterAnEarlierOK()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.show();
        titleBox(frmAdd)->setText(QStringLiteral("第一次"));
        child<controls::Command>(frmAdd, "cmdOK")->click();
        QVERIFY(frmAdd.gblnOK);
        frmAdd.show();
        QVERIFY(!frmAdd.gblnOK); // cleared on every showing
        frmAdd.close();
        QVERIFY(!frmAdd.gblnOK);
        QCOMPARE(frmAdd.gstrTitle, QStringLiteral("第一次"));
    }

    void tagPickerMergesWithTypedText()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.show();
        auto* txtTag = child<QLineEdit>(frmAdd, "txtTag");
        txtTag->setText(QStringLiteral("科技 自定义"));

        QStringList preselected;
        QTimer::singleShot(0, this, [&] {
            auto* picker = qobject_cast<ui::TagDialog*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            QCOMPARE(picker->objectName(), QStringLiteral("frmTag"));
            auto* list = child<QListWidget>(*picker, "lstTag");
            for (QListWidgetItem* item : list->selectedItems())
                preselected.append(item->text());
            list->item(0)->setSelected(true); // 新闻
            child<controls::Command>(*picker, "cmdOK")->click();
        });
        child<controls::Command>(frmAdd, "cmdTag")->click();
        QCOMPARE(preselected, QStringList{QStringLiteral("科技")});
        QCOMPARE(txtTag->text(), QStringLiteral("自定义 新闻 科技"));

        // Cancel in the picker leaves the text alone.
        QTimer::singleShot(0, this, [&] {
            auto* picker = qobject_cast<ui::TagDialog*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            child<QListWidget>(*picker, "lstTag")->clearSelection();
            child<controls::Command>(*picker, "cmdCancel")->click();
        });
        child<controls::Command>(frmAdd, "cmdTag")->click();
        QCOMPARE(txtTag->text(), QStringLiteral("自定义 新闻 科技"));
        QVERIFY(frmAdd.isVisible());
        frmAdd.close();
    }

    void screenshot()
    {
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.gstrURL = m_server.url(QStringLiteral("/plain.html")).toString();
        frmAdd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmAdd));
        QTRY_COMPARE_WITH_TIMEOUT(titleBox(frmAdd)->text(), kPlainTitle, 15000);
        child<QLineEdit>(frmAdd, "txtTag")->setText(QStringLiteral("新闻 科技"));
        child<QPlainTextEdit>(frmAdd, "txtSummary")
            ->setPlainText(QStringLiteral("一段摘要。\nA summary line."));
        QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
        QVERIFY(frmAdd.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/frmAdd.png")));
        frmAdd.close();
    }
};

QTEST_MAIN(TestAddDialog)
#include "tst_adddialog.moc"
