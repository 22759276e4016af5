// tvx-screenshots: renders the program's windows offscreen into PNG files for the help file, so that
// the pictures in readme.html always show the windows as this build draws them.
//   tvx-screenshots OUTDIR SQLFILE...
// The SQL files make the store the windows are shown against (the delivered schema, settings row and
// site rows); two demonstration accounts are added to it. Writes one PNG per window into OUTDIR.
#include "demosite.h"
#include "engine/clock.h"
#include "platform/pickerpage.h"
#include "platform/programfont.h"
#include "platform/programlanguage.h"
#include "sites/sitestore.h"
#include "store/programstore.h"
#include "store/resulttables.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/tagdialog.h"
#include "ui/main/urllistmodel.h"
#include "ui/results/resultswindow.h"
#include "ui/sites/browserpane.h"
#include "ui/sites/sitedefinitionsdialog.h"
#include "ui/sites/templatedialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineView>

#include <cstdio>
#include <functional>
#include <sqlite3.h>

using namespace tvx;

namespace {

// Log lines carry fixed times, so the pictures do not change from one build to the next.
class FixedClock final : public engine::Clock {
public:
    qint64 nowSeconds() const override { return 0; }
    QTime localTime() const override { return m_time; }
    void set(QTime time) { m_time = time; }

private:
    QTime m_time{9, 30, 0};
};

bool makeStore(const QString& path, const QStringList& sqlFiles)
{
    QByteArray sql = "BEGIN;\n";
    for (const QString& name : sqlFiles) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "tvx-screenshots: cannot read %s\n", qPrintable(name));
            return false;
        }
        sql += file.readAll() + '\n';
    }
    sql += "INSERT INTO Accounts (ID, Uid, Pwd) VALUES (0, 'zhangsan', 'secret1');\n"
           "INSERT INTO Accounts (ID, Uid, Pwd) VALUES (1, 'lisi', 'pass2024');\n"
           "COMMIT;\n";
    sqlite3* db = nullptr;
    char* error = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "tvx-screenshots: cannot make the store: %s\n", error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

// Lets pending events run until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void settle()
{
    waitFor([] { return false; }, 300);
}

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("tvx-screenshots: no control %s", name);
    return c;
}

class Renderer {
public:
    explicit Renderer(QString outDir)
        : m_outDir(std::move(outDir))
    {
    }

    bool save(QWidget& w, const QString& name)
    {
        w.show();
        settle();
        const QString path = m_outDir + QLatin1Char('/') + name;
        if (!w.grab().save(path)) {
            std::fprintf(stderr, "tvx-screenshots: cannot write %s\n", qPrintable(path));
            m_ok = false;
            return false;
        }
        return true;
    }

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }
    const QString& outDir() const { return m_outDir; }

private:
    QString m_outDir;
    bool m_ok = true;
};

void renderMainWindow(Renderer& r, store::ProgramStore& store, const QString& storePath, const QString& panes)
{
    FixedClock clock;
    ui::MainWindow w(store, {storePath, QString(), WebHosts{panes, QString(), QString()}, &clock});
    w.resize(800, 652);
    w.show();
    w.Form_Load();
    // The two information panes come from the demonstration site; wait for both before drawing.
    auto* ads = child<QWebEngineView>(w, "wbADS");
    auto* status = child<QWebEngineView>(w, "wbStatus");
    bool adsDone = false;
    bool statusDone = false;
    QObject::connect(ads, &QWebEngineView::loadFinished, [&](bool) { adsDone = true; });
    QObject::connect(status, &QWebEngineView::loadFinished, [&](bool) { statusDone = true; });
    if (!waitFor([&] { return adsDone && statusDone; }, 20000))
        std::fprintf(stderr, "tvx-screenshots: the information panes did not load; drawn without them\n");

    ui::UrlListModel* list = w.urlListModel();
    list->append({QStringLiteral("http://www.example.com/news/2024/spring.html"), QStringLiteral("春季新品发布会"),
                  QStringLiteral("新闻 科技"), QStringLiteral("发布会的图文报道。")});
    list->append({QStringLiteral("http://blog.example.org/cooking"), QStringLiteral("家常菜谱一百例"),
                  QStringLiteral("生活 博客"), QString()});
    list->append({QStringLiteral("http://video.example.net/watch?v=42"), QStringLiteral("航展精彩视频"),
                  QStringLiteral("视频 航空"), QStringLiteral("今年航展的飞行表演。")});
    const QString site = QStringLiteral("演示站点（按编号）");
    const QString mark = QStringLiteral("\"");
    const QList<QPair<QTime, QString>> lines = {
        {{9, 30, 1}, QStringLiteral("正在登录 ") + mark + site + mark + QStringLiteral("...")},
        {{9, 30, 2}, QStringLiteral("已经登录到") + mark + site + mark + QStringLiteral("...")},
        {{9, 30, 2}, QStringLiteral("正在向") + mark + site + mark + QStringLiteral("提交信息...")},
        {{9, 30, 5}, QStringLiteral("向") + mark + site + mark + QStringLiteral("提交信息完毕!")},
        {{9, 30, 6},
         QStringLiteral("正在登录 ") + mark + QStringLiteral("演示站点（按名称）") + mark + QStringLiteral("...")},
    };
    for (const auto& [time, text] : lines) {
        clock.set(time);
        w.runHost().addLog(text);
    }
    child<QProgressBar>(w, "pbProcess")->setValue(50);
    r.save(w, QStringLiteral("mainwindow.png"));

    // The set-up button's pop-up menu, drawn on its own.
    auto* menu = child<QMenu>(w, "mnuMain");
    menu->popup(w.mapToGlobal(QPoint(106, 560)));
    settle();
    if (!menu->grab().save(r.outDir() + QStringLiteral("/setupmenu.png")))
        r.fail();
    menu->hide();

    // The URL list's own menu (right button on the list).
    auto* listMenu = child<QMenu>(w, "mnuUrlList");
    listMenu->popup(w.mapToGlobal(QPoint(200, 200)));
    settle();
    if (!listMenu->grab().save(r.outDir() + QStringLiteral("/urllistmenu.png")))
        r.fail();
    listMenu->hide();
    w.hide();
}

void renderAddDialog(Renderer& r)
{
    FixedClock clock;
    // No address is handed in, so nothing is fetched; the boxes are filled as after a fetch.
    ui::AddDialog frmAdd(clock);
    frmAdd.show();
    settle();
    child<QLineEdit>(frmAdd, "txtURL")->setText(QStringLiteral("http://www.example.com/news/2024/spring.html"));
    child<QLineEdit>(frmAdd, "txtTitle")->setText(QStringLiteral("春季新品发布会"));
    child<QLineEdit>(frmAdd, "txtTag")->setText(QStringLiteral("新闻 科技"));
    child<QPlainTextEdit>(frmAdd, "txtSummary")->setPlainText(QStringLiteral("发布会的图文报道。"));
    r.save(frmAdd, QStringLiteral("adddialog.png"));
    frmAdd.hide();
}

void renderTagDialog(Renderer& r)
{
    ui::TagDialog frmTag;
    frmTag.gstrTag = QStringLiteral("新闻 科技");
    r.save(frmTag, QStringLiteral("tagdialog.png"));
    frmTag.hide();
}

void renderDialogs(Renderer& r, store::ProgramStore& store)
{
    {
        ui::dialogs::AccountsDialog frmSetup(store);
        r.save(frmSetup, QStringLiteral("accounts.png"));
        frmSetup.hide();
    }
    {
        ui::dialogs::SitePickerDialog frmSel(store);
        child<QListWidget>(frmSel, "lstWeb")->setCurrentRow(0);
        r.save(frmSel, QStringLiteral("sitepicker.png"));
        frmSel.hide();
    }
    {
        ui::dialogs::SubmitSitesDialog frmSelWeb(store);
        auto* list = child<QListWidget>(frmSelWeb, "lstWeb");
        if (list->count() > 0)
            list->item(0)->setSelected(true);
        r.save(frmSelWeb, QStringLiteral("submitsites.png"));
        frmSelWeb.hide();
    }
    {
        ui::dialogs::ParametersDialog frmPara(store);
        r.save(frmPara, QStringLiteral("parameters.png"));
        frmPara.hide();
    }
}

// The results window over a run of two accounts and four bookmarks with every state there is.
void renderResultsWindow(Renderer& r, const QString& storePath)
{
    using namespace store::results;
    store::Connection c;
    c.open(storePath);
    const QDateTime start(QDate(2026, 3, 4), QTime(9, 30, 0));
    const QList<RunBookmark> bookmarks{
        {1, QStringLiteral("http://www.example.com/news/2024/spring.html"), QStringLiteral("春季新品发布会")},
        {2, QStringLiteral("http://blog.example.org/cooking"), QStringLiteral("家常菜谱一百例")},
        {3, QStringLiteral("http://video.example.net/watch?v=42"), QStringLiteral("航展精彩视频")},
        {4, QStringLiteral("http://www.example.com/travel"), QStringLiteral("旅行攻略")}};
    const qint64 older = beginRun(c, start.addDays(-1), bookmarks);
    finishRun(c, older, start.addDays(-1).addSecs(30), true);
    const qint64 run = beginRun(c, start, bookmarks);
    record(c, run,
           {{0, {QStringLiteral("演示站点（按编号）"), QStringLiteral("zhangsan")}},
            {1, {QStringLiteral("演示站点（按名称）"), QStringLiteral("lisi")}}},
           {{0, 0, Outcome::Submitted, 4, start.addSecs(3)},
            {0, 1, Outcome::Submitted, 4, start.addSecs(4)},
            {0, 2, Outcome::Submitted, 4, start.addSecs(5)},
            {0, 3, Outcome::Submitted, 4, start.addSecs(6)},
            {1, 0, Outcome::Submitted, 4, start.addSecs(9)},
            {1, 1, Outcome::TimedOut, 4, start.addSecs(40)},
            {1, 2, Outcome::NoButton, 3, start.addSecs(41)}});
    finishRun(c, run, start.addSecs(45), false);
    ui::ResultsWindow w(c, {[](const QStringList&) { return qMakePair(0, 0); }, {}, {}});
    w.resize(900, 300);
    r.save(w, QStringLiteral("results.png"));
    w.hide();
}

// The site definitions window: a delivered site; 新建's templates; a field picked on the demonstration
// site's login page; and a site check of a copy of the first site made to point at the running
// demonstration site.
void renderSiteWindows(Renderer& r, store::ProgramStore& store, const QString& demo)
{
    {
        ui::TemplateDialog templates;
        templates.show();
        child<QListWidget>(templates, "templateList")->setCurrentRow(1);
        child<QLineEdit>(templates, "addressEdit")->setText(QStringLiteral("https://links.example.org"));
        r.save(templates, QStringLiteral("sitetemplate.png"));
        templates.hide();
    }
    qint64 copy = -1;
    try {
        sites::SiteStore sites(store.gcnnStore);
        sites::SiteDefinition d = sites.read(0);
        d.id = -1;
        d.set(QStringLiteral("WebName"), QStringLiteral("我的演示站点"));
        for (const char* column : {"LoginUrl", "SubmitUrl", "LogoutUrl"})
            d.set(QLatin1String(column),
                  d.text(QLatin1String(column)).replace(QStringLiteral("http://127.0.0.1:38517"), demo));
        copy = sites.save(d);
        store.gcnnStore.execute(
            {QStringLiteral("INSERT INTO Accounts (ID, Uid, Pwd) VALUES (?, 'wangwu', 'pw')"), {copy}});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvx-screenshots: the site check's site: %s\n", e.what());
        r.fail();
        return;
    }
    ui::SiteDefinitionsDialog siteDefinitions(store);
    // Its default size on a screen of 1366 × 768.
    siteDefinitions.resize(1340, 720);
    siteDefinitions.show();
    siteDefinitions.selectSite(0);
    r.save(siteDefinitions, QStringLiteral("sites.png"));

    // Picking: the login page in the pane, the user-id box under the pointer.
    siteDefinitions.selectSite(copy);
    ui::BrowserPane* pane = siteDefinitions.pane();
    bool loaded = false;
    QObject::connect(pane->page(), &QWebEnginePage::loadFinished, [&] { loaded = true; });
    pane->open(demo + QStringLiteral("/byid/login"));
    if (!waitFor([&] { return loaded; }, 20000))
        std::fprintf(stderr, "tvx-screenshots: the login page did not load\n");
    settle();
    QMetaObject::invokeMethod(child<QWidget>(siteDefinitions, "pickUidFieldId"), "click");
    settle();
    QWidget* surface = pane->view()->focusProxy();
    QPoint at(150, 100);
    bool found = false;
    pane->page()->runJavaScript(
        QStringLiteral("(function(){var r=document.getElementById('f_uid').getBoundingClientRect();"
                       "return [r.left+r.width/2, r.top+r.height/2];})()"),
        [&](const QVariant& v) {
            const QVariantList xy = v.toList();
            if (xy.size() == 2)
                at = QPoint(xy.at(0).toInt(), xy.at(1).toInt());
            found = true;
        });
    waitFor([&] { return found; }, 5000);
    QMouseEvent move(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    settle();
    r.save(siteDefinitions, QStringLiteral("sitepicking.png"));
    pane->stopPicking();

    // The site check.
    QMetaObject::invokeMethod(child<QWidget>(siteDefinitions, "checkButton"), "click");
    auto* results = child<QTreeWidget>(siteDefinitions, "checkResults");
    if (!waitFor(
            [&] {
                return results->topLevelItemCount() > 0 && child<QWidget>(siteDefinitions, "newButton")->isEnabled();
            },
            60000))
        std::fprintf(stderr, "tvx-screenshots: the site check did not end\n");
    r.save(siteDefinitions, QStringLiteral("sitecheck.png"));
    siteDefinitions.hide();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::applyProgramFont(app);
    platform::applyProgramLanguage(app);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tvx-screenshots OUTDIR SQLFILE...\n");
        return 2;
    }
    const QString outDir = args.at(1);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tvx-screenshots: cannot make %s\n", qPrintable(outDir));
        return 1;
    }
    QTemporaryDir temp;
    const QString storePath = temp.path() + QStringLiteral("/tvx.cfg");
    if (!temp.isValid() || !makeStore(storePath, args.mid(2)))
        return 1;

    demosite::DemoSite site;
    QString panes = QStringLiteral("http://127.0.0.1:9"); // refuses: the panes are hidden
    try {
        site.start(0);
        panes = QString::fromStdString(site.base());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvx-screenshots: demonstration site: %s\n", e.what());
    }

    Renderer r(outDir);
    store::ProgramStore store;
    renderMainWindow(r, store, storePath, panes);
    renderAddDialog(r);
    renderTagDialog(r);
    renderDialogs(r, store);
    renderResultsWindow(r, storePath);
    renderSiteWindows(r, store, panes);
    site.stop();
    return r.ok() ? 0 : 1;
}
