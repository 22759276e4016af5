#include "controls/button/command.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/widgets.h"
#include "support/testhttpserver.h"
#include "support/tempstore.h"
#include "ui/main/mainlayout.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QTreeView>
#include <QWebEngineView>

using namespace tvx;
using test::child;

namespace {
ui::MainWindow::Options optionsFor(const QString& storePath)
{
    // Port 9 on loopback refuses connections, so the panes fail fast.
    return {storePath, QStringLiteral("/nonexistent/readme.html"),
            WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void controlsAndCaptions()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tavrinex"));
        const QList<QPair<const char*, QString>> buttons = {
            {"cmdAdd", QStringLiteral("添加(&A)")},         {"cmdRemove", QStringLiteral("移除(&R)")},
            {"cmdClear", QStringLiteral("清空(&C)")},       {"cmdSelAll", QStringLiteral("全部选择(&S)")},
            {"cmdUnSelAll", QStringLiteral("取消选择(&U)")}, {"cmdSubmit", QStringLiteral("提交(&I)")},
            {"cmdAllSubmit", QStringLiteral("全部提交(&M)")}, {"cmdSetup", QStringLiteral("设置(&E)")},
            {"cmdHelp", QStringLiteral("帮助(&H)")},         {"cmdExit", QStringLiteral("退出(&X)")}};
        for (const auto& [name, caption] : buttons) {
            auto* b = child<controls::Command>(w, name);
            QCOMPARE(b->caption(), caption);
            QCOMPARE(b->size(), QSize(95, 27));
        }
        QCOMPARE(child<QLabel>(w, "Label1")->text(), QStringLiteral("请输入网址并点击[添加]按钮"));
        QCOMPARE(child<QLabel>(w, "Label2")->text(), QStringLiteral("提交进程"));
        auto* list = child<QTreeView>(w, "lvwURLList");
        QStringList headers;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            headers.append(list->model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headers, QStringList({"#", "网址", "标题", "分类", "摘要"}));
        auto* log = child<QAbstractItemView>(w, "lvwLog");
        QCOMPARE(log->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("时间"));
        QCOMPARE(log->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("信息"));
        auto* pb = child<QProgressBar>(w, "pbProcess");
        QCOMPARE(pb->value(), 0);
        QCOMPARE(pb->maximum(), 100);
        auto* menu = child<QMenu>(w, "mnuMain");
        QStringList items;
        for (QAction* a : menu->actions())
            items.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, QStringList({"设置网摘帐号", "-", "设置系统参数", "网站定义(&W)...", "-", "导入书签(&I)...",
                                     "导出书签(&O)...", "-", "提交结果(&R)..."}));
        QCOMPARE(menu->actions().at(0)->objectName(), QStringLiteral("mnuAccounts"));
        QCOMPARE(menu->actions().at(2)->objectName(), QStringLiteral("mnuPara"));
        // The worker browser is far below the client area, yet shown (never hidden).
        auto* wb = child<QWebEngineView>(w, "wb");
        QCOMPARE(wb->geometry(), QRect(18, 3000, 675, 189));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(wb->isVisible());
        QVERIFY(!w.rect().intersects(wb->geometry()));
    }

    void layoutRules()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto geo = [&](const char* name) { return child<QWidget>(w, name)->geometry(); };

        w.resize(800, 652);
        QCOMPARE(geo("cmdAdd"), QRect(696, 144, 95, 27));
        QCOMPARE(geo("cmdHelp"), QRect(595, 593, 95, 27));
        QCOMPARE(geo("cmdExit"), QRect(696, 593, 95, 27));
        QCOMPARE(geo("cmdAllSubmit"), QRect(6, 593, 95, 27));
        QCOMPARE(geo("cmdSetup"), QRect(106, 593, 95, 27));
        QCOMPARE(geo("lvwURLList"), QRect(6, 142, 677, 270));
        QCOMPARE(geo("lvwLog"), QRect(6, 425, 677, 143));
        QCOMPARE(geo("pbProcess"), QRect(6, 569, 677, 17));
        // The log's heading sits in the 13 pixels between the list and the log: clear of the log, and
        // reaching at most the list's bottom line with the ink's faintest row.
        const QRect heading = test::textInk(child<QLabel>(w, "Label2"));
        QVERIFY(heading.top() >= geo("lvwURLList").bottom() && heading.bottom() < geo("lvwLog").top());
        QCOMPARE(geo("wbADS"), QRect(6, 4, 789, 90));
        QCOMPARE(geo("wbStatus").top(), 627);
        QCOMPARE(geo("wbStatus").width(), 790);

        // Wider: the column follows the right edge; the list, log, bar and banner widen.
        w.resize(1000, 652);
        QCOMPARE(geo("cmdSubmit"), QRect(896, 330, 95, 27));
        QCOMPARE(geo("cmdHelp").left(), 795);
        QCOMPARE(geo("lvwURLList").width(), 877);
        QCOMPARE(geo("lvwLog").width(), 877);
        QCOMPARE(geo("pbProcess").width(), 877);
        QCOMPARE(geo("wbADS").width(), 989);
        QCOMPARE(geo("txtURL"), QRect(6, 120, 677, 20)); // never moves

        // Taller: the bottom parts follow the bottom edge, only the URL list grows.
        w.resize(800, 852);
        QCOMPARE(geo("cmdAllSubmit").top(), 793);
        QCOMPARE(geo("lvwLog"), QRect(6, 625, 677, 143));
        QCOMPARE(geo("pbProcess").top(), 769);
        QCOMPARE(geo("lvwURLList").height(), 470);
        QCOMPARE(geo("wbStatus").top(), 827);
        QCOMPARE(geo("cmdSubmit").top(), 330);

        // Tiny: the window keeps a minimum size; the computed layout never goes negative.
        w.resize(50, 50);
        QVERIFY(w.width() >= 420 && w.height() >= 420);
        QVERIFY(geo("lvwURLList").height() >= 0);
        const ui::MainLayout tiny = ui::MainLayout::compute(10, 10);
        QVERIFY(tiny.listWidth == 0 && tiny.listHeight == 0 && tiny.adsWidth == 0 && tiny.statusWidth == 0);

        // Minimised: nothing moves; restoring lays the window out again.
        w.resize(800, 652);
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.isMinimized());
        w.resize(900, 700);
        QCOMPARE(geo("cmdAdd").left(), 696);
        w.setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(geo("cmdAdd").left(), w.width() - 104);
    }

    void exitQuestion()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        test::MessageRecorder boxes;
        boxes.answerNext(false);
        child<controls::Command>(w, "cmdExit")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("真的要退出Tavrinex吗？"));
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Question);
        QVERIFY(w.isVisible());
        boxes.answerNext(true);
        w.close(); // the close box asks the same question
        QCOMPARE(boxes.count(), 2);
        QVERIFY(!w.isVisible());
    }

    void startupLoadsTheStore()
    {
        test::TempStore db(QStringLiteral("UPDATE Config SET Timeout=17;"));
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        test::MessageRecorder boxes;
        w.Form_Load();
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(store.gintTimeout, qint16(17));
        QVERIFY(store.gcnnStore.isOpen());
        QTRY_COMPARE(w.workerBrowser()->url(), QUrl(QStringLiteral("about:blank")));
    }

    void startupFailureKeepsTheWindowUsable()
    {
        QTemporaryDir dir;
        const QString missing = dir.path() + QStringLiteral("/tvx.cfg");
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(missing));
        w.show();
        test::MessageRecorder boxes;
        w.Form_Load();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Warning);
        QVERIFY(boxes.last().text.contains(missing));
        QCOMPARE(store.gintTimeout, qint16(0));
        QVERIFY(w.isVisible());
        QVERIFY(child<controls::Command>(w, "cmdAdd")->isEnabled());
    }

    void helpOpensTheReadme()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        QUrl opened;
        w.setUrlOpener([&](const QUrl& url) {
            opened = url;
            return true;
        });
        test::MessageRecorder boxes;
        child<controls::Command>(w, "cmdHelp")->click();
        QCOMPARE(opened, QUrl::fromLocalFile(QStringLiteral("/nonexistent/readme.html")));
        QCOMPARE(boxes.count(), 0);
        w.setUrlOpener([](const QUrl&) { return false; });
        child<controls::Command>(w, "cmdHelp")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
    }

    void unreachablePanesAreHidden()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        test::MessageRecorder boxes;
        w.Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(!child<QWebEngineView>(w, "wbADS")->isVisible(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!child<QWebEngineView>(w, "wbStatus")->isVisible(), 15000);
    }

    void panesThatFailAreHidden()
    {
        // Each pane fails its own way: an HTTP error page, a server error, an unknown host.
        for (const char* failure : {"404", "500", "host"}) {
            test::TempStore db;
            test::TestHttpServer server;
            server.addRoute(QStringLiteral("/ads/Ads.html"), [](const test::TestHttpServer::Request&) {
                return test::TestHttpServer::Reply{500, "text/html", "<html><body>server error</body></html>", {}};
            });
            server.addPage(QStringLiteral("/ads/AdsStatus.html"), "<html><body>status</body></html>");
            QString host = server.origin();
            if (QByteArray(failure) == "404")
                host += QStringLiteral("/missing");
            else if (QByteArray(failure) == "host")
                host = QStringLiteral("http://no-such-host.invalid");
            store::ProgramStore store;
            ui::MainWindow w(store, {db.path(), QString(), WebHosts{host, QString(), QString()}});
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            test::MessageRecorder boxes;
            w.Form_Load();
            auto* ads = child<QWebEngineView>(w, "wbADS");
            auto* status = child<QWebEngineView>(w, "wbStatus");
            QTRY_VERIFY_WITH_TIMEOUT(!ads->isVisible(), 15000);
            if (QByteArray(failure) == "500") {
                // The status page loads; only the failing pane goes.
                QTRY_VERIFY_WITH_TIMEOUT(!status->page()->isLoading(), 15000);
                QVERIFY(status->isVisible());
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(!status->isVisible(), 15000);
            }
            QTest::qWait(300);
            QVERIFY(!ads->isVisible()); // and stays hidden
            QCOMPARE(boxes.count(), 0);
        }
    }

    void screenshotAtDesignSize()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        w.resize(800, 652);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.runHost().addLog(QStringLiteral("正在登录 \"演示站点\"..."));
        QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
        QVERIFY(w.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/mainwindow.png")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
