// The windows as a screen reader meets them: their accessibility tree read over AT-SPI by Debian's
// pyatspi, the library the Orca screen reader uses, from a desktop of the test's own (atspisession.h).
#include "atspisession.h"
#include "controls/button/command.h"
#include "platform/programfont.h"
#include "platform/programlanguage.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/testclock.h"
#include "support/widgets.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"
#include "ui/sites/templatedialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace tvx;
using test::child;

namespace {
const QString kApplication = QStringLiteral("tavrinex-atspi-test");

struct Node {
    QString role;
    QString name;
    QString description;
    int children = 0;
    QStringList actions;
    QStringList states;
};

// The application's tree as the AT-SPI client reads it (after pressing `press`, when given). The
// event loop runs meanwhile: every answer to the client comes from this process's main thread.
QList<Node> readTree(const QString& press = {})
{
    QProcess client;
    QStringList args{QStringLiteral(TVX_ATSPI_SCRIPT), kApplication};
    if (!press.isEmpty())
        args << QStringLiteral("--press") << press;
    client.start(QStringLiteral("/usr/bin/python3"), args);
    QEventLoop loop;
    QObject::connect(&client, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&client, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    if (client.state() != QProcess::NotRunning) {
        client.kill();
        client.waitForFinished();
    }
    const QByteArray errors = client.readAllStandardError();
    if (client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        qWarning("AT-SPI client failed (%d): %s", client.exitCode(), errors.constData());
    QList<Node> nodes;
    for (const QJsonValue& v : QJsonDocument::fromJson(client.readAllStandardOutput()).array()) {
        const QJsonObject o = v.toObject();
        Node n{o[QStringLiteral("role")].toString(),
               o[QStringLiteral("name")].toString(),
               o[QStringLiteral("description")].toString(),
               o[QStringLiteral("children")].toInt(),
               {},
               {}};
        for (const QJsonValue& a : o[QStringLiteral("actions")].toArray())
            n.actions << a.toString();
        for (const QJsonValue& s : o[QStringLiteral("states")].toArray())
            n.states << s.toString();
        nodes << n;
    }
    return nodes;
}

QList<Node> withRole(const QList<Node>& nodes, const QString& role)
{
    QList<Node> out;
    for (const Node& n : nodes)
        if (n.role == role)
            out << n;
    return out;
}

const Node* named(const QList<Node>& nodes, const QString& role, const QString& name)
{
    for (const Node& n : nodes)
        if (n.role == role && n.name == name)
            return &n;
    return nullptr;
}

// Words of Latin letters a name may hold: the program's name, and the UID and PWD of the accounts
// dialog's labels. An access key shows as "(A)" after a caption.
QStringList englishIn(const QList<Node>& nodes)
{
    static const QRegularExpression accessKey(QStringLiteral("\\([A-Z]\\)"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
    static const QStringList allowed = {QStringLiteral("Tavrinex"), QStringLiteral("UID"), QStringLiteral("PWD")};
    QStringList found;
    for (const Node& n : nodes) {
        // What the user can meet: shown, and not the user's own data in a list, nor the application
        // (named by the test).
        if (!n.states.contains(QLatin1String("showing")) || n.role == QLatin1String("table cell") ||
            n.role == QLatin1String("application"))
            continue;
        for (const QString& text : {n.name, n.description}) {
            QString rest = text;
            rest.remove(accessKey);
            for (auto it = word.globalMatch(rest); it.hasNext();) {
                const QString w = it.next().captured();
                if (!allowed.contains(w))
                    found << n.role + QStringLiteral(" \"") + text + QLatin1Char('"');
            }
        }
    }
    found.removeDuplicates();
    return found;
}
} // namespace

class TestAtspi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        platform::applyProgramLanguage(*qApp);
    }

    void mainWindow()
    {
        test::TestClock clock;
        store::ProgramStore store;
        ui::MainWindow w(store, {QString(), QString(),
                                 WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}, &clock});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.urlListModel()->append({QStringLiteral("http://example.org/"), QStringLiteral("示例"), {}, {}});
        w.runHost().addLog(QStringLiteral("正在登录 \"演示站点\"..."));

        const QList<Node> tree = readTree();
        QVERIFY2(!tree.isEmpty(), "the AT-SPI client read nothing");
        // The list, the log and the progress bar carry the names a user knows them by.
        QVERIFY(named(tree, QStringLiteral("tree"), QStringLiteral("网址列表")));
        QVERIFY(named(tree, QStringLiteral("table"), QStringLiteral("提交进程")));
        QVERIFY(named(tree, QStringLiteral("progress bar"), QStringLiteral("提交进程")));
        QVERIFY(named(tree, QStringLiteral("text"), QStringLiteral("请输入网址并点击[添加]按钮")));
        // A window, as the dialogs are; the worker browser, never seen, shows nothing of its page.
        QVERIFY(named(tree, QStringLiteral("frame"), QStringLiteral("Tavrinex")));
        QCOMPARE(withRole(tree, QStringLiteral("document web")).size(), 2); // the two information panes
        // Each button is one push button named by its caption, with its press action, and nothing
        // inside it.
        const QList<Node> buttons = withRole(tree, QStringLiteral("push button"));
        QStringList names;
        for (const Node& b : buttons) {
            names << b.name;
            QCOMPARE(b.children, 0);
            QVERIFY2(b.actions.contains(QStringLiteral("Press")), qPrintable(b.name));
        }
        QCOMPARE(names, QStringList({"添加(A)", "移除(R)", "清空(C)", "全部选择(S)", "取消选择(U)", "提交(I)",
                                     "全部提交(M)", "设置(E)", "帮助(H)", "退出(X)"}));
        QVERIFY2(englishIn(tree).isEmpty(), qPrintable(englishIn(tree).join(QLatin1Char('\n'))));

        // Pressed over AT-SPI, a button does what a click does.
        readTree(QStringLiteral("清空(C)"));
        QTRY_COMPARE(w.urlListModel()->rowCount(), 0);
    }

    void theDotsButtonsSayWhatTheyDo()
    {
        test::TempStore db;
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        ui::dialogs::AccountsDialog frmSetup(store);
        frmSetup.show();
        test::TestClock clock;
        ui::AddDialog frmAdd(clock);
        frmAdd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmSetup));
        QVERIFY(QTest::qWaitForWindowExposed(&frmAdd));

        const QList<Node> tree = readTree();
        // Named and described alike by what they do; no button is read as "...".
        const Node* site = named(tree, QStringLiteral("push button"), QStringLiteral("选择网摘站点"));
        const Node* tags = named(tree, QStringLiteral("push button"), QStringLiteral("挑选分类"));
        QVERIFY(site && tags);
        QCOMPARE(site->description, site->name);
        QCOMPARE(tags->description, tags->name);
        QVERIFY(!named(tree, QStringLiteral("push button"), QStringLiteral("...")));
        QVERIFY(named(tree, QStringLiteral("password text"), QStringLiteral("密\u3000码(PWD)")));
        QVERIFY(named(tree, QStringLiteral("dialog"), QStringLiteral("添加新网址")));
        QVERIFY(withRole(tree, QStringLiteral("document web")).isEmpty()); // the title fetcher is never seen
        QVERIFY2(englishIn(tree).isEmpty(), qPrintable(englishIn(tree).join(QLatin1Char('\n'))));
    }

    void aListIsNamedByItsHeading()
    {
        ui::TemplateDialog templates;
        templates.show();
        QVERIFY(QTest::qWaitForWindowExposed(&templates));
        QVERIFY(named(readTree(), QStringLiteral("list"), QStringLiteral("从哪里开始")));
    }
};

int main(int argc, char* argv[])
{
    tvx::test::AtspiSession session;
    QString error;
    if (!session.start(&error)) {
        std::fprintf(stderr, "tst_atspi: %s\n", qPrintable(error));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(kApplication);
    TestAtspi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_atspi.moc"
