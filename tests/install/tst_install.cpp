// Installs the built tree into temporary prefixes and checks what a user gets: the program folder, the
// installed program running offscreen against its own tvx.cfg, a second install that keeps a store
// with accounts, the launcher (in place, and a user's own copy of a package), the menu entry and the
// AppStream metadata through their validators, and the .tar.gz and .deb that CPack makes.
#include "installtools.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/storeerror.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace tvx;
using namespace tvx::test;

namespace {

const QString kBuildDir = QStringLiteral(TVX_BUILD_DIR);
const QString kSourceDir = QStringLiteral(TVX_SOURCE_DIR);
const QStringList kIconSizes = {QStringLiteral("16"), QStringLiteral("24"),  QStringLiteral("32"), QStringLiteral("48"),
                                QStringLiteral("64"), QStringLiteral("128"), QStringLiteral("256")};
// How long the installed program must stay up, and how long it may take to open its store.
constexpr int kStayUpMs = 4000;
constexpr int kStartMs = 20000;

// Paths as /proc shows them.
QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QFileDevice::Permissions ownerOnly()
{
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
}

QFileDevice::Permissions modeOf(const QString& path)
{
    return QFileInfo(path).permissions() & ~(QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

RunResult install(const QString& prefix, const QString& destDir = {})
{
    QProcessEnvironment env;
    if (!destDir.isEmpty())
        env.insert(QStringLiteral("DESTDIR"), destDir);
    return runProgram(QStringLiteral(TVX_CMAKE_COMMAND),
                      {QStringLiteral("--install"), kBuildDir, QStringLiteral("--prefix"), prefix}, env);
}

int deliveredSiteCount()
{
    return int(readText(kSourceDir + QStringLiteral("/data/sites.sql"))
                   .count(QRegularExpression(QStringLiteral("^INSERT INTO BookMarkWeb"),
                                             QRegularExpression::MultilineOption)));
}

// A started program (or the launcher that becomes it), stopped and reaped when the test is done.
class Started {
public:
    Started(const QString& program, const QProcessEnvironment& env, const QString& workDir)
    {
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(workDir);
        m_process.start(program, QStringList());
        m_process.waitForStarted();
    }
    ~Started() { stop(); }

    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString err() { return m_err += QString::fromUtf8(m_process.readAllStandardError()); }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished();
            }
        }
        err();
    }

private:
    QProcess m_process;
    QString m_err;
};

QProcessEnvironment childEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    return env;
}

// Waits until the process has opened `store` (the program's start-up has read it) and checks that it
// stays up without complaints on stderr.
void expectRunningOn(Started& program, const QString& executable, const QString& store)
{
    QTRY_VERIFY_WITH_TIMEOUT(openFiles(program.pid()).contains(store) || !program.running(), kStartMs);
    QVERIFY2(program.running(), qPrintable(program.err()));
    QCOMPARE(executableOf(program.pid()), executable);
    QTest::qWait(kStayUpMs);
    QVERIFY2(program.running(), qPrintable(program.err()));
    QVERIFY(openFiles(program.pid()).contains(store));
    program.stop();
    const QStringList errors = errorLines(program.err());
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_temp;
    QString m_prefix;
    QString m_folder; // the program folder

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        m_prefix = canonical(m_temp.path()) + QStringLiteral("/prefix");
        m_folder = m_prefix + QStringLiteral("/lib/tavrinex");
        const RunResult r = install(m_prefix);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
    }

    void installsOneProgramFolder()
    {
        for (const char* name : {"tavrinex", "tvx-demosite"}) {
            const QFileInfo exe(m_folder + QLatin1Char('/') + QLatin1String(name));
            QVERIFY2(exe.isFile() && exe.isExecutable(), name);
        }
        QVERIFY(QFileInfo(m_folder + QStringLiteral("/readme.html")).isFile());
        for (const char* picture : {"mainwindow", "adddialog"})
            QVERIFY(!QImage(m_folder + QStringLiteral("/help/%1.png").arg(QLatin1String(picture))).isNull());
        const QString store = m_folder + QStringLiteral("/tvx.cfg");
        QVERIFY(QFileInfo(store).isFile());
        QCOMPARE(modeOf(store), ownerOnly());
        // A user's own install is run in place: it is no package.
        QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("/packaged")));

        const QFileInfo launcher(m_prefix + QStringLiteral("/bin/tavrinex"));
        QVERIFY(launcher.isFile() && launcher.isExecutable());
        QVERIFY(readText(launcher.filePath()).startsWith(QStringLiteral("#!/bin/sh")));
    }

    void installedStoreOpensAsTheProgramOpensIt()
    {
        const QString path = m_folder + QStringLiteral("/tvx.cfg");
        store::Connection connection;
        try {
            connection.open(path);
            QVERIFY(store::loadTimeout(connection) > 0);
            store::checkSchema(connection);
        } catch (const store::StoreError& e) {
            QFAIL(qPrintable(e.description()));
        }
        QCOMPARE(scalarSql(path, QStringLiteral("SELECT COUNT(*) FROM BookMarkWeb")).toInt(), deliveredSiteCount());
        QCOMPARE(scalarSql(path, QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("0"));
    }

    void installedProgramRunsOnItsOwnStore()
    {
        // Started from elsewhere, it still finds tvx.cfg beside itself.
        QTemporaryDir elsewhere;
        Started program(m_folder + QStringLiteral("/tavrinex"), childEnvironment(elsewhere.path()), elsewhere.path());
        expectRunningOn(program, m_folder + QStringLiteral("/tavrinex"), m_folder + QStringLiteral("/tvx.cfg"));
    }

    void launcherRunsAUsersOwnInstallInPlace()
    {
        QTemporaryDir home;
        QProcessEnvironment env = childEnvironment(home.path());
        // The launcher itself must take care of Chromium's sandbox when run as root.
        env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        Started program(m_prefix + QStringLiteral("/bin/tavrinex"), env, home.path());
        expectRunningOn(program, m_folder + QStringLiteral("/tavrinex"), m_folder + QStringLiteral("/tvx.cfg"));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!QFileInfo::exists(home.path() + QStringLiteral("/.local/share/tavrinex")));
        // The demonstration site it started ends with the program.
        QTRY_VERIFY_WITH_TIMEOUT(processesUnder(m_prefix).isEmpty(), 10000);
    }

    void secondInstallKeepsAStoreWithAccounts()
    {
        const QString store = m_folder + QStringLiteral("/tvx.cfg");
        execSql(store, QStringLiteral("INSERT INTO Accounts (ID, Uid, Pwd) VALUES (0, 'o''brien', 'pw');"
                                      "UPDATE Config SET Timeout = 77;"));
        const RunResult r = install(m_prefix);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(scalarSql(store, QStringLiteral("SELECT Uid FROM Accounts WHERE ID = 0")), QStringLiteral("o'brien"));
        QCOMPARE(scalarSql(store, QStringLiteral("SELECT Timeout FROM Config")), QStringLiteral("77"));
        QCOMPARE(modeOf(store), ownerOnly());
    }

    void secondInstallRenewsAStoreWithoutAccounts()
    {
        const QString store = m_folder + QStringLiteral("/tvx.cfg");
        execSql(store, QStringLiteral("DELETE FROM Accounts; DELETE FROM BookMarkWeb;"));
        const RunResult r = install(m_prefix);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(scalarSql(store, QStringLiteral("SELECT COUNT(*) FROM BookMarkWeb")).toInt(), deliveredSiteCount());
    }

    void secondInstallKeepsAFileItCannotRead()
    {
        const QString store = m_folder + QStringLiteral("/tvx.cfg");
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a store, but perhaps worth saving");
        file.close();
        const RunResult r = install(m_prefix);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(readText(store), QStringLiteral("not a store, but perhaps worth saving"));
        QFile::remove(store);
        QVERIFY(install(m_prefix).exitCode == 0);
        QCOMPARE(scalarSql(store, QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("0"));
    }

    void menuEntryAndMetadata()
    {
        const QString desktop = m_prefix + QStringLiteral("/share/applications/tavrinex.desktop");
        QCOMPARE(desktopValue(desktop, QStringLiteral("Exec")), m_prefix + QStringLiteral("/bin/tavrinex"));
        QCOMPARE(desktopValue(desktop, QStringLiteral("Icon")), QStringLiteral("tavrinex"));
        QCOMPARE(desktopValue(desktop, QStringLiteral("Type")), QStringLiteral("Application"));
        RunResult r = runProgram(QStringLiteral("desktop-file-validate"), {desktop});
        QVERIFY2(r.finished && r.exitCode == 0 && r.out.trimmed().isEmpty(),
                 qPrintable(QStringLiteral("desktop-file-validate (desktop-file-utils): ") + r.out + r.err));

        const QString icons = m_prefix + QStringLiteral("/share/icons/hicolor/");
        for (const QString& size : kIconSizes) {
            const QImage icon(icons + size + QLatin1Char('x') + size + QStringLiteral("/apps/tavrinex.png"));
            QCOMPARE(icon.size(), QSize(size.toInt(), size.toInt()));
            QVERIFY(icon.hasAlphaChannel());
        }
        const QString svg = readText(icons + QStringLiteral("scalable/apps/tavrinex.svg"));
        QVERIFY(svg.contains(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\"")));

        const QString metainfo = m_prefix + QStringLiteral("/share/metainfo/org.tavrinex.tavrinex.metainfo.xml");
        r = runProgram(QStringLiteral("appstreamcli"),
                       {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
        QVERIFY2(r.finished && r.exitCode == 0,
                 qPrintable(QStringLiteral("appstreamcli (appstream): ") + r.out + r.err));
        QVERIFY(readText(metainfo).contains(
            QStringLiteral("<launchable type=\"desktop-id\">tavrinex.desktop</launchable>")));
    }

    void commandAndItsUserUnits()
    {
        QVERIFY(QFileInfo(m_folder + QStringLiteral("/tavrinex-run")).isExecutable());
        // The launcher under the command's name starts the command, with its arguments.
        RunResult r = runProgram(m_prefix + QStringLiteral("/bin/tavrinex-run"), {QStringLiteral("--version")});
        QVERIFY2(r.finished && r.exitCode == 0 && r.out.startsWith(QStringLiteral("tavrinex-run ")),
                 qPrintable(r.out + r.err));

        const QString units = m_prefix + QStringLiteral("/lib/systemd/user/");
        const QString service = units + QStringLiteral("tavrinex-run.service");
        QVERIFY2(readText(service).contains(QStringLiteral("\nExecStart=") + m_prefix + QStringLiteral("/bin/tavrinex-run\n")),
                 qPrintable(readText(service)));
        // Off until the user enables it: nothing wants the timer yet.
        QDirIterator wants(m_prefix, {QStringLiteral("*.wants")}, QDir::Dirs, QDirIterator::Subdirectories);
        QVERIFY(!wants.hasNext());
        if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
            QSKIP("systemd-analyze is missing (package systemd, installed by scripts/deps.sh)");
        r = runProgram(QStringLiteral("systemd-analyze"),
                       {QStringLiteral("verify"), service, units + QStringLiteral("tavrinex-run.timer")});
        QVERIFY2(r.finished && r.exitCode == 0 && r.err.trimmed().isEmpty(),
                 qPrintable(QStringLiteral("systemd-analyze verify: ") + r.out + r.err));
    }

    void packageRunsEachUsersOwnCopy()
    {
        // A staged install, as a package is made: the folder belongs to the package manager.
        const QString stage = canonical(m_temp.path()) + QStringLiteral("/stage");
        RunResult r = install(QStringLiteral("/usr"), stage);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
        const QString folder = stage + QStringLiteral("/usr/lib/tavrinex");
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/packaged")));
        QCOMPARE(
            desktopValue(stage + QStringLiteral("/usr/share/applications/tavrinex.desktop"), QStringLiteral("Exec")),
            QStringLiteral("/usr/bin/tavrinex"));
        // Every user copies the delivered store, which holds no accounts.
        QVERIFY(QFileInfo(folder + QStringLiteral("/tvx.cfg")).permissions() & QFileDevice::ReadOther);

        QTemporaryDir home;
        const QString own = canonical(home.path()) + QStringLiteral("/.local/share/tavrinex");
        {
            Started program(stage + QStringLiteral("/usr/bin/tavrinex"), childEnvironment(home.path()), home.path());
            expectRunningOn(program, own + QStringLiteral("/tavrinex"), own + QStringLiteral("/tvx.cfg"));
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(QFileInfo(own).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
        QCOMPARE(modeOf(own + QStringLiteral("/tvx.cfg")), ownerOnly());
        QCOMPARE(readText(own + QStringLiteral("/readme.html")), readText(folder + QStringLiteral("/readme.html")));
        QVERIFY(!QImage(own + QStringLiteral("/help/mainwindow.png")).isNull());
        QVERIFY(!QFileInfo::exists(own + QStringLiteral("/packaged")));

        // The next start keeps the user's store and brings the program files up to date.
        execSql(own + QStringLiteral("/tvx.cfg"),
                QStringLiteral("INSERT INTO Accounts (ID, Uid, Pwd) VALUES (1, 'u', 'p');"));
        QFile old(own + QStringLiteral("/readme.html"));
        QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("an older help file");
        old.close();
        {
            Started program(stage + QStringLiteral("/usr/bin/tavrinex"), childEnvironment(home.path()), home.path());
            expectRunningOn(program, own + QStringLiteral("/tavrinex"), own + QStringLiteral("/tvx.cfg"));
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(scalarSql(own + QStringLiteral("/tvx.cfg"), QStringLiteral("SELECT Uid FROM Accounts")),
                 QStringLiteral("u"));
        QCOMPARE(readText(own + QStringLiteral("/readme.html")), readText(folder + QStringLiteral("/readme.html")));
        QTRY_VERIFY_WITH_TIMEOUT(processesUnder(own).isEmpty(), 10000);
    }

    void packages()
    {
        const QString out = m_temp.path() + QStringLiteral("/packages");
        RunResult r = runProgram(
            QStringLiteral(TVX_CPACK_COMMAND),
            {QStringLiteral("--config"), kBuildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out},
            {}, 300000);
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.out + r.err));
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")});
        const QStringList tars = QDir(out).entryList({QStringLiteral("*.tar.gz")});
        QCOMPARE(tars.size(), 1);
        QVERIFY2(debs.size() == 1, "no .deb: dpkg-dev (dpkg-deb, dpkg-shlibdeps) is missing");
        const QString deb = out + QLatin1Char('/') + debs.first();

        r = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
        const QString depends = r.out;
        for (const char* package :
             {"libqt6webenginewidgets6", "libqt6webenginecore6 ", "libqt6webenginecore6-bin", "libqt6widgets6",
              "libqt6gui6", "libsqlite3-0", "fonts-noto-cjk", "fonts-noto-color-emoji", "qt6-translations-l10n"})
            QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(QLatin1String(package) + depends));

        const QString unpacked = m_temp.path() + QStringLiteral("/deb");
        r = runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, unpacked});
        QCOMPARE(r.exitCode, 0);
        const QString folder = unpacked + QStringLiteral("/usr/lib/tavrinex");
        for (const char* name : {"tavrinex", "tvx-demosite", "tvx.cfg", "readme.html", "help/mainwindow.png",
                                 "help/adddialog.png", "packaged"})
            QVERIFY2(QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(name)), name);
        QCOMPARE(scalarSql(folder + QStringLiteral("/tvx.cfg"), QStringLiteral("SELECT COUNT(*) FROM Accounts")),
                 QStringLiteral("0"));
        QVERIFY(QFileInfo(unpacked + QStringLiteral("/usr/bin/tavrinex")).isExecutable());
        QVERIFY(QFileInfo(unpacked + QStringLiteral("/usr/bin/tavrinex-run")).isExecutable());
        QVERIFY(QFileInfo(folder + QStringLiteral("/tavrinex-run")).isExecutable());
        QVERIFY(readText(unpacked + QStringLiteral("/usr/lib/systemd/user/tavrinex-run.service"))
                    .contains(QStringLiteral("\nExecStart=/usr/bin/tavrinex-run\n")));
        QVERIFY(QFileInfo::exists(unpacked + QStringLiteral("/usr/lib/systemd/user/tavrinex-run.timer")));
        QCOMPARE(
            desktopValue(unpacked + QStringLiteral("/usr/share/applications/tavrinex.desktop"), QStringLiteral("Exec")),
            QStringLiteral("/usr/bin/tavrinex"));
        QVERIFY(QFileInfo::exists(unpacked + QStringLiteral("/usr/share/metainfo/org.tavrinex.tavrinex.metainfo.xml")));
        QVERIFY(QFileInfo::exists(unpacked + QStringLiteral("/usr/share/icons/hicolor/48x48/apps/tavrinex.png")));

        // The archive is relocatable: its menu entry finds the launcher on PATH.
        const QString untarred = m_temp.path() + QStringLiteral("/tgz");
        QDir().mkpath(untarred);
        r = runProgram(QStringLiteral("tar"), {QStringLiteral("-xzf"), out + QLatin1Char('/') + tars.first(),
                                               QStringLiteral("-C"), untarred, QStringLiteral("--strip-components=1")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(
            desktopValue(untarred + QStringLiteral("/share/applications/tavrinex.desktop"), QStringLiteral("Exec")),
            QStringLiteral("tavrinex"));
        QVERIFY(QFileInfo(untarred + QStringLiteral("/lib/tavrinex/tavrinex")).isExecutable());
        QVERIFY(QFileInfo::exists(untarred + QStringLiteral("/lib/tavrinex/packaged")));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
