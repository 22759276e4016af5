// tavrinex-run, the real executable, against the demonstration site: a list imported, a run over a good
// site, one that refuses every submission and one that cannot be reached, the retry of what failed, the
// pause between two submissions to one site, and the store refused while the window program holds it.
#include "demosite.h"
#include "support/eventwait.h"
#include "support/tempstore.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <unistd.h>

using namespace tvx;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

// The programs find their store beside themselves.
QString beside(const test::TempStore& store, const char* built, const QString& name)
{
    const QString program = store.dir() + QLatin1Char('/') + name;
    if (::link(built, QFile::encodeName(program).constData()) != 0)
        QFile::copy(QString::fromUtf8(built), program);
    return program;
}

struct Result {
    int exit = -1;
    QStringList out; // lines of standard output
    QString err;
};

Result runCommand(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    Result r;
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The output lines without their times; every run-log line must have one.
QStringList untimed(const QStringList& lines, bool& allTimed)
{
    static const QRegularExpression timed(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d (.*)$"));
    QStringList out;
    allTimed = true;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = timed.match(line);
        if (m.hasMatch())
            out.append(m.captured(1));
        else if (!line.startsWith(QStringLiteral("导入")) && !line.startsWith(QStringLiteral("结果")) &&
                 !line.startsWith(QStringLiteral("从")) && !line.startsWith(QStringLiteral("重试运行")))
            allTimed = false;
    }
    return out;
}

int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort(); // nothing listens once the probe has gone
}

const char* const kBookmarks =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
    "<DT><A HREF=\"http://example.com/one\">第一个</A>\n"
    "<DT><A HREF=\"http://example.com/two\">第二个</A>\n"
    "</DL><p>\n";

} // namespace

class TestCommandRun : public QObject {
    Q_OBJECT
private slots:
    void runRetryAndPace()
    {
        demosite::DemoSite site;
        site.start();
        const QString live = q(site.base());
        const QString dead = QStringLiteral("http://127.0.0.1:%1").arg(closedPort());
        // The good site, one that answers every submission with HTTP 500, and one that nobody serves.
        test::TempStore store(q(demosite::siteRowSql(0, "byid", site.base())) +
                              q(demosite::siteRowSql(1, "e500-result", site.base())) +
                              q(demosite::siteRowSql(2, "byname", dead.toStdString())) +
                              QStringLiteral("INSERT INTO Accounts VALUES(0,'good','pw');"
                                             "INSERT INTO Accounts VALUES(1,'refused','pw');"
                                             "INSERT INTO Accounts VALUES(2,'gone','pw');"
                                             "UPDATE Config SET Timeout=3;"));
        // Five seconds between two submissions to one site: more than the time-out, which must not count it.
        store.exec(QStringLiteral("ALTER TABLE Config ADD COLUMN SitePause INTEGER NOT NULL DEFAULT 0;"
                                  "UPDATE Config SET SitePause=5"));
        const QString program = beside(store, TVX_RUN_PROGRAM, QStringLiteral("tavrinex-run"));
        const QString good = store.scalar(QStringLiteral("SELECT WebName FROM BookMarkWeb WHERE ID=0"));
        const QString refusing = store.scalar(QStringLiteral("SELECT WebName FROM BookMarkWeb WHERE ID=1"));
        const QString gone = store.scalar(QStringLiteral("SELECT WebName FROM BookMarkWeb WHERE ID=2"));

        // The kept list is fed from a bookmark file.
        const QString file = store.dir() + QStringLiteral("/bookmarks.html");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kBookmarks);
        }
        Result r = runCommand(program, {QStringLiteral("--import"), file});
        QCOMPARE(r.exit, 0);
        QVERIFY2(r.out.join(QLatin1Char('\n')).contains(QStringLiteral("新增 2 个")), qPrintable(r.out.join('\n')));
        QCOMPARE(store.scalar(QStringLiteral("SELECT COUNT(*) FROM UrlList")), QStringLiteral("2"));

        // The run: two submitted, two refused, two never reached.
        r = runCommand(program, {});
        QCOMPARE(r.exit, 1);
        bool allTimed = false;
        const QStringList lines = untimed(r.out, allTimed);
        QVERIFY2(allTimed, qPrintable(r.out.join('\n')));
        for (const QString& expected :
             {QStringLiteral("正在登录 \"%1\"...").arg(good), QStringLiteral("已经登录到\"%1\"...").arg(good),
              QStringLiteral("正在向\"%1\"提交信息...").arg(good), QStringLiteral("向\"%1\"提交信息完毕!").arg(good),
              QStringLiteral("向\"%1\"提交\"http://example.com/one\"时发生错误！").arg(refusing),
              QStringLiteral("向\"%1\"提交\"http://example.com/two\"时发生错误！").arg(refusing)})
            QVERIFY2(lines.contains(expected), qPrintable(expected + QStringLiteral("\n----\n") + r.out.join('\n')));
        // The site nobody serves fails at its login page, with the address of the bookmark last loaded.
        QVERIFY2(lines.filter(QRegularExpression(QStringLiteral("^向\"%1\"提交\".*\"时发生错误！$")
                                                     .arg(QRegularExpression::escape(gone))))
                         .size() == 1,
                 qPrintable(r.out.join('\n')));
        QVERIFY2(r.out.last().contains(QStringLiteral("已提交 2，失败 4，未执行 0，共 6 个提交")), qPrintable(r.out.last()));
        QCOMPARE(store.scalar(QStringLiteral("SELECT COUNT(*) FROM RunResults WHERE RunId=1 AND Outcome=1")),
                 QStringLiteral("2"));
        QCOMPARE(store.scalar(QStringLiteral("SELECT COUNT(*) FROM RunResults WHERE RunId=1")), QStringLiteral("6"));

        // The pause: the good site's two submissions lie at least five seconds apart, and both went in.
        QList<long long> posts;
        for (const demosite::Request& req : site.requests())
            if (req.method == "POST" && req.path == "/byid/submit")
                posts.append(req.atNs);
        QCOMPARE(posts.size(), 2);
        QVERIFY2(posts.at(1) - posts.at(0) >= 5'000'000'000LL, qPrintable(QString::number(posts.at(1) - posts.at(0))));

        // The site that could not be reached comes back; the retry submits what failed, and only that.
        store.exec(QStringLiteral("UPDATE BookMarkWeb SET LoginUrl=REPLACE(LoginUrl,'%1','%2'),"
                                  "LogoutUrl=REPLACE(LogoutUrl,'%1','%2'),SubmitUrl=REPLACE(SubmitUrl,'%1','%2') WHERE ID=2")
                       .arg(dead, live));
        store.exec(QStringLiteral("UPDATE Config SET SitePause=0"));
        site.clearRecords();
        r = runCommand(program, {QStringLiteral("--retry"), QStringLiteral("last")});
        QCOMPARE(r.exit, 1); // the refusing site refuses again
        QStringList submitted;
        for (const demosite::Submission& s : site.submissions())
            submitted.append(q(s.site + " " + s.user + " " + s.url));
        submitted.sort();
        QCOMPARE(submitted, QStringList({QStringLiteral("byname gone http://example.com/one"),
                                         QStringLiteral("byname gone http://example.com/two"),
                                         QStringLiteral("e500-result refused http://example.com/one"),
                                         QStringLiteral("e500-result refused http://example.com/two")}));
        for (const demosite::Request& req : site.requests())
            QVERIFY2(!q(req.path).startsWith(QStringLiteral("/byid/")), req.path.c_str());
        QVERIFY2(r.out.last().contains(QStringLiteral("已提交 2，失败 2，未执行 0，共 4 个提交")), qPrintable(r.out.last()));
        QCOMPARE(store.scalar(QStringLiteral("SELECT RetryOf FROM Runs WHERE RunId=2")), QStringLiteral("1"));

        // A retry of the retry: only the two refused pairs are left.
        site.clearRecords();
        r = runCommand(program, {QStringLiteral("--retry"), QStringLiteral("2")});
        QCOMPARE(r.exit, 1);
        QCOMPARE(int(site.submissions().size()), 2);
        for (const demosite::Submission& s : site.submissions())
            QCOMPARE(q(s.user), QStringLiteral("refused"));

        const Result list = runCommand(program, {QStringLiteral("--list-runs")});
        QCOMPARE(list.exit, 0);
        QCOMPARE(list.out.size(), 4); // a heading and three runs
        QVERIFY2(list.out.at(1).startsWith(QStringLiteral("3\t")) && list.out.at(1).contains(QStringLiteral("（重试 2）")),
                 qPrintable(list.out.join('\n')));
    }

    void couldNotRun()
    {
        // No accounts.
        test::TempStore empty;
        const QString program = beside(empty, TVX_RUN_PROGRAM, QStringLiteral("tavrinex-run"));
        Result r = runCommand(program, {});
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains(QStringLiteral("请先设置您在各网摘的帐号")), qPrintable(r.err));
        r = runCommand(program, {QStringLiteral("--frobnicate")});
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains(QStringLiteral("不认识的选项“--frobnicate”")), qPrintable(r.err));

        // The window program holds the store: the command says so and ends.
        QProcess window;
        window.start(beside(empty, TVX_PROGRAM, QStringLiteral("tavrinex")), {});
        QVERIFY(window.waitForStarted());
        QVERIFY(test::waitUntil([&] { return QFile::exists(empty.path() + QStringLiteral(".lock")); }, 60000));
        r = runCommand(program, {QStringLiteral("--list-runs")});
        window.kill();
        window.waitForFinished();
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains(QStringLiteral("Tavrinex 的窗口正在使用配置文件")), qPrintable(r.err));
    }
};

QTEST_MAIN(TestCommandRun)
#include "tst_commandrun.moc"
