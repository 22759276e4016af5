// Failure evidence in whole runs: the main window drives real Qt WebEngine through the demonstration
// site; a failing step leaves a picture of its page and its document, named by site, account, bookmark
// and step, found again from the run log's error line and from the results window's cell; a clean run
// leaves nothing.
#include "demosite.h"
#include "engine/submissionengine.h"
#include "evidence/evidencestore.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/testhttpserver.h"
#include "support/widgets.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "ui/evidence/evidencerecorder.h"
#include "ui/evidence/logevidence.h"
#include "ui/evidence/pagesnapshot.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/runlogview.h"
#include "ui/main/urllistmodel.h"
#include "ui/results/resultswindow.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

using namespace tvx;
using test::child;

namespace {
QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

ui::MainWindow::Options options(const QString& storePath, const QString& site, const QString& evidence)
{
    ui::MainWindow::Options o;
    o.storePath = storePath;
    o.hosts = WebHosts{site, {}, {}};
    o.evidenceRoot = evidence;
    return o;
}

// A main window over the demonstration site's variants `kinds`, one account each, `rows` bookmarks,
// a time-out of three seconds (a busy machine answers a page step within it), failure evidence kept
// in a folder of the test's own.
struct Run {
    Run(const QStringList& kinds, int rows, const QString& extraSql = {})
        : db(setup(kinds, extraSql))
        , window(store, options(db.path(), q(site.base()), evidence.path()))
    {
        window.setUrlOpener([this](const QUrl& url) {
            opened.append(url.toLocalFile());
            return true;
        });
        test::startMainWindow(window);
        store.gintTimeout = 3;
        window.urlListModel()->clear();
        for (int i = 1; i <= rows; ++i)
            window.urlListModel()->append({QStringLiteral("http://example.com/%1").arg(i),
                                           QStringLiteral("第%1个标题").arg(i), QStringLiteral("新闻"), QString()});
    }
    QString setup(const QStringList& kinds, const QString& extraSql)
    {
        site.start();
        QString sql;
        for (int id = 0; id < kinds.size(); ++id)
            sql += q(demosite::siteRowSql(id, kinds.at(id).toStdString(), site.base())) +
                   QStringLiteral("INSERT INTO Accounts VALUES(%1,'%2-user','pw');").arg(id).arg(kinds.at(id));
        return sql + extraSql;
    }
    bool runToEnd()
    {
        window.engine().cmdAllSubmit_Click();
        return test::waitUntil([&] { return !window.engine().state().mblnRunning; }, 120000) &&
               window.evidence().recorder().flush(20000);
    }
    QList<int> errorLines() const
    {
        QList<int> lines;
        for (int i = 0; i < window.runLogModel()->rowCount(); ++i)
            if (window.runLogModel()
                    ->index(i, ui::RunLogModel::Message)
                    .data()
                    .toString()
                    .endsWith(QStringLiteral("时发生错误！")))
                lines.append(i);
        return lines;
    }

    QTemporaryDir evidence;
    demosite::DemoSite site;
    test::MessageRecorder boxes;
    test::TempStore db;
    store::ProgramStore store;
    ui::MainWindow window;
    QStringList opened;
};
} // namespace

namespace {
// A run of one account of the demonstration site begins on `recorder`; returns the run's start.
QDateTime startOneAccount(ui::EvidenceRecorder& recorder)
{
    const QDateTime start = QDateTime::currentDateTime();
    recorder.runStarted(start, 1, 1);
    recorder.accountStarted(1, QStringLiteral("演示站点"), QStringLiteral("user"));
    return start;
}
} // namespace

class TestEvidence : public QObject {
    Q_OBJECT
private slots:
    void init() { QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies(); }

    void aFailingStepLeavesItsPageBehind()
    {
        // The submit button does nothing: both bookmarks' results time out.
        Run r({"dead"}, 2);
        QVERIFY(r.runToEnd());
        const QList<int> lines = r.errorLines();
        QCOMPARE(lines.size(), 2);
        const evidence::EvidenceStore& store = r.window.evidence().recorder().store();
        QCOMPARE(store.runs().size(), 1);
        for (int b = 0; b < 2; ++b) {
            // The time-out's own evidence, last of its step's.
            const QList<evidence::Evidence> found = r.window.evidence().recorder().forLogLine(lines.at(b));
            QVERIFY(!found.isEmpty());
            const evidence::Evidence& e = found.last();
            QCOMPARE(e.bookmark, b + 1);
            QCOMPARE(e.uid, QStringLiteral("dead-user"));
            QCOMPARE(e.failure, QStringLiteral("timeout"));
            const QString name = QFileInfo(e.png).fileName();
            for (const QString& piece : {QStringLiteral("演示站点（按钮无效）"), QStringLiteral("dead-user"),
                                         QStringLiteral("第%1个网址").arg(b + 1)})
                QVERIFY2(name.contains(piece), qPrintable(name));
            // The picture is the whole page at a desktop width; the document is the submit page as it stood.
            const QImage picture(e.png);
            QCOMPARE(picture.width(), ui::PageSnapshot::kWidth);
            QVERIFY(picture.height() > r.window.workerBrowser()->height());
            QFile html(e.html);
            QVERIFY(html.open(QIODevice::ReadOnly));
            const QString document = QString::fromUtf8(html.readAll());
            QVERIFY(document.contains(QStringLiteral("id=\"f_post\"")));
            QVERIFY(document.contains(QStringLiteral("当前用户：dead-user")));
        }
        QVERIFY(r.window.evidence().recorder().cost().failures >= 2);

        // A double-click (or Enter) on an error line opens its picture; other lines open nothing.
        auto* log = child<ui::RunLogView>(r.window, "lvwLog");
        emit log->activated(log->logModel()->index(lines.at(1), 1));
        QCOMPARE(r.opened, QStringList{r.window.evidence().recorder().forLogLine(lines.at(1)).first().png});
        emit log->activated(log->logModel()->index(0, 1));
        QCOMPARE(r.opened.size(), 1);
        // Its context menu opens the picture, the document and the run's folder.
        QMenu* menu = r.window.evidence().menu();
        bool pictureOffered = false;
        QTimer::singleShot(0, menu, [menu, &pictureOffered] {
            pictureOffered = menu->findChild<QAction*>(QStringLiteral("mnuEvidencePicture"))->isEnabled();
            menu->setActiveAction(menu->findChild<QAction*>(QStringLiteral("mnuEvidenceFolder")));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit log->customContextMenuRequested(log->visualRect(log->logModel()->index(lines.at(0), 1)).center());
        QVERIFY(pictureOffered);
        QCOMPARE(r.opened.last(), store.runFolder(store.runs().first()));
        QCOMPARE(r.boxes.count(), 1); // the end of the run
    }

    void nothingToPressAndItsTimeOutShareTheLine()
    {
        // The login button's text is nowhere on the page: nothing is pressed, and the step times out.
        Run r({"byvalue"}, 1, QStringLiteral("UPDATE BookMarkWeb SET LoginButtonValue='不存在' WHERE ID=0;"));
        QVERIFY(r.runToEnd());
        const QList<int> lines = r.errorLines();
        QCOMPARE(lines.size(), 1);
        const QList<evidence::Evidence> found = r.window.evidence().recorder().forLogLine(lines.first());
        QCOMPARE(found.size(), 2);
        QCOMPARE(found.at(0).failure, QStringLiteral("nothing-to-press"));
        QCOMPARE(found.at(1).failure, QStringLiteral("timeout"));
        for (const evidence::Evidence& e : found) {
            QCOMPARE(e.stage, 1);
            QVERIFY(QFileInfo(e.png).fileName().contains(QStringLiteral("登录页")));
            QVERIFY(!QImage(e.png).isNull());
        }
    }

    void aResultsCellOpensTheFailureItNames()
    {
        // The submit page has no such button: nothing is pressed, and the step then times out. The
        // cell says "没有找到提交按钮" and opens that step's evidence; its menu offers the time-out's too.
        Run r({"byid"}, 1, QStringLiteral("UPDATE BookMarkWeb SET SubmitButtonId='no-such-button' WHERE ID=0;"));
        QStringList opened;
        r.window.bookmarks().setOpener([&opened](const QString& path) {
            opened.append(path);
            return true;
        });
        QVERIFY(r.runToEnd());
        const evidence::EvidenceStore& store = r.window.evidence().recorder().store();
        const QList<evidence::Evidence> kept = store.entries(store.runs().first());
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept.at(0).failure, QStringLiteral("nothing-to-press"));
        QCOMPARE(kept.at(1).failure, QStringLiteral("timeout"));

        r.window.bookmarks().showResults();
        ui::ResultsWindow* results = r.window.bookmarks().resultsWindow();
        QVERIFY(results && results->isVisible());
        const QModelIndex cell = results->model()->index(0, ui::ResultsModel::FirstAccount);
        QVERIFY(cell.data().toString().contains(QStringLiteral("没有找到提交按钮")));
        // Its time is the step's that found nothing, not the time-out's three seconds later.
        const QDateTime at = results->model()->cell(0, 0).at;
        QVERIFY(qAbs(at.msecsTo(kept.at(0).captured)) < qAbs(at.msecsTo(kept.at(1).captured)));
        auto* table = child<QTableView>(*results, "resultTable");
        emit table->activated(cell);
        QCOMPARE(opened, QStringList{kept.at(0).png});

        emit table->customContextMenuRequested(table->visualRect(cell).center());
        auto* menu = child<QMenu>(*results, "mnuCellEvidence");
        const QList<QAction*> offered = menu->actions();
        QCOMPARE(offered.size(), 2);
        QCOMPARE(menu->defaultAction(), offered.at(0));
        QVERIFY(offered.at(0)->text().startsWith(QStringLiteral("提交页_无按钮")));
        offered.at(1)->trigger();
        menu->close();
        QCOMPARE(opened.last(), kept.at(1).png);
    }

    void aLongPageIsKeptWholeAtADesktopWidth()
    {
        // A page far taller and wider than the worker browser, its bottom line coloured by its style
        // sheet; it would go elsewhere by itself (a refresh, a script) if it were shown again live.
        test::TestHttpServer server;
        server.addPage(QStringLiteral("/long"),
                       QByteArrayLiteral("<html><head><link rel=\"stylesheet\" href=\"/look.css\">"
                                         "<meta http-equiv=\"refresh\" content=\"1;url=/gone\"></head>"
                                         "<body style=\"margin:0\"><div style=\"height:2400px\">top</div>"
                                         "<div id=\"bottom\" style=\"height:60px\">提交按钮在这里</div>"
                                         "<script>document.body.insertAdjacentHTML('beforeend',"
                                         "'<p id=added>added</p>');</script></body></html>"));
        server.addRoute(QStringLiteral("/look.css"), [](const test::TestHttpServer::Request&) {
            test::TestHttpServer::Reply reply;
            reply.contentType = QByteArrayLiteral("text/css");
            reply.body = QByteArrayLiteral("#bottom{background:#ff0000}");
            return reply;
        });
        QWebEngineView worker;
        worker.resize(675, 189);
        worker.show();
        QSignalSpy loaded(worker.page(), &QWebEnginePage::loadFinished);
        worker.load(server.url(QStringLiteral("/long")));
        QVERIFY(loaded.wait(30000));
        QTemporaryDir dir;
        ui::EvidenceRecorder recorder(&worker, {}, std::make_shared<evidence::EvidenceStore>(dir.path()));
        const QDateTime start = startOneAccount(recorder);
        recorder.stepFailed(3, 1, engine::RunRecorder::Failure::NothingToPress);
        // The worker browser moves on at once, as a run does.
        worker.setHtml(QStringLiteral("<p>next</p>"));
        QVERIFY(recorder.flush(30000));
        QCOMPARE(worker.size(), QSize(675, 189));
        const QList<evidence::Evidence> kept = recorder.store().entries(start);
        QCOMPARE(kept.size(), 1);
        const QImage picture(kept.first().png);
        QCOMPARE(picture.width(), ui::PageSnapshot::kWidth);
        QVERIFY2(picture.height() >= 2460, qPrintable(QString::number(picture.height())));
        const QRgb bottom = picture.pixel(ui::PageSnapshot::kWidth - 10, 2430);
        QVERIFY2(qRed(bottom) > 200 && qGreen(bottom) < 60 && qBlue(bottom) < 60, qPrintable(QColor(bottom).name()));
        // The page's own script ran once, live; drawn again, nothing was sent anywhere.
        QVERIFY(QFile(kept.first().html).open(QIODevice::ReadOnly));
        QCOMPARE(server.hits(QStringLiteral("/gone")), 0);
    }

    void aDocumentReadsBackAsThePageShowedIt()
    {
        // A Chinese site's page served as GBK says so in its head; the document is kept as UTF-8, and
        // opened from the evidence folder it must show the characters the page showed.
        QWebEngineView worker;
        worker.resize(400, 300);
        worker.show();
        QSignalSpy loaded(worker.page(), &QWebEnginePage::loadFinished);
        worker.setHtml(QStringLiteral("<html><head><meta charset=\"gbk\"><title>提交网摘</title></head>"
                                      "<body>中文</body></html>"));
        QVERIFY(loaded.wait(30000));
        QTemporaryDir dir;
        ui::EvidenceRecorder recorder(&worker, {}, std::make_shared<evidence::EvidenceStore>(dir.path()));
        const QDateTime start = startOneAccount(recorder);
        recorder.stepFailed(3, 1, engine::RunRecorder::Failure::StatementFailed);
        QVERIFY(recorder.flush(20000));
        const QList<evidence::Evidence> kept = recorder.store().entries(start);
        QCOMPARE(kept.size(), 1);

        QWebEnginePage reader;
        QSignalSpy read(&reader, &QWebEnginePage::loadFinished);
        reader.load(QUrl::fromLocalFile(kept.first().html));
        QVERIFY(read.wait(30000));
        QString body;
        reader.runJavaScript(QStringLiteral("document.title + '|' + document.body.innerText"),
                             [&body](const QVariant& v) { body = v.toString(); });
        QVERIFY(test::waitUntil([&] { return !body.isEmpty(); }, 30000));
        QCOMPARE(body, QStringLiteral("提交网摘|中文"));
    }

    void aKeptDocumentRunsNothingOfTheSite()
    {
        // A page that runs its scripts from an element, event attributes and javascript: addresses;
        // its kept document has none of them, and a <base> of its address so that it still shows.
        test::TestHttpServer server;
        server.addPage(QStringLiteral("/scripted"),
                       QByteArrayLiteral("<!DOCTYPE html><html><head><script src=\"/app.js\"></script>"
                                         "<script>window.ran=1</script></head>"
                                         "<body onload=\"fetch('/beacon')\"><img src=\"x.png\" onerror=\"fetch('/beacon1')\">"
                                         "<a href=\" JavaScript:void(2)\" ONCLICK=\"fetch('/beacon3')\">link</a>"
                                         "<form action=\"javascript:void(4)\"><input name=q></form>"
                                         "<iframe srcdoc=\"&lt;script&gt;fetch(5)&lt;/script&gt;\"></iframe>"
                                         "<svg><script>window.svg=6</script><a xlink:href=\"javascript:void(7)\">s</a></svg>"
                                         "<p id=kept>页面内容</p></body></html>"));
        QWebEngineView worker;
        worker.resize(400, 300);
        worker.show();
        QSignalSpy loaded(worker.page(), &QWebEnginePage::loadFinished);
        const QUrl address = server.url(QStringLiteral("/scripted"));
        worker.load(address);
        QVERIFY(loaded.wait(30000));
        QTemporaryDir dir;
        ui::EvidenceRecorder recorder(&worker, {}, std::make_shared<evidence::EvidenceStore>(dir.path()));
        const QDateTime start = startOneAccount(recorder);
        recorder.stepFailed(3, 1, engine::RunRecorder::Failure::StatementFailed);
        QVERIFY(recorder.flush(20000));
        const QList<evidence::Evidence> kept = recorder.store().entries(start);
        QCOMPARE(kept.size(), 1);
        QFile file(kept.first().html);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString document = QString::fromUtf8(file.readAll());
        QVERIFY2(document.contains(QStringLiteral("页面内容")), qPrintable(document));
        QVERIFY2(!document.contains(QStringLiteral("<script"), Qt::CaseInsensitive), qPrintable(document));
        QVERIFY2(!document.contains(QStringLiteral("javascript:"), Qt::CaseInsensitive), qPrintable(document));
        QVERIFY2(!document.contains(QStringLiteral("srcdoc"), Qt::CaseInsensitive), qPrintable(document));
        QVERIFY2(!document.contains(QRegularExpression(QStringLiteral("\\son\\w+\\s*="),
                                                       QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(document));
        QVERIFY2(document.contains(QStringLiteral("<head><base href=\"%1\">").arg(address.toString())),
                 qPrintable(document));
        // The live page keeps its own.
        QVariant liveScripts;
        worker.page()->runJavaScript(QStringLiteral("document.querySelectorAll('script').length"),
                                     [&liveScripts](const QVariant& v) { liveScripts = v; });
        QVERIFY(test::waitUntil([&] { return liveScripts.isValid(); }, 30000));
        QCOMPARE(liveScripts.toInt(), 3);
    }

    void aCleanRunWritesNothing()
    {
        Run r({"byid"}, 2);
        QVERIFY(r.runToEnd());
        QVERIFY(r.errorLines().isEmpty());
        QCOMPARE(QDir(r.evidence.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(r.window.evidence().recorder().cost().failures, 0);
    }
};

QTEST_MAIN(TestEvidence)
#include "tst_evidence.moc"
