// The keyboard on every window: which keys press a focused button, Enter and Escape in each dialog,
// the Tab cycle of each window, and that no browser ever takes the keyboard focus from the user.
#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/testclock.h"
#include "support/testhttpserver.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/tagdialog.h"
#include "ui/main/urllistmodel.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace tvx;
using test::child;
using test::showActive;

namespace {
const QString kSitesAndAccounts = QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲站'),(1,'乙站');"
                                                 "INSERT INTO Accounts VALUES(0,'a','1'),(1,'b','2');");

struct Main {
    test::TestClock clock;
    store::ProgramStore store;
    ui::MainWindow w;
    explicit Main(const QString& paneHost = QStringLiteral("http://127.0.0.1:9"))
        : w(store, {QString(), QString(), WebHosts{paneHost, QString(), QString()}, &clock})
    {
    }
    int rows() const { return w.urlListModel()->rowCount(); }
};

struct Store {
    test::TempStore db{kSitesAndAccounts};
    store::ProgramStore store;
    Store() { store.gcnnStore.open(db.path()); }
};

// Presses Tab (or Shift+Tab) on whatever has the focus, `count` times, and names where it went.
QStringList tabs(int count, bool back = false)
{
    QStringList visited;
    for (int i = 0; i < count; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            return visited << QStringLiteral("(nothing)");
        QTest::keyClick(focus, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        focus = QApplication::focusWidget();
        visited << (focus ? focus->objectName() : QStringLiteral("(nothing)"));
    }
    return visited;
}

// Starting at `order`'s first control, Tab visits the controls in `order` and comes back to the
// first; Shift+Tab goes the same way backwards.
void checkTabCycle(QWidget& window, const QStringList& order)
{
    child<QWidget>(window, qPrintable(order.first()))->setFocus(Qt::TabFocusReason);
    QStringList forward = order.mid(1);
    forward << order.first();
    QCOMPARE(tabs(int(order.size())), forward);
    QCOMPARE(tabs(int(order.size()), true), QStringList(order.rbegin(), order.rend()));
}

void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), k, modifiers);
}
} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void keysOnAFocusedButtonLoseNothing()
    {
        Main m;
        QVERIFY(showActive(m.w));
        for (const char* title : {"一", "二", "三"})
            m.w.urlListModel()->append({QStringLiteral("http://example.org/"), QString::fromUtf8(title), {}, {}});
        const QList<Qt::Key> stray = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,       Qt::Key_Down,
                                      Qt::Key_A,    Qt::Key_C,     Qt::Key_Delete,   Qt::Key_Backspace,
                                      Qt::Key_Home, Qt::Key_End,   Qt::Key_PageDown, Qt::Key_F5};
        auto* list = child<QTreeView>(m.w, "lvwURLList");
        list->setCurrentIndex(m.w.urlListModel()->index(0, 0));
        for (const char* name : {"cmdClear", "cmdRemove", "cmdSelAll", "cmdUnSelAll"}) {
            child<controls::Command>(m.w, name)->setFocus();
            for (Qt::Key k : stray)
                key(k);
            QCOMPARE(m.rows(), 3);
            QVERIFY2(list->selectionModel()->isRowSelected(0, {}), name);
        }
        // Enter and Space press the focused button, as on every push button.
        child<controls::Command>(m.w, "cmdRemove")->setFocus();
        key(Qt::Key_Return);
        QCOMPARE(m.rows(), 2);
        child<controls::Command>(m.w, "cmdClear")->setFocus();
        key(Qt::Key_Space);
        QCOMPARE(m.rows(), 0);
    }

    void enterInTheAddressBoxAdds()
    {
        Main m;
        QVERIFY(showActive(m.w));
        auto* address = child<QLineEdit>(m.w, "txtURL");
        address->setFocus();
        QTest::keyClicks(address, QStringLiteral("http://127.0.0.1:9/a"));
        bool shown = false;
        test::whenModal(QStringLiteral("frmAdd"), [&](QDialog* dlg) {
            // The title box has the dialog's focus; Enter there confirms the dialog.
            auto* title = qobject_cast<QLineEdit*>(dlg->focusWidget());
            shown = title && title->objectName() == QLatin1String("txtTitle");
            if (shown) {
                title->insert(QStringLiteral("甲页"));
                QTest::keyClick(title, Qt::Key_Return);
            }
            if (dlg->isVisible())
                dlg->reject();
        });
        key(Qt::Key_Return);
        QVERIFY(shown);
        QCOMPARE(m.rows(), 1);
        QCOMPARE(m.w.urlListModel()->rowAt(0).bookmark.title, QStringLiteral("甲页"));
        QCOMPARE(m.w.urlListModel()->rowAt(0).bookmark.url, QStringLiteral("http://127.0.0.1:9/a"));
        QVERIFY(address->text().isEmpty());

        // While a run has 添加(&A) locked, Enter adds nothing either (the dialog would have come up
        // within the key press).
        m.w.runHost().setButtonEnabled(engine::RunButton::Add, false);
        address->setText(QStringLiteral("http://127.0.0.1:9/乙"));
        QVERIFY(showActive(m.w));
        address->setFocus();
        key(Qt::Key_Return);
        QCOMPARE(m.rows(), 1);
        QCOMPARE(address->text(), QStringLiteral("http://127.0.0.1:9/乙"));
    }

    void addAndTagDialogsAnswerEnterAndEscape()
    {
        test::TestClock clock;
        {
            ui::AddDialog frmAdd(clock);
            QVERIFY(showActive(frmAdd));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Title"));
            // In the summary Enter starts a new line.
            child<QPlainTextEdit>(frmAdd, "txtSummary")->setFocus();
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("one"));
            key(Qt::Key_Return);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("two"));
            QVERIFY(frmAdd.isVisible());
            child<QLineEdit>(frmAdd, "txtTag")->setFocus();
            key(Qt::Key_Enter);
            QVERIFY(!frmAdd.isVisible());
            QVERIFY(frmAdd.gblnOK);
            QCOMPARE(frmAdd.gstrTitle, QStringLiteral("Title"));
            QCOMPARE(frmAdd.gstrSummary, QStringLiteral("one\ntwo"));

            QVERIFY(showActive(frmAdd));
            key(Qt::Key_Escape);
            QVERIFY(!frmAdd.isVisible());
            QVERIFY(!frmAdd.gblnOK);
        }
        ui::TagDialog frmTag;
        frmTag.gstrTag = QStringLiteral("科技");
        QVERIFY(showActive(frmTag));
        child<QListWidget>(frmTag, "lstTag")->setFocus();
        key(Qt::Key_Return);
        QVERIFY(!frmTag.isVisible());
        QVERIFY(frmTag.gblnOK);
        QCOMPARE(frmTag.gstrTag, QStringLiteral("科技"));
        QVERIFY(showActive(frmTag));
        key(Qt::Key_Escape);
        QVERIFY(!frmTag.isVisible());
        QVERIFY(!frmTag.gblnOK);
    }

    void settingsDialogsAnswerEnterAndEscape()
    {
        Store s;
        test::MessageRecorder boxes;
        {
            ui::dialogs::SitePickerDialog frmSel(s.store);
            QVERIFY(showActive(frmSel));
            child<QListWidget>(frmSel, "lstWeb")->setCurrentRow(1);
            key(Qt::Key_Return);
            QVERIFY(frmSel.gblnOK);
            QCOMPARE(frmSel.gstrName, QStringLiteral("乙站"));
            QVERIFY(showActive(frmSel));
            key(Qt::Key_Escape);
            QVERIFY(!frmSel.isVisible());
            QVERIFY(!frmSel.gblnOK);
        }
        {
            ui::dialogs::SubmitSitesDialog frmSelWeb(s.store);
            QVERIFY(showActive(frmSelWeb));
            child<QListWidget>(frmSelWeb, "lstWeb")->item(1)->setSelected(true);
            child<QListWidget>(frmSelWeb, "lstWeb")->setFocus();
            key(Qt::Key_Return);
            QVERIFY(frmSelWeb.gblnOK);
            QCOMPARE(frmSelWeb.gstrBookMark, QStringLiteral("1"));
            QVERIFY(showActive(frmSelWeb));
            key(Qt::Key_Escape);
            QVERIFY(!frmSelWeb.isVisible());
            QVERIFY(!frmSelWeb.gblnOK);
        }
        {
            ui::dialogs::ParametersDialog frmPara(s.store);
            QVERIFY(showActive(frmPara));
            auto* box = child<QLineEdit>(frmPara, "txtTimeout");
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("45"));
            key(Qt::Key_Escape);
            QVERIFY(!frmPara.isVisible());
            QCOMPARE(s.db.scalar(QStringLiteral("SELECT Timeout FROM Config")), QStringLiteral("30"));
            QVERIFY(showActive(frmPara));
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("45"));
            key(Qt::Key_Return); // the box types nothing for it: the dialog confirms
            QVERIFY(!frmPara.isVisible());
            QCOMPARE(s.db.scalar(QStringLiteral("SELECT Timeout FROM Config")), QStringLiteral("45"));
            QCOMPARE(s.store.gintTimeout, qint16(45));
        }
        {
            // Enter adds the account being typed; Escape closes.
            ui::dialogs::AccountsDialog frmSetup(s.store);
            QVERIFY(showActive(frmSetup));
            test::enterAccount(frmSetup, 1, QStringLiteral("c"), QStringLiteral("3"));
            QVERIFY(showActive(frmSetup));
            child<QLineEdit>(frmSetup, "txtPwd")->setFocus();
            key(Qt::Key_Return);
            QCOMPARE(child<QTreeWidget>(frmSetup, "lvwAccounts")->topLevelItemCount(), 3);
            QVERIFY(frmSetup.isVisible());
            key(Qt::Key_Escape);
            QVERIFY(!frmSetup.isVisible());
        }
        QCOMPARE(boxes.count(), 0);
    }

    void tabFollowsTheEye()
    {
        {
            Main m;
            QVERIFY(showActive(m.w));
            m.w.urlListModel()->append({QStringLiteral("http://example.org/"), QStringLiteral("一"), {}, {}});
            for (int i = 0; i < 3; ++i)
                m.w.runHost().addLog(QStringLiteral("行"));
            checkTabCycle(m.w, {"txtURL", "lvwURLList", "cmdAdd", "cmdRemove", "cmdClear", "cmdSelAll", "cmdUnSelAll",
                                "cmdSubmit", "lvwLog", "cmdAllSubmit", "cmdSetup", "cmdHelp", "cmdExit"});
        }
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        QVERIFY(showActive(frmAdd));
        checkTabCycle(frmAdd, {"txtURL", "txtTitle", "txtTag", "cmdTag", "txtSummary", "cmdOK", "cmdCancel"});
        frmAdd.reject();
        ui::TagDialog frmTag;
        QVERIFY(showActive(frmTag));
        checkTabCycle(frmTag, {"lstTag", "cmdOK", "cmdCancel"});
        frmTag.reject();

        Store s;
        ui::dialogs::AccountsDialog frmSetup(s.store);
        QVERIFY(showActive(frmSetup));
        checkTabCycle(frmSetup,
                      {"txtURL", "cmdSel", "txtUid", "txtPwd", "cmdAdd", "lvwAccounts", "cmdRemove", "cmdOK"});
        frmSetup.reject();
        ui::dialogs::SitePickerDialog frmSel(s.store);
        QVERIFY(showActive(frmSel));
        checkTabCycle(frmSel, {"lstWeb", "cmdOK", "cmdCancel"});
        frmSel.reject();
        ui::dialogs::SubmitSitesDialog frmSelWeb(s.store);
        QVERIFY(showActive(frmSelWeb));
        checkTabCycle(frmSelWeb, {"lstWeb", "cmdOK", "cmdCancel"});
        frmSelWeb.reject();
        ui::dialogs::ParametersDialog frmPara(s.store);
        QVERIFY(showActive(frmPara));
        checkTabCycle(frmPara, {"txtTimeout", "cmdOK", "cmdCancel", "txtPause", "chkPasswordsInFile"});
    }

    // Real pages that want the focus: an input with autofocus that its script focuses again and again.
    void browsersNeverTakeTheKeyboard()
    {
        test::TestHttpServer server;
        const QByteArray greedy = "<html><body><input id=f autofocus><script>"
                                  "setInterval(function(){ document.getElementById('f').focus(); }, 20);"
                                  "</script></body></html>";
        for (const char* path : {"/ads/Ads.html", "/ads/AdsStatus.html", "/form.html"})
            server.addPage(QString::fromLatin1(path), greedy);
        Main m(server.origin());
        QVERIFY(showActive(m.w));
        auto* address = child<QLineEdit>(m.w, "txtURL");
        address->setFocus();
        test::MessageRecorder boxes; // the store of this window is not there
        m.w.Form_Load();
        QWebEngineView* views[] = {child<QWebEngineView>(m.w, "wbADS"), child<QWebEngineView>(m.w, "wbStatus"),
                                   m.w.workerBrowser()};
        m.w.workerBrowser()->load(server.url(QStringLiteral("/form.html")));
        // Each page has loaded and its script has focused its input many times over.
        for (QWebEngineView* view : views) {
            QVERIFY(
                test::waitUntil([&] { return view->url().path() != QString() && !view->page()->isLoading(); }, 20000));
            bool focused = false;
            QVERIFY(test::waitUntil(
                [&] {
                    view->page()->runJavaScript(QStringLiteral("document.activeElement.id"),
                                                [&](const QVariant& id) { focused = id.toString() == "f"; });
                    return focused;
                },
                20000));
        }
        QCOMPARE(QApplication::focusWidget(), address);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        QCOMPARE(address->text(), QStringLiteral("abc"));

        // Focus given to a browser or to what Qt WebEngine put inside it goes back where it was, and a
        // click into a pane takes nothing either.
        for (QWebEngineView* view : views) {
            view->setFocus();
            QCOMPARE(QApplication::focusWidget(), address);
            for (QWidget* inner : view->findChildren<QWidget*>()) {
                inner->setFocus();
                QCOMPARE(QApplication::focusWidget(), address);
            }
        }
        QWidget* adsInside = views[0]->focusProxy() ? views[0]->focusProxy() : views[0];
        QTest::mouseClick(adsInside, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(QApplication::focusWidget(), address);
        address->end(false);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("d"));

        // Tab never enters them either.
        const QStringList visited = tabs(14);
        for (QWebEngineView* view : views)
            QVERIFY2(!visited.contains(view->objectName()), qPrintable(visited.join(QLatin1Char(','))));
        QCOMPARE(QApplication::focusWidget(), m.w.findChild<QWidget*>(visited.last()));

        // Nothing typed reached a page.
        for (QWebEngineView* view : views) {
            QString typed = QStringLiteral("?");
            view->page()->runJavaScript(QStringLiteral("document.getElementById('f').value"),
                                        [&](const QVariant& value) { typed = value.toString(); });
            QVERIFY(test::waitUntil([&] { return typed != QStringLiteral("?"); }, 10000));
            QCOMPARE(typed, QString());
        }
        QCOMPARE(address->text(), QStringLiteral("abcd"));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
