// The Shaarli template end to end, against Debian's Shaarli on 127.0.0.1: the site is made from the
// template in the site definitions window, checked with the site check, and a run through the main
// window puts two bookmarks into Shaarli, exactly as they were in the URL list (the summary as the
// description).
#include "controls/button/command.h"
#include "engine/pagestep.h"
#include "engine/submissionengine.h"
#include "platform/programfont.h"
#include "shaarliserver.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"
#include "ui/sites/browserpane.h"
#include "ui/sites/sitedefinitionsdialog.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace tvx;
using test::child;

namespace {
const QString kUser = QStringLiteral("tester");
const QString kPassword = QStringLiteral("密码 'pw' \"1\"");

// Runs `action` on the modal dialog `name` once it is up.
void whenModal(const QString& name, std::function<void(QDialog*)> action)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, name, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != name || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
    });
    poll->start();
}
} // namespace

class TestShaarli : public QObject {
    Q_OBJECT

    test::ShaarliServer m_shaarli;
    test::TempStore m_db{{}, true};
    store::ProgramStore m_store;
    qint64 m_site = -1;

    // Runs the site check of the site shown; its rows as "page/item result", and whether all were good.
    static QStringList runCheck(ui::SiteDefinitionsDialog& dlg, bool& allGood)
    {
        auto* check = child<controls::Command>(dlg, "checkButton");
        check->click();
        QStringList rows;
        allGood = test::waitUntil([&] { return check->caption() == QStringLiteral("试运行(&T)"); }, 120000);
        auto* results = child<QTreeWidget>(dlg, "checkResults");
        for (int i = 0; i < results->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = results->topLevelItem(i);
            rows.append(row->text(0) + QLatin1Char('/') + row->text(1) + QLatin1Char(' ') + row->text(3));
            allGood = allGood && row->data(0, Qt::UserRole).toBool();
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies();
        const QString failure = m_shaarli.start(kUser, kPassword);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_store.gcnnStore.open(m_db.path());
        m_store.gintTimeout = 20;
    }

    void theTemplateMakesTheSiteAndTheCheckFindsEverything()
    {
        test::MessageRecorder boxes;
        ui::SiteDefinitionsDialog dlg(m_store);
        dlg.show();
        const QString typed = m_shaarli.base().mid(QStringLiteral("http://").size()) + QStringLiteral("/");
        whenModal(QStringLiteral("templateDialog"), [typed](QDialog* t) {
            child<QListWidget>(*t, "templateList")->setCurrentRow(1);
            child<QLineEdit>(*t, "addressEdit")->setText(typed);
            child<controls::Command>(*t, "okButton")->click();
        });
        child<controls::Command>(dlg, "newButton")->click();
        QCOMPARE(child<QLineEdit>(dlg, "LoginUrl")->text(), m_shaarli.base() + QStringLiteral("/login"));
        child<controls::Command>(dlg, "saveButton")->click();
        QCOMPARE(boxes.texts(), QStringList());
        m_site = dlg.currentId();
        QVERIFY(m_site >= 5);
        m_db.exec(QStringLiteral("INSERT INTO Accounts VALUES(%1,'%2','%3');")
                      .arg(m_site)
                      .arg(kUser, QString(kPassword).replace(QLatin1Char('\''), QStringLiteral("''"))));
        dlg.hide();
        dlg.show(); // a new showing reads the accounts
        QVERIFY(dlg.selectSite(m_site));

        const int before = int(m_shaarli.bookmarks().size());
        bool allGood = false;
        const QStringList rows = runCheck(dlg, allGood);
        QVERIFY2(allGood, qPrintable(rows.join(QLatin1Char('\n'))));
        QVERIFY2(rows.filter(QStringLiteral("登录页/用户名框 按名称找到")).size() == 1,
                 qPrintable(rows.join(QLatin1Char('\n'))));
        QVERIFY2(rows.filter(QStringLiteral("登录页/登录按钮 按按钮文字找到")).size() == 1,
                 qPrintable(rows.join(QLatin1Char('\n'))));
        QVERIFY2(rows.filter(QStringLiteral("提交页/提交按钮 按编号找到")).size() == 1,
                 qPrintable(rows.join(QLatin1Char('\n'))));
        QVERIFY2(rows.filter(QStringLiteral("退出页/页面")).size() == 1, qPrintable(rows.join(QLatin1Char('\n'))));
        QCOMPARE(int(m_shaarli.bookmarks().size()), before);
    }

    void theCheckAfterLoggingInByHandInThePane()
    {
        // The user logged in by hand in the pane (to pick the add form's fields), then checks: Shaarli no
        // longer shows its login form to that session, yet the definition is good.
        QVERIFY(m_site >= 0);
        ui::SiteDefinitionsDialog dlg(m_store);
        dlg.show();
        QVERIFY(dlg.selectSite(m_site));
        QWebEnginePage* page = dlg.pane()->view()->page();
        QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
        dlg.pane()->open(m_shaarli.base() + QStringLiteral("/login"));
        QVERIFY(loaded.wait(30000));
        page->runJavaScript(QStringLiteral("var f = document.getElementsByName('login')[0].form;"
                                           "f.login.value = %1; f.password.value = %2; f.submit();")
                                .arg(engine::jsonString(kUser), engine::jsonString(kPassword)));
        QVERIFY(loaded.wait(30000));

        const int before = int(m_shaarli.bookmarks().size());
        bool allGood = false;
        const QStringList rows = runCheck(dlg, allGood);
        QVERIFY2(allGood, qPrintable(rows.join(QLatin1Char('\n'))));
        QVERIFY2(rows.filter(QStringLiteral("提交页/提交按钮 按编号找到")).size() == 1,
                 qPrintable(rows.join(QLatin1Char('\n'))));
        QCOMPARE(int(m_shaarli.bookmarks().size()), before);
    }

    void twoBookmarksArriveExactly()
    {
        QVERIFY(m_site >= 0);
        test::MessageRecorder boxes;
        const QList<test::ShaarliServer::Bookmark> before = m_shaarli.bookmarks();
        ui::MainWindow window(m_store,
                              {m_db.path(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}}});
        test::startMainWindow(window);
        m_store.gintTimeout = 20;
        // Only the Shaarli account: the delivered sites have none.
        const QList<tvx::Bookmark> bookmarks{
            {QStringLiteral("https://example.org/一/page?a=1&b=2"), QStringLiteral("第一个 'quoted' \"标题\""),
             QStringLiteral("新闻 科技"), QStringLiteral("摘要")},
            {QStringLiteral("http://example.net/two"), QStringLiteral("Second <b>bookmark</b>"), QStringLiteral("web"),
             QString()}};
        window.urlListModel()->clear();
        for (const tvx::Bookmark& b : bookmarks)
            window.urlListModel()->append(b);
        window.engine().cmdAllSubmit_Click();
        QVERIFY(test::waitUntil([&] { return !window.engine().state().mblnRunning; }, 180000));
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("网摘提交完毕！")});
        for (int i = 0; i < window.runLogModel()->rowCount(); ++i)
            QVERIFY2(!window.runLogModel()->index(i, 1).data().toString().contains(QStringLiteral("错误")),
                     qPrintable(window.runLogModel()->index(i, 1).data().toString()));

        QList<test::ShaarliServer::Bookmark> added;
        for (const auto& b : m_shaarli.bookmarks())
            if (std::none_of(before.cbegin(), before.cend(), [&b](const auto& old) { return old.url == b.url; }))
                added.append(b);
        QCOMPARE(added.size(), 2);
        // Newest first.
        QCOMPARE(QUrl(added.at(1).url), QUrl(bookmarks.at(0).url));
        QCOMPARE(added.at(1).title, bookmarks.at(0).title);
        QCOMPARE(added.at(1).tags, (QStringList{QStringLiteral("新闻"), QStringLiteral("科技")}));
        QCOMPARE(added.at(0).url, bookmarks.at(1).url);
        QCOMPARE(added.at(0).title, bookmarks.at(1).title);
        QCOMPARE(added.at(0).tags, QStringList{QStringLiteral("web")});
        // The summary is the description; an empty one stays empty.
        QVERIFY2(added.at(1).description.contains(bookmarks.at(0).summary), qPrintable(added.at(1).description));
        QVERIFY2(!added.at(0).description.contains(QStringLiteral("Second")), qPrintable(added.at(0).description));
    }

    void aWrongPasswordIsARefusedLogin()
    {
        // Shaarli answers a wrong password with its login form again: the login failed, the site is left
        // at once, and nothing is added.
        QVERIFY(m_site >= 0);
        m_db.exec(QStringLiteral("UPDATE Accounts SET Pwd='wrong' WHERE ID=%1;").arg(m_site));
        const auto restore = qScopeGuard([this] {
            m_db.exec(QStringLiteral("UPDATE Accounts SET Pwd='%1' WHERE ID=%2;")
                          .arg(QString(kPassword).replace(QLatin1Char('\''), QStringLiteral("''")))
                          .arg(m_site));
        });
        test::MessageRecorder boxes;
        const qsizetype before = m_shaarli.bookmarks().size();
        ui::MainWindow window(m_store,
                              {m_db.path(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}}});
        test::startMainWindow(window);
        m_store.gintTimeout = 20;
        window.urlListModel()->clear();
        window.urlListModel()->append({QStringLiteral("http://example.net/three"), QStringLiteral("三"), {}, {}});
        window.engine().cmdAllSubmit_Click();
        QVERIFY(test::waitUntil([&] { return !window.engine().state().mblnRunning; }, 120000));
        QStringList log;
        for (int i = 0; i < window.runLogModel()->rowCount(); ++i)
            log.append(window.runLogModel()->index(i, 1).data().toString());
        QVERIFY2(log.filter(QStringLiteral("时发生错误！")).size() == 1, qPrintable(log.join(QLatin1Char('\n'))));
        QVERIFY2(log.filter(QStringLiteral("已经登录到")).isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
        QCOMPARE(m_shaarli.bookmarks().size(), before);
    }

    void cleanupTestCase() { m_shaarli.stop(); }
};

QTEST_MAIN(TestShaarli)
#include "tst_shaarli.moc"
