// Whole runs against sites built with the real React 18 and Vue 3 packages (bundled at test set-up),
// served on 127.0.0.1: controlled and v-model inputs whose values live in the page's state, a submit
// form drawn after a fetch, Save buttons enabled only by an input event. The sites post the state
// (hidden fields), not the text fields, so only values the page's own code saw arrive.
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/testhttpserver.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"
#include "engine/submissionengine.h"
#include "platform/webbrowser.h"
#include "platform/workerpage.h"

#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace tvx;

namespace {

QByteArray bundle(const char* site)
{
    QFile file(QStringLiteral(TVX_FRAMEWORK_SITES "/%1.js").arg(QLatin1String(site)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

tvx::Bookmark bm(int n)
{
    return {QStringLiteral("http://example.com/page%1?a=1&b=2").arg(n), QStringLiteral("第%1个标题").arg(n),
            QStringLiteral("新闻 科技"), QStringLiteral("摘要 %1").arg(n)};
}

// The pages of one framework site under /`site` (the bundle `app` in its `mode`): its login and submit
// pages are the bundle drawing the page named; the submit page's React form waits for /react/api/me,
// answered a moment later. A site of the fetch modes answers <root>/api/login with 200 and
// <root>/api/save with `saveStatus`.
void addSite(test::TestHttpServer& server, const char* site, const char* app = nullptr, const char* mode = "form",
             int saveStatus = 200)
{
    const QString root = QLatin1Char('/') + QLatin1String(site);
    app = app ? app : site;
    const QByteArray script = bundle(app);
    QVERIFY2(!script.isEmpty(), app);
    server.addRoute(root + QStringLiteral(".js"), [script](const test::TestHttpServer::Request&) {
        return test::TestHttpServer::Reply{200, "application/javascript", script, {}};
    });
    server.addRoute(root + QStringLiteral("/api/login"), [](const test::TestHttpServer::Request&) {
        return test::TestHttpServer::Reply{200, "application/json", "{\"ok\":true}", {}};
    });
    server.addRoute(root + QStringLiteral("/api/save"), [saveStatus](const test::TestHttpServer::Request&) {
        return test::TestHttpServer::Reply{saveStatus, "application/json", "{}", {}};
    });
    for (const char* page : {"login", "submit"}) {
        const QByteArray shell = "<!doctype html><html><head><meta charset=\"utf-8\"><title>" + QByteArray(site) +
                                 "</title></head><body><div id=\"app\"></div><script>window.tvxPage='" + page +
                                 "';window.tvxMode='" + mode + "';window.tvxRoot='/" + site +
                                 "';</script><script src=\"/" + site + ".js\"></script></body></html>";
        server.addRoute(root + QLatin1Char('/') + QLatin1String(page), [shell](const test::TestHttpServer::Request& r) {
            return test::TestHttpServer::Reply{200, "text/html; charset=utf-8",
                                               r.method == "POST" ? QByteArrayLiteral("<p>OK</p>") : shell, {}};
        });
    }
    server.addPage(root + QStringLiteral("/logout"), "<p>bye</p>");
    server.addRoute(root + QStringLiteral("/api/me"), [](const test::TestHttpServer::Request&) {
        QThread::msleep(300);
        return test::TestHttpServer::Reply{200, "application/json", "{\"user\":\"me\"}", {}};
    });
}

// A plain-script site under /`site`: its login form in the top document, pressed by the caption of a
// <button> without id or name; its submit form (fields and button by id) drawn by `submitPage`. POSTs
// to <root>/login and <root>/submit answer a page of their own.
void addPlainSite(test::TestHttpServer& server, const char* site, const QByteArray& submitPage)
{
    const QString root = QLatin1Char('/') + QLatin1String(site);
    const QByteArray head = "<!doctype html><html><head><meta charset=\"utf-8\"></head><body>";
    const QByteArray login = head + "<form method=\"post\" action=\"/" + site +
                             "/login\"><input id=\"uid\" name=\"user\"><input id=\"pwd\" type=\"password\" "
                             "name=\"password\"><input type=\"submit\" value=\"取消\"><button>\n  登录\n</button>"
                             "</form></body></html>";
    const QByteArray submit = head + submitPage + "</body></html>";
    for (const auto& [page, html] : {std::pair{QStringLiteral("/login"), login}, std::pair{QStringLiteral("/submit"), submit}}) {
        server.addRoute(root + page, [html = html](const test::TestHttpServer::Request& r) {
            return test::TestHttpServer::Reply{200, "text/html; charset=utf-8",
                                               r.method == "POST" ? QByteArrayLiteral("<p>OK</p>") : html, {}};
        });
    }
    server.addPage(root + QStringLiteral("/logout"), "<p>bye</p>");
}

// The submit form's fields and button, posting to /`site`/submit in the top window.
QByteArray submitForm(const char* site)
{
    return "<form method=\"post\" target=\"_top\" action=\"/" + QByteArray(site) +
           "/submit\"><input id=\"title\" name=\"title\"><input id=\"url\" name=\"url\"><input id=\"tags\" "
           "name=\"tags\"><input id=\"shared\" type=\"checkbox\" name=\"shared\" value=\"true\"><button "
           "id=\"save\">保存</button></form>";
}

QString row(int id, const QString& name, const QString& root, const QString& columns)
{
    return QStringLiteral("INSERT INTO BookMarkWeb (ID, WebName) VALUES (%1, '%2');"
                          "UPDATE BookMarkWeb SET AllowLogin=1, IsScript=0, LoginUrl='%3/login', LogoutUrl='%3/logout',"
                          " SubmitUrl='%3/submit', UidFieldId='uid', PwdFieldId='pwd', TitleFieldId='title',"
                          " UrlFieldId='url', TagsFieldId='tags', TagsSplit=',', OtherFieldID1='shared',"
                          " OtherFieldValue1='true', %4 WHERE ID=%1;"
                          "INSERT INTO Accounts VALUES(%1, '%2-user', '%2-pw');")
        .arg(id)
        .arg(name, root, columns);
}

// The outcomes of a run and the sites' answers, as "account/row outcome" and "account/row answer".
struct Outcomes final : engine::RunRecorder {
    QStringList calls;
    void bookmarkOutcome(int position, int row, Outcome outcome, int) override
    {
        static const QMap<Outcome, QString> names{{Outcome::Submitted, QStringLiteral("Submitted")},
                                                  {Outcome::Refused, QStringLiteral("Refused")},
                                                  {Outcome::TimedOut, QStringLiteral("TimedOut")},
                                                  {Outcome::NoButton, QStringLiteral("NoButton")},
                                                  {Outcome::SiteSkipped, QStringLiteral("SiteSkipped")}};
        calls.append(QStringLiteral("%1/%2 %3").arg(position).arg(row).arg(names.value(outcome, QStringLiteral("?"))));
    }
    void siteAnswered(int position, int row, const QString& answer) override
    {
        calls.append(QStringLiteral("%1/%2 %3").arg(position).arg(row).arg(answer));
    }
};

struct FrameworkRun {
    FrameworkRun(const QString& sql)
        : db(sql)
        , window(store, {db.path(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), server.origin(),
                                                          server.origin()}})
    {
        test::startMainWindow(window);
        store.gintTimeout = 5;
        for (int i = 1; i <= 2; ++i)
            window.urlListModel()->append(bm(i));
    }
    bool runToEnd()
    {
        window.engine().cmdAllSubmit_Click();
        return test::waitUntil([&] { return !window.engine().state().mblnRunning; }, 120000);
    }
    QStringList log() const
    {
        QStringList lines;
        for (int i = 0; i < window.runLogModel()->rowCount(); ++i)
            lines.append(window.runLogModel()->index(i, 1).data().toString());
        return lines;
    }
    QList<test::TestHttpServer::Request> posts(const QString& path) const
    {
        QList<test::TestHttpServer::Request> out;
        for (const auto& r : server.requests())
            if (r.method == "POST" && r.path == path)
                out.append(r);
        return out;
    }

    // The site got its account's login once and both bookmarks, in order, with every field.
    void checkLoginAndBookmarks(const QString& site, const QString& loginPath, const QString& savePath) const
    {
        const auto logins = posts(QLatin1Char('/') + site + loginPath);
        QCOMPARE(logins.size(), 1);
        QCOMPARE(logins.at(0).param(QStringLiteral("user")), site + QStringLiteral("-user"));
        QCOMPARE(logins.at(0).param(QStringLiteral("password")), site + QStringLiteral("-pw"));
        const auto saves = posts(QLatin1Char('/') + site + savePath);
        QCOMPARE(saves.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(saves.at(i).param(QStringLiteral("title")), bm(i + 1).title);
            QCOMPARE(saves.at(i).param(QStringLiteral("url")), bm(i + 1).url);
            QCOMPARE(saves.at(i).param(QStringLiteral("tags")), QStringLiteral("新闻,科技"));
            QCOMPARE(saves.at(i).param(QStringLiteral("shared")), QStringLiteral("true"));
        }
    }

    static inline test::TestHttpServer server;
    test::MessageRecorder boxes;
    test::TempStore db;
    store::ProgramStore store;
    ui::MainWindow window;
};

} // namespace

class TestFrameworkSites : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(FrameworkRun::server.isListening());
        addSite(FrameworkRun::server, "react");
        addSite(FrameworkRun::server, "vue");
        addSite(FrameworkRun::server, "vuefetch", "vue", "fetch");
        addSite(FrameworkRun::server, "vue500", "vue", "fetch", 500);
        addSite(FrameworkRun::server, "spa", "vue", "spa");
        // The submit form in an open shadow root, and in a frame of the same origin.
        addPlainSite(FrameworkRun::server, "shadow",
                     "<x-form></x-form><script>customElements.define('x-form', class extends HTMLElement {"
                     "connectedCallback() { this.attachShadow({mode: 'open'}).innerHTML = '" +
                         submitForm("shadow") + "'; } });</script>");
        addPlainSite(FrameworkRun::server, "frame", "<iframe src=\"/frame/form\"></iframe>");
        FrameworkRun::server.addPage(QStringLiteral("/frame/form"),
                                     "<!doctype html><html><body>" + submitForm("frame") + "</body></html>");
    }

    // React: a controlled login form drawn by the framework after the load, a submit form drawn after
    // a fetch, a Save button (by id) enabled by the title's input event, a controlled check box.
    // Vue: v-model fields and check box, login and Save buttons found by their captions, Save enabled
    // once the title has a value.
    void everyBookmarkArrivesWithEveryField()
    {
        const QString origin = FrameworkRun::server.origin();
        FrameworkRun r(row(0, QStringLiteral("react"), origin + QStringLiteral("/react"),
                           QStringLiteral("LoginButtonName='go', SubmitButtonId='save'")) +
                       row(1, QStringLiteral("vue"), origin + QStringLiteral("/vue"),
                           QStringLiteral("LoginButtonValue='登录', SubmitButtonValue='保存'")));
        QVERIFY(r.runToEnd());
        QCOMPARE(r.boxes.texts(), QStringList{QStringLiteral("网摘提交完毕！")});
        for (const QString site : {QStringLiteral("react"), QStringLiteral("vue")}) {
            r.checkLoginAndBookmarks(site, QStringLiteral("/login"), QStringLiteral("/submit"));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(FrameworkRun::server.hits(QLatin1Char('/') + site + QStringLiteral("/logout")), 1);
        }
        const QStringList log = r.log();
        QCOMPARE(log.filter(QStringLiteral("错误")), QStringList());
        QVERIFY(log.contains(QStringLiteral("向\"vue\"提交信息完毕!")));
    }

    // Elements beyond the top document, and a login button that is a <button> without id or name,
    // found by its caption (the inputs are looked at first: one of another caption is not pressed).
    void elementsInShadowRootsAndFramesAndButtonsByCaption()
    {
        const QString origin = FrameworkRun::server.origin();
        const QString columns = QStringLiteral("LoginButtonValue='登录', SubmitButtonId='save'");
        FrameworkRun r(row(0, QStringLiteral("shadow"), origin + QStringLiteral("/shadow"), columns) +
                       row(1, QStringLiteral("frame"), origin + QStringLiteral("/frame"), columns));
        QVERIFY(r.runToEnd());
        QCOMPARE(r.boxes.texts(), QStringList{QStringLiteral("网摘提交完毕！")});
        for (const QString site : {QStringLiteral("shadow"), QStringLiteral("frame")}) {
            r.checkLoginAndBookmarks(site, QStringLiteral("/login"), QStringLiteral("/submit"));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(FrameworkRun::server.hits(QLatin1Char('/') + site + QStringLiteral("/logout")), 1);
        }
        QCOMPARE(r.log().filter(QStringLiteral("错误")), QStringList());
    }

    // Presses that bring no new page: a Vue site that logs in and saves by fetch() and stays on its page,
    // the same site answering 500 to every save, and a one-page app that logs in by a fetch of its own a
    // moment after the press and shows its add view by history.pushState. The saves are judged by
    // their requests' answers, the login of the app by its new address.
    void pressesJudgedByTheirRequests()
    {
        const QString origin = FrameworkRun::server.origin();
        const QString buttons = QStringLiteral("LoginButtonValue='登录', SubmitButtonValue='保存'");
        FrameworkRun r(row(0, QStringLiteral("vuefetch"), origin + QStringLiteral("/vuefetch"), buttons) +
                       row(1, QStringLiteral("vue500"), origin + QStringLiteral("/vue500"), buttons) +
                       row(2, QStringLiteral("spa"), origin + QStringLiteral("/spa"), buttons));
        Outcomes outcomes;
        r.window.engine().addRecorder(&outcomes);
        QVERIFY(r.runToEnd());
        r.window.engine().removeRecorder(&outcomes);
        QCOMPARE(r.boxes.texts(), QStringList{QStringLiteral("网摘提交完毕！")});
        QCOMPARE(outcomes.calls, (QStringList{
                                     QStringLiteral("1/1 Submitted"), QStringLiteral("1/2 Submitted"),
                                     QStringLiteral("2/1 网站拒绝（HTTP 500）"), QStringLiteral("2/1 Refused"),
                                     QStringLiteral("2/2 网站拒绝（HTTP 500）"), QStringLiteral("2/2 Refused"),
                                     QStringLiteral("3/1 Submitted"), QStringLiteral("3/2 Submitted")}));
        for (const QString site : {QStringLiteral("vuefetch"), QStringLiteral("vue500"), QStringLiteral("spa")}) {
            r.checkLoginAndBookmarks(site, QStringLiteral("/api/login"), QStringLiteral("/api/save"));
            if (QTest::currentTestFailed())
                return;
        }
        // The site that refused every save is left after its last one, without its log-out.
        QCOMPARE(FrameworkRun::server.hits(QStringLiteral("/vuefetch/logout")), 1);
        QCOMPARE(FrameworkRun::server.hits(QStringLiteral("/vue500/logout")), 0);
        QCOMPARE(FrameworkRun::server.hits(QStringLiteral("/spa/logout")), 1);
        const QStringList log = r.log();
        QVERIFY(log.contains(QStringLiteral("向\"vuefetch\"提交信息完毕!")));
        QVERIFY(log.contains(QStringLiteral("向\"spa\"提交信息完毕!")));
    }
};

QTEST_MAIN(TestFrameworkSites)
#include "tst_frameworksites.moc"
