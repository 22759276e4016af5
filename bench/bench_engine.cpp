// The program's side of bench/run: the real submission engine in the real main window and its Qt
// WebEngine browser adapter, offscreen, against the demonstration site that bench_site serves.
//
//   bench_engine run SITE KIND ACCOUNTS BOOKMARKS [TIMEOUT]
//       Builds a store with the row of the site's variant KIND ("byid", "heavy", "big") and ACCOUNTS
//       accounts (and the time-out in seconds, when given), puts BOOKMARKS bookmarks in the URL list,
//       prints "ready" once the window and its browsers have loaded their first pages, waits for "go"
//       on its input, runs everything with the run-all button and prints "result {json}". While the
//       run goes on it prints "progress N" each time a bookmark is done.
//
// The result holds, per page, the three parts of the program's handling: the page event's handler
// (from the adapter's delivery of the event to the return of the handler it starts), the page's own
// time to carry out a page step (sent to answered), and the handling of the answer; and the login
// pages' page events with their steps' times (CLOCK_MONOTONIC), which bench/run sets against the
// site's request log. Nothing is verified here: bench/run checks the site's own record of every run
// before it prints a figure.
#include "benchsupport.h"
#include "demosite.h"
#include "engine/submissionengine.h"
#include "platform/messagebox.h"
#include "platform/programfont.h"
#include "platform/webbrowser.h"
#include "platform/workerpage.h"
#include "store/programstore.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace tvx;

namespace {

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}


// The bookmarks of the benchmark; bench/flow_playwright.mjs and bench/run.mjs make the same ones.
tvx::Bookmark benchBookmark(int n)
{
    return {QStringLiteral("http://example.com/bench/%1?a=1&b=2").arg(n), QStringLiteral("书签 %1 的标题").arg(n),
            QStringLiteral("新闻 科技"), QStringLiteral("摘要 %1").arg(n)};
}

// Runs the event loop until `done` holds, woken by the events that can change it (no polling), or
// until `ms` milliseconds have passed.
bool runUntil(QEventLoop& loop, const std::function<bool()>& done, int ms)
{
    if (done())
        return true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(ms);
    while (!done() && guard.isActive())
        loop.exec();
    return done();
}

// CPU time of the whole process (every thread, among them Chromium's browser side) and of its main
// thread, where the engine, the window and Qt WebEngine's browser UI thread run.
struct CpuTimes {
    qint64 processNs = 0;
    qint64 mainThreadNs = 0;
};

CpuTimes cpuTimes()
{
    const auto ns = [](const rusage& u) {
        return (qint64(u.ru_utime.tv_sec) + qint64(u.ru_stime.tv_sec)) * 1000000000 +
               (qint64(u.ru_utime.tv_usec) + qint64(u.ru_stime.tv_usec)) * 1000;
    };
    rusage self{}, thread{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_THREAD, &thread);
    return {ns(self), ns(thread)};
}

struct Percentiles {
    double median = 0, p99 = 0, max = 0, mean = 0;
};

Percentiles percentiles(std::vector<qint64> ns)
{
    Percentiles p;
    if (ns.empty())
        return p;
    std::sort(ns.begin(), ns.end());
    double sum = 0;
    for (qint64 v : ns)
        sum += double(v);
    const auto at = [&](double q) {
        // Nearest rank.
        size_t rank = size_t(std::ceil(q * double(ns.size())));
        rank = std::clamp<size_t>(rank, 1, ns.size());
        return double(ns[rank - 1]) / 1e6;
    };
    p.median = ns.size() % 2 ? double(ns[ns.size() / 2]) / 1e6
                             : (double(ns[ns.size() / 2 - 1]) + double(ns[ns.size() / 2])) / 2e6;
    p.p99 = at(0.99);
    p.max = double(ns.back()) / 1e6;
    p.mean = sum / double(ns.size()) / 1e6;
    return p;
}

std::string jsonPercentiles(const Percentiles& p)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, "{\"median\":%.4f,\"p99\":%.4f,\"max\":%.4f,\"mean\":%.4f}", p.median, p.p99, p.max,
                  p.mean);
    return buf;
}

// Times the engine's handling of each page event: from the adapter's delivery of the event to the
// return of the handler it starts (which builds and sends the page step, or requests the next page).
class TimedEvents final : public engine::BrowserEvents {
public:
    TimedEvents(engine::SubmissionEngine& engine, std::vector<qint64>& handlerNs, int& queued)
        : m_engine(engine)
        , m_handlerNs(handlerNs)
        , m_queued(queued)
    {
    }
    void pageComplete(bool topLevel) override
    {
        // An event that arrives while a handler waits for its page step only joins the queue; it is
        // handled, and counted, with the answer.
        const bool waits = m_engine.busy();
        const qint64 start = monotonicNs();
        m_engine.pageComplete(topLevel);
        if (waits)
            ++m_queued;
        else
            m_handlerNs.push_back(monotonicNs() - start);
    }
    void windowClosing() override { m_engine.windowClosing(); }

private:
    engine::SubmissionEngine& m_engine;
    std::vector<qint64>& m_handlerNs;
    int& m_queued;
};

std::string jsonMicros(const std::vector<qint64>& ns)
{
    std::string out = "[";
    for (size_t i = 0; i < ns.size(); ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%.1f", i ? "," : "", double(ns[i]) / 1e3);
        out += buf;
    }
    return out + "]";
}

int runBenchmark(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: bench_engine run SITE KIND ACCOUNTS BOOKMARKS [TIMEOUT]\n");
        return 2;
    }
    const QString base = QString::fromLocal8Bit(argv[2]);
    const std::string kind = argv[3];
    const int accounts = std::max(1, std::atoi(argv[4]));
    const int bookmarks = std::max(1, std::atoi(argv[5]));
    const int timeout = argc > 6 ? std::atoi(argv[6]) : 0;

    bench::defaultEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrinex"));
    platform::applyProgramFont(app);

    QEventLoop loop;
    QStringList boxes;
    qint64 endNs = 0;
    ui::MessageBox::setAnswerer([&](const ui::MessageBox::Shown& shown) {
        boxes.append(shown.text);
        if (shown.text == QStringLiteral("网摘提交完毕！") && endNs == 0)
            endNs = monotonicNs();
        loop.quit();
        return true;
    });

    QTemporaryDir dir;
    const QString storePath = dir.path() + QStringLiteral("/tvx.cfg");
    QString sql = QString::fromStdString(demosite::siteRowSql(0, kind, base.toStdString()));
    for (int a = 1; a <= accounts; ++a)
        sql += QStringLiteral("INSERT INTO Accounts VALUES(0,'%1-user%2','pw%2');").arg(QString::fromStdString(kind)).arg(a);
    if (timeout > 0)
        sql += QStringLiteral("UPDATE Config SET Timeout=%1;").arg(timeout);
    bench::makeStore(storePath, sql);

    store::ProgramStore store;
    // The information panes load from where nothing listens (they hide themselves), so that every
    // request the site sees during a run is the worker browser's.
    ui::MainWindow window(store, {storePath, QString(),
                                  WebHosts{QStringLiteral("http://127.0.0.1:9"), base + QStringLiteral("/fb"),
                                           base + QStringLiteral("/fanfou")}});
    // The window's three browsers load their first pages before the run starts.
    int firstLoads = 0;
    for (const char* name : {"wb", "wbADS", "wbStatus"}) {
        auto* view = window.findChild<QWebEngineView*>(QLatin1String(name));
        QObject::connect(
            view->page(), &QWebEnginePage::loadFinished, &loop,
            [&] {
                ++firstLoads;
                loop.quit();
            },
            Qt::SingleShotConnection);
    }
    window.show();
    window.Form_Load();
    if (!runUntil(
            loop, [&] { return firstLoads >= 3; }, 60000)) {
        std::fprintf(stderr, "bench_engine: the window's browsers did not load their first pages\n");
        return 1;
    }
    for (int i = 1; i <= bookmarks; ++i)
        window.urlListModel()->append(benchBookmark(i));

    std::printf("ready\n");
    std::fflush(stdout);
    bool go = false;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [&] {
        char line[64];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line);
        go = n > 0 && std::string(line, size_t(n)).rfind("go", 0) == 0;
        input.setEnabled(false);
        loop.quit();
    });
    runUntil(
        loop, [&] { return !input.isEnabled(); }, 600000);
    if (!go)
        return 1;

    // What the engine asks of the browser and when pages complete, as they happen.
    struct Event {
        bool page; // a page completion; otherwise a request
        qint64 ns;
        qint32 stage = 0; // a page completion: the stage that takes it
    };
    std::vector<Event> events;
    events.reserve(size_t(accounts) * size_t(bookmarks) * 4 + 64);
    std::vector<qint64> doneAt; // when each bookmark was done
    doneAt.reserve(size_t(accounts) * size_t(bookmarks) + 1);
    platform::WebBrowser* browser = window.workerAdapter();
    engine::SubmissionEngine& engine = window.engine();
    QObject::connect(browser, &platform::WebBrowser::pageCompleted, &loop, [&] {
        events.push_back({true, monotonicNs(), engine.state().mlngStage});
    });
    QObject::connect(browser, &platform::WebBrowser::requestMade, &loop, [&] {
        events.push_back({false, monotonicNs()});
        const qint32 done = engine.state().mlngDoneSteps;
        if (done > qint32(doneAt.size())) {
            doneAt.push_back(events.back().ns);
            std::printf("progress %d\n", done);
            std::fflush(stdout);
        }
    });

    // The three parts of the program's handling of a page: the page event's handler, the page's own
    // time to carry out a step (sent -> answered), and the handling of the answer.
    std::vector<qint64> handlerNs, stepPageNs, answerNs;
    handlerNs.reserve(events.capacity());
    stepPageNs.reserve(events.capacity());
    answerNs.reserve(events.capacity());
    int queuedPages = 0, givenUp = 0;
    TimedEvents timed(engine, handlerNs, queuedPages);
    browser->setEvents(&timed);
    qint64 sentNs = 0, answeredNs = 0;
    // Login pages: the page event, and when the page had carried out the login step (its press).
    std::string loginPages = "[";
    qint64 loginPageNs = 0;
    QObject::connect(browser, &platform::WebBrowser::stepSent, &loop, [&] {
        sentNs = monotonicNs();
        answeredNs = 0;
    });
    QObject::connect(browser, &platform::WebBrowser::stepAnswered, &loop, [&] { answeredNs = monotonicNs(); });
    QObject::connect(browser, &platform::WebBrowser::stepHandled, &loop, [&] {
        const qint64 now = monotonicNs();
        if (answeredNs == 0) {
            ++givenUp;
        } else {
            stepPageNs.push_back(answeredNs - sentNs);
            answerNs.push_back(now - answeredNs);
        }
        const Event* page = nullptr;
        for (auto e = events.rbegin(); e != events.rend() && !page; ++e)
            if (e->page)
                page = &*e;
        if (page && page->stage == engine::RunStage::Login && page->ns != loginPageNs) {
            loginPageNs = page->ns;
            char buf[120];
            std::snprintf(buf, sizeof buf, "%s[%lld,%lld,%lld]", loginPages.size() > 1 ? "," : "",
                          static_cast<long long>(page->ns / 1000), static_cast<long long>(sentNs / 1000),
                          static_cast<long long>(answeredNs / 1000));
            loginPages += buf;
        }
    });

    const CpuTimes cpuStart = cpuTimes();
    const qint64 startNs = monotonicNs();
    engine.cmdAllSubmit_Click();
    const int limitMs = std::max(120000, accounts * bookmarks * 5000);
    runUntil(
        loop, [&] { return endNs != 0; }, limitMs);
    if (endNs == 0) {
        std::fprintf(stderr, "bench_engine: the run did not end within %d s\n", limitMs / 1000);
        return 1;
    }
    const CpuTimes cpuEnd = cpuTimes();
    loginPages += "]";

    qint64 waiting = 0; // request -> the next page completion
    int pages = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].page)
            ++pages;
        else if (i + 1 < events.size() && events[i + 1].page)
            waiting += events[i + 1].ns - events[i].ns;
    }
    const int requests = int(std::count_if(events.begin(), events.end(), [](const Event& e) { return !e.page; }));
    const qint64 wall = endNs - startNs;

    ui::RunLogModel* log = window.runLogModel();
    int errors = 0;
    for (int i = 0; i < log->rowCount(); ++i)
        if (log->index(i, 1).data().toString().contains(QStringLiteral("错误"))) {
            ++errors;
            std::fprintf(stderr, "bench_engine: %s %s\n", qPrintable(log->index(i, 0).data().toString()),
                         qPrintable(log->index(i, 1).data().toString()));
        }

    // Cost per bookmark over each tenth of the run's bookmarks.
    std::string tenths = "[";
    const size_t total = doneAt.size();
    for (size_t t = 0; t < 10 && total >= 10; ++t) {
        const size_t from = total * t / 10, to = total * (t + 1) / 10;
        const qint64 begin = from == 0 ? startNs : doneAt[from - 1];
        char buf[40];
        std::snprintf(buf, sizeof buf, "%s%.3f", t ? "," : "",
                      double(doneAt[to - 1] - begin) / 1e6 / double(to - from));
        tenths += buf;
    }
    tenths += "]";

    std::string boxesJson = "[";
    for (int i = 0; i < boxes.size(); ++i)
        boxesJson += std::string(i ? "," : "") + "\"" + boxes.at(i).toStdString() + "\"";
    boxesJson += "]";

    std::printf(
        "result {\"wallMs\":%.3f,\"pageEvents\":%d,\"requests\":%d,\"queuedPages\":%d,\"givenUpSteps\":%d,"
        "\"doneSteps\":%d,\"handlerMs\":%s,\"stepPageMs\":%s,\"answerMs\":%s,\"cpuProcessMs\":%.1f,"
        "\"cpuMainThreadMs\":%.1f,\"waitingMs\":%.3f,\"logLines\":%d,\"logErrors\":%d,\"boxes\":%s,"
        "\"msPerBookmarkByTenth\":%s,\"handlerUs\":%s,\"stepPageUs\":%s,\"answerUs\":%s,\"loginPagesUs\":%s}\n",
        double(wall) / 1e6, pages, requests, queuedPages, givenUp, engine.state().mlngDoneSteps,
        jsonPercentiles(percentiles(handlerNs)).c_str(), jsonPercentiles(percentiles(stepPageNs)).c_str(),
        jsonPercentiles(percentiles(answerNs)).c_str(), double(cpuEnd.processNs - cpuStart.processNs) / 1e6,
        double(cpuEnd.mainThreadNs - cpuStart.mainThreadNs) / 1e6, double(waiting) / 1e6, log->rowCount(), errors,
        boxesJson.c_str(), tenths.c_str(), jsonMicros(handlerNs).c_str(), jsonMicros(stepPageNs).c_str(),
        jsonMicros(answerNs).c_str(), loginPages.c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run")
        return runBenchmark(argc, argv);
    std::fprintf(stderr, "usage: bench_engine run SITE KIND ACCOUNTS BOOKMARKS [TIMEOUT]\n");
    return 2;
}
