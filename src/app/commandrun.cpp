#include "commandrun.h"

#include "engine/runrecorder.h"
#include "engine/siterecord.h"
#include "engine/submissionengine.h"
#include "platform/messagebox.h"
#include "platform/onecopy.h"
#include "platform/paths.h"
#include "platform/qtticker.h"
#include "platform/systemclock.h"
#include "platform/webbrowser.h"
#include "sites/sitecheck.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/recordset.h"
#include "store/resulttables.h"
#include "store/schema.h"
#include "store/storeerror.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "ui/bookmarks/bookmarktransfer.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistcontroller.h"
#include "ui/results/resultwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTime>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace tvx::app {

namespace {

using store::results::Outcome;

void write(FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

void say(const QString& line)
{
    write(stdout, line + QLatin1Char('\n'));
}

void complain(const QString& line)
{
    write(stderr, QStringLiteral("tavrinex-run：") + line + QLatin1Char('\n'));
}

struct Options {
    enum Mode { Submit, Check, Retry, ListRuns, Import, Help, Version } mode = Submit;
    QStringList sites;
    QString retry; // a run's number, or "last"
    QString file;
};

// The command line, or a message saying what is wrong with it.
std::optional<Options> parse(const QStringList& arguments, QString& error)
{
    Options o;
    bool modeGiven = false;
    const auto setMode = [&](Options::Mode mode, const QString& option) {
        if (modeGiven && o.mode != mode) {
            error = QStringLiteral("选项“%1”不能和前面的选项一起使用。").arg(option);
            return false;
        }
        modeGiven = true;
        o.mode = mode;
        return true;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        QString value;
        bool hasValue = false;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            value = option.mid(option.indexOf(QLatin1Char('=')) + 1);
            option = option.left(option.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return !value.isEmpty() || (error = QStringLiteral("选项“%1”后面缺少值。").arg(option), false);
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--"))) {
                error = QStringLiteral("选项“%1”后面缺少值。").arg(option);
                return false;
            }
            value = arguments.at(++i);
            return true;
        };
        const bool takesValue = option == QLatin1String("--site") || option == QLatin1String("--retry") ||
                                option == QLatin1String("--import");
        if (hasValue && !takesValue) {
            error = QStringLiteral("选项“%1”不带值。").arg(option);
            return std::nullopt;
        }
        if (option == QLatin1String("--site")) {
            if (!takeValue())
                return std::nullopt;
            o.sites.append(value);
        } else if (option == QLatin1String("--check")) {
            if (!setMode(Options::Check, option))
                return std::nullopt;
        } else if (option == QLatin1String("--retry")) {
            if (!setMode(Options::Retry, option) || !takeValue())
                return std::nullopt;
            o.retry = value;
        } else if (option == QLatin1String("--list-runs")) {
            if (!setMode(Options::ListRuns, option))
                return std::nullopt;
        } else if (option == QLatin1String("--import")) {
            if (!setMode(Options::Import, option) || !takeValue())
                return std::nullopt;
            o.file = value;
        } else if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            o.mode = Options::Help;
            return o;
        } else if (option == QLatin1String("--version")) {
            o.mode = Options::Version;
            return o;
        } else {
            error = option.startsWith(QLatin1Char('-')) ? QStringLiteral("不认识的选项“%1”。").arg(option)
                                                        : QStringLiteral("多余的参数“%1”。").arg(option);
            return std::nullopt;
        }
    }
    if (!o.sites.isEmpty() && o.mode != Options::Submit && o.mode != Options::Check) {
        error = QStringLiteral("选项“--site”只能用于提交和“--check”。");
        return std::nullopt;
    }
    return o;
}

QString timeNow()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

// Every box the window's code would show: errors go to standard error at once; the texts of the other
// boxes are kept for whoever asked (a question is answered "否").
struct Boxes {
    QStringList information;
    QStringList errors;

    Boxes()
    {
        ui::MessageBox::setAnswerer([this](const ui::MessageBox::Shown& shown) {
            if (shown.icon == ui::MessageBox::Icon::Warning) {
                errors.append(shown.text);
                complain(shown.text);
            } else if (shown.icon == ui::MessageBox::Icon::Information) {
                information.append(shown.text);
            }
            return false;
        });
    }
    ~Boxes() { ui::MessageBox::setAnswerer({}); }
};

// The sites with an account, by the name the user knows them by, and their ids.
QList<QPair<QString, qint64>> accountSites(const store::Connection& connection)
{
    QList<QPair<QString, qint64>> out;
    store::Recordset rs;
    rs.open(connection, store::catalogue::accountSites());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const QPair<QString, qint64> site{rs.text(QStringLiteral("WebName")), rs.value(QStringLiteral("ID")).toLongLong()};
        if (!out.contains(site))
            out.append(site);
    }
    return out;
}

// The ids of the sites named on the command line, or a message naming one that has no account.
std::optional<QList<qint64>> chosenSites(const store::Connection& connection, const QStringList& names, QString& error)
{
    const QList<QPair<QString, qint64>> sites = accountSites(connection);
    QList<qint64> ids;
    for (const QString& name : names) {
        bool found = false;
        for (const auto& [webName, id] : sites)
            if (webName.compare(name, Qt::CaseInsensitive) == 0 && !ids.contains(id)) {
                ids.append(id);
                found = true;
            } else if (webName.compare(name, Qt::CaseInsensitive) == 0) {
                found = true;
            }
        if (!found) {
            QStringList known;
            for (const auto& site : sites)
                if (!known.contains(site.first))
                    known.append(site.first);
            error = QStringLiteral("网摘站点“%1”没有帐号（或不存在）。有帐号的站点：%2")
                        .arg(name, known.isEmpty() ? QStringLiteral("无") : known.join(QStringLiteral("、")));
            return std::nullopt;
        }
    }
    return ids;
}

QString runLine(const store::results::RunSummary& r)
{
    QString line = QStringLiteral("%1\t%2\t%3 个帐号 × %4 个网址\t已提交 %5，失败 %6")
                       .arg(r.id)
                       .arg(r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                       .arg(r.accounts)
                       .arg(r.bookmarks)
                       .arg(r.submitted)
                       .arg(r.failed);
    if (r.retryOf > 0)
        line += QStringLiteral("（重试 %1）").arg(r.retryOf);
    if (r.aborted)
        line += QStringLiteral("（已中止）");
    else if (!r.finished.isValid())
        line += QStringLiteral("（未完成）");
    return line;
}

int listRuns(const store::Connection& connection)
{
    const QList<store::results::RunSummary> runs = store::results::runs(connection);
    if (runs.isEmpty()) {
        say(QStringLiteral("还没有提交结果。"));
        return CommandRun::AllSubmitted;
    }
    say(QStringLiteral("编号\t开始时间\t规模\t结果"));
    for (const store::results::RunSummary& r : runs)
        say(runLine(r));
    return CommandRun::AllSubmitted;
}

// What the run tells, for the progress line and the end of the run.
class Watch final : public engine::RunRecorder {
public:
    explicit Watch(bool progress)
        : m_progress(progress)
    {
    }
    void bookmarkOutcome(int, int, Outcome outcome, int) override
    {
        if (outcome == Outcome::NotChosen)
            return;
        ++m_done;
        if (outcome == Outcome::Submitted)
            ++m_submitted;
        if (m_progress)
            write(stderr, QStringLiteral("\r进度：已处理 %1 个提交，成功 %2 个").arg(m_done).arg(m_submitted));
    }
    void runEnded(bool aborted) override
    {
        if (m_progress && m_done > 0)
            write(stderr, QStringLiteral("\n"));
        ended = true;
        this->aborted = aborted;
        onEnded();
    }
    std::function<void()> onEnded = [] {};
    bool ended = false;
    bool aborted = false;

private:
    bool m_progress;
    int m_done = 0;
    int m_submitted = 0;
};

// 试运行 of every site with an account (the first account of each), or of the sites named.
int checkSites(store::ProgramStore& store, const QList<qint64>& only)
{
    QList<engine::SiteRecord> sites;
    store::Recordset rs;
    rs.open(store.gcnnStore, store::catalogue::runQueryAllSites());
    QStringList seen;
    const QList<QPair<QString, qint64>> ids = accountSites(store.gcnnStore);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const engine::SiteRecord site = engine::SiteRecord::fromCurrent(rs);
        if (seen.contains(site.WebName))
            continue;
        if (!only.isEmpty()) {
            bool chosen = false;
            for (const auto& [name, id] : ids)
                chosen = chosen || (name == site.WebName && only.contains(id));
            if (!chosen)
                continue;
        }
        seen.append(site.WebName);
        sites.append(site);
    }
    if (sites.isEmpty()) {
        complain(QStringLiteral("请先设置您在各网摘的帐号后再进行提交！"));
        return CommandRun::CouldNotRun;
    }
    QWebEngineView view;
    view.resize(800, 600);
    view.show();
    platform::WebBrowser browser(&view);
    browser.setStepGuard([&store] { return std::clamp((int(store.gintTimeout) + 1) * 1000, 1000, 10000); });
    platform::SystemClock clock;
    platform::QtTicker ticker(1000);
    sites::SiteCheck check(browser, clock, ticker);
    browser.setEvents(&check);
    int faultySites = 0;
    QEventLoop loop;
    check.rowAdded = [](const sites::CheckRow& row) {
        say(QStringLiteral("%1 %2 %3 %4 %5：%6")
                .arg(timeNow(), row.ok ? QStringLiteral("✔") : QStringLiteral("✘"), row.page, row.item, row.lookup,
                     row.result));
    };
    check.finished = [&](int faults) {
        if (faults > 0)
            ++faultySites;
        say(QStringLiteral("%1 试运行结束：%2").arg(timeNow(), faults > 0 ? QStringLiteral("%1 处有问题").arg(faults)
                                                                             : QStringLiteral("没有发现问题")));
        loop.quit();
    };
    for (const engine::SiteRecord& site : sites) {
        say(QStringLiteral("%1 试运行“%2”（帐号 %3）...").arg(timeNow(), site.WebName, site.Uid));
        check.start(site, store.gintTimeout);
        if (check.running())
            loop.exec();
    }
    browser.setEvents(nullptr);
    say(QStringLiteral("试运行了 %1 个站点，%2 个有问题。").arg(sites.size()).arg(faultySites));
    return faultySites > 0 ? CommandRun::SomeFailed : CommandRun::AllSubmitted;
}

// Waits for `done` (events handled meanwhile), at most `ms` milliseconds.
bool await(const std::function<bool()>& done, int ms)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start(20);
    if (!done())
        loop.exec();
    return done();
}

int runWithWindow(const Options& options, const QString& storePath)
{
    Boxes boxes;
    store::ProgramStore store;
    ui::MainWindow window(store, {storePath, platform::helpPath(), WebHosts::production(), nullptr, false});
    // Offscreen the window is seen by nobody; shown, its worker browser runs its pages' timers at full speed.
    window.show();
    bool blank = false;
    QObject::connect(window.workerBrowser()->page(), &QWebEnginePage::loadFinished, &window, [&] { blank = true; });
    window.Form_Load();
    if (!boxes.errors.isEmpty() || !store.gcnnStore.isOpen())
        return CommandRun::CouldNotRun;
    if (!await([&] { return blank; }, 60000)) {
        complain(QStringLiteral("工作浏览器没有启动（空白页没有载入）。"));
        return CommandRun::CouldNotRun;
    }

    if (options.mode == Options::Import) {
        if (!QFileInfo(options.file).isFile()) {
            complain(QStringLiteral("找不到书签文件“%1”。").arg(QDir::toNativeSeparators(options.file)));
            return CommandRun::CouldNotRun;
        }
        const int errorsBefore = int(boxes.errors.size());
        const bookmarks::ImportOutcome outcome = window.bookmarks().transfer().importFile(options.file);
        for (const QString& text : boxes.information)
            say(text);
        if (int(boxes.errors.size()) > errorsBefore)
            return CommandRun::CouldNotRun;
        say(QStringLiteral("导入：新增 %1 个，跳过 %2 个，拒绝 %3 个；网址列表现有 %4 个网址。")
                .arg(outcome.added.size())
                .arg(outcome.skipped)
                .arg(outcome.refused.size())
                .arg(window.urlList().rowCount()));
        return CommandRun::AllSubmitted;
    }

    // The run log's lines, as the window shows them.
    ui::RunLogModel* log = window.runLogModel();
    QObject::connect(log, &QAbstractItemModel::rowsInserted, &window, [log](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row)
            say(log->index(row, ui::RunLogModel::Time).data().toString() + QLatin1Char(' ') +
                log->index(row, ui::RunLogModel::Message).data().toString());
    });
    Watch watch(isatty(fileno(stderr)) != 0);
    QEventLoop running;
    watch.onEnded = [&] { running.quit(); };
    engine::SubmissionEngine& engine = window.engine();
    engine.addRecorder(&watch);
    struct Unhook {
        engine::SubmissionEngine& e;
        Watch& w;
        ~Unhook() { e.removeRecorder(&w); }
    } unhook{engine, watch};

    const qint64 before = window.bookmarks().results().lastRun();
    boxes.information.clear();
    QString error;
    try {
        if (options.mode == Options::Retry) {
            const QList<store::results::RunSummary> runs = store::results::runs(store.gcnnStore);
            std::optional<store::results::RunSummary> chosen;
            if (options.retry == QLatin1String("last")) {
                if (!runs.isEmpty())
                    chosen = runs.first();
            } else {
                bool ok = false;
                const qint64 id = options.retry.toLongLong(&ok);
                for (const auto& r : runs)
                    if (ok && r.id == id)
                        chosen = r;
            }
            if (!chosen) {
                complain(runs.isEmpty() ? QStringLiteral("还没有提交结果，没有可以重试的运行。")
                                        : QStringLiteral("没有编号为“%1”的运行（用 --list-runs 查看保留的运行）。")
                                              .arg(options.retry));
                return CommandRun::CouldNotRun;
            }
            const store::results::RunResults results = store::results::load(store.gcnnStore, chosen->id);
            if (store::results::unsuccessful(results).isEmpty()) {
                say(QStringLiteral("运行 %1 全部成功，没有要重试的。").arg(chosen->id));
                return CommandRun::AllSubmitted;
            }
            say(QStringLiteral("重试运行 %1（开始于 %2）中没有成功的提交。")
                    .arg(chosen->id)
                    .arg(chosen->started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
            if (!window.retryRun(results)) {
                for (const QString& text : boxes.information)
                    complain(text);
                return CommandRun::CouldNotRun;
            }
        } else if (!options.sites.isEmpty()) {
            const std::optional<QList<qint64>> ids = chosenSites(store.gcnnStore, options.sites, error);
            if (!ids) {
                complain(error);
                return CommandRun::CouldNotRun;
            }
            QStringList text;
            for (qint64 id : *ids)
                text.append(QString::number(id));
            window.runHost().setSiteChooser([text] { return std::optional<QString>(text.join(QLatin1Char(','))); });
            // A selected row is what 提交 asks for before it starts; the run covers every row.
            window.urlList().cmdSelAll_Click();
            engine.cmdSubmit_Click();
        } else {
            engine.cmdAllSubmit_Click();
        }
    } catch (const store::StoreError& e) {
        complain(e.description());
        return CommandRun::CouldNotRun;
    }
    if (!engine.state().mblnRunning) {
        // The start was refused: no accounts, an empty list, a store fault (said already).
        for (const QString& text : boxes.information)
            complain(text);
        if (boxes.information.isEmpty() && boxes.errors.isEmpty())
            complain(QStringLiteral("提交没有开始。"));
        return CommandRun::CouldNotRun;
    }
    if (!watch.ended)
        running.exec();

    window.bookmarks().results().flush();
    const qint64 run = window.bookmarks().results().lastRun();
    if (run == before || run == 0) {
        complain(QStringLiteral("这次提交的结果没有能保存下来。"));
        return CommandRun::SomeFailed;
    }
    const store::results::RunResults results = store::results::load(store.gcnnStore, run);
    int submitted = 0;
    int failed = 0;
    int notChosen = 0;
    for (const store::results::Cell& c : results.cells) {
        if (c.outcome == Outcome::Submitted)
            ++submitted;
        else if (c.outcome == Outcome::NotChosen)
            ++notChosen;
        else if (c.outcome != Outcome::NotReached)
            ++failed;
    }
    const int pairs = int(results.accounts.size() * results.bookmarks.size()) - notChosen;
    const int notReached = pairs - submitted - failed;
    say(QStringLiteral("结果（运行 %1）：已提交 %2，失败 %3，未执行 %4，共 %5 个提交。")
            .arg(run)
            .arg(submitted)
            .arg(failed)
            .arg(notReached)
            .arg(pairs));
    return submitted == pairs ? CommandRun::AllSubmitted : CommandRun::SomeFailed;
}

} // namespace

QString CommandRun::helpText()
{
    return QStringLiteral(
        "用法：tavrinex-run [选项]\n"
        "不打开窗口，把网址列表中的网址提交到各网摘帐号（与“全部提交”相同），运行记录写到标准输出。\n"
        "\n"
        "  （无选项）        把网址列表中的每个网址提交到每个帐号\n"
        "  --site 站点名     只提交到这个网摘站点的帐号（可以给多次）\n"
        "  --check           对每个有帐号的网摘站点做“试运行”，报告找到的和没找到的字段\n"
        "  --retry 编号|last 重试这次运行中没有成功的提交（编号见 --list-runs，last 为最近一次）\n"
        "  --list-runs       列出保留的运行及其结果\n"
        "  --import 文件     把书签文件中的书签加入网址列表（与“导入书签”相同）\n"
        "  --help            显示本说明\n"
        "  --version         显示版本\n"
        "\n"
        "退出状态：0 全部提交成功，1 有提交失败，2 无法运行（没有配置文件、没有帐号、Tavrinex 的窗口正在使用\n"
        "配置文件、选项有误）。\n");
}

int CommandRun::run(const QStringList& arguments)
{
    QString error;
    const std::optional<Options> options = parse(arguments, error);
    if (!options) {
        complain(error + QStringLiteral("用 --help 查看用法。"));
        return CouldNotRun;
    }
    if (options->mode == Options::Help) {
        write(stdout, helpText());
        return AllSubmitted;
    }
    if (options->mode == Options::Version) {
        say(QStringLiteral("tavrinex-run ") + QCoreApplication::applicationVersion());
        return AllSubmitted;
    }

    const QString storePath = platform::storePath();
    if (!QFileInfo(storePath).isFile()) {
        complain(QStringLiteral("找不到配置文件“%1”。请先启动一次 Tavrinex（或重新安装）。")
                     .arg(QDir::toNativeSeparators(storePath)));
        return CouldNotRun;
    }
    // The window program and this command never work on one store at once.
    platform::OneCopyGuard oneCopy(storePath);
    oneCopy.setHolder(false, QStringLiteral("tavrinex-run（进程 %1）").arg(QCoreApplication::applicationPid()));
    if (!oneCopy.claim()) {
        complain(oneCopy.holderName().isEmpty()
                     ? QStringLiteral("另一个 Tavrinex 正在使用配置文件“%1”，但没有响应。本次不运行。")
                           .arg(QDir::toNativeSeparators(storePath))
                     : QStringLiteral("%1正在使用配置文件“%2”，本次不运行。请等它结束后再试。")
                           .arg(oneCopy.holderName(), QDir::toNativeSeparators(storePath)));
        return CouldNotRun;
    }

    if (options->mode == Options::ListRuns || options->mode == Options::Check) {
        store::ProgramStore store;
        try {
            store.gcnnStore.open(storePath);
            store.gintTimeout = store::loadTimeout(store.gcnnStore);
            store::checkSchema(store.gcnnStore);
            if (options->mode == Options::ListRuns)
                return listRuns(store.gcnnStore);
            QList<qint64> only;
            if (!options->sites.isEmpty()) {
                const std::optional<QList<qint64>> ids = chosenSites(store.gcnnStore, options->sites, error);
                if (!ids) {
                    complain(error);
                    return CouldNotRun;
                }
                only = *ids;
            }
            return checkSites(store, only);
        } catch (const store::StoreError& e) {
            complain(e.description());
            return CouldNotRun;
        }
    }
    return runWithWindow(*options, storePath);
}

} // namespace tvx::app
