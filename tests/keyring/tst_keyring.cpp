// The accounts' passwords against a real Secret Service: GNOME Keyring's daemon on a D-Bus session bus
// of the test's own (no service is started on demand on it), unlocked by the test. The cases run in
// order: no keyring yet; the daemon started and unlocked; its collection locked; the daemon gone.
#include "controls/button/command.h"
#include "dialogs/dialogtest.h"
#include "platform/accountpasswords.h"
#include "store/programstore.h"
#include "ui/dialogs/accountsdialog.h"
#include "support/eventwait.h"
#include "support/tempstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tvx;

namespace {
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
// Two accounts whose passwords were kept in the file before there was a keyring.
const QString kFirst = QStringLiteral("密码-one'\"甲");
const QString kSecond = QStringLiteral("second-secret-2");

QString accounts()
{
    return QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(1,'口袋');"
                          "INSERT INTO BookMarkWeb(ID,WebName) VALUES(2,'书签');"
                          "INSERT INTO Accounts VALUES(1,'alice','%1');INSERT INTO Accounts VALUES(2,'bob','%2');")
        .arg(QString(kFirst).replace(QLatin1Char('\''), QStringLiteral("''")), kSecond);
}

// What the source answers, waited for.
engine::PasswordSource::Answer ask(platform::AccountPasswords& passwords, const QString& site, const QString& uid,
                                   const QString& stored = {})
{
    std::optional<engine::PasswordSource::Answer> answer;
    passwords.password(site, uid, stored, [&](const engine::PasswordSource::Answer& a) { answer = a; });
    if (!test::waitUntil([&] { return answer.has_value(); }, 30000))
        return {std::nullopt, QStringLiteral("no answer")};
    return *answer;
}

platform::AccountPasswords::Moved settle(platform::AccountPasswords& passwords)
{
    std::optional<platform::AccountPasswords::Moved> moved;
    passwords.settle([&](const platform::AccountPasswords::Moved& m) { moved = m; });
    if (!test::waitUntil([&] { return moved.has_value(); }, 60000))
        return {-1, -1};
    return *moved;
}

// An account added in the accounts dialog, as the user adds it (the first site of the picker); answers
// the dialog's line about where passwords are kept once the account is listed.
QString addInDialog(store::ProgramStore& store, platform::AccountPasswords& passwords, const QString& uid,
                    const QString& pwd)
{
    ui::dialogs::AccountsDialog dlg(store);
    dlg.setPasswords(&passwords);
    dlg.show();
    test::whenModal(QStringLiteral("frmSel"), [](QDialog* picker) {
        test::child<QListWidget>(*picker, "lstWeb")->setCurrentRow(0);
        test::child<controls::Command>(*picker, "cmdOK")->click();
    });
    test::child<controls::Command>(dlg, "cmdSel")->click();
    test::child<QLineEdit>(dlg, "txtUid")->setText(uid);
    test::child<QLineEdit>(dlg, "txtPwd")->setText(pwd);
    auto* list = test::child<QTreeWidget>(dlg, "lvwAccounts");
    const int before = list->topLevelItemCount();
    test::child<controls::Command>(dlg, "cmdAdd")->click();
    if (!test::waitUntil([&] { return list->topLevelItemCount() > before; }, 30000))
        return QStringLiteral("not added");
    return test::child<QLabel>(dlg, "lblPasswordPlace")->text();
}

std::optional<bool> keep(platform::AccountPasswords& passwords, qint64 site, const QString& uid, const QString& pwd)
{
    std::optional<bool> there;
    passwords.keep(site, uid, pwd, [&](bool ok) { there = ok; });
    test::waitUntil([&] { return there.has_value(); }, 30000);
    return there;
}
} // namespace

class TestKeyring : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString bus = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        m_daemon = QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
        if (bus.isEmpty() || m_daemon.isEmpty())
            QSKIP("dbus-daemon or gnome-keyring-daemon is not installed (scripts/deps.sh installs both)");
        QVERIFY(m_dir.isValid());
        // A session bus that starts nothing by itself: a service is there only when the test starts it.
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                    "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig>"
                                    "<type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                         .arg(m_dir.path())
                         .toUtf8());
        config.close();
        m_bus.start(bus, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before anything of this process talks to a session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void withoutAKeyringThePasswordsStayInTheFile()
    {
        test::TempStore db(accounts());
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        platform::AccountPasswords passwords(store.gcnnStore, QStringLiteral("tavrinex-test"));
        const platform::AccountPasswords::Moved moved = settle(passwords);
        QCOMPARE(moved.moved, 0);
        QCOMPARE(moved.left, 2);
        QCOMPARE(passwords.place(), platform::AccountPasswords::Place::StoreNoKeyring);
        QVERIFY2(passwords.placeText().contains(QStringLiteral("配置文件")), qPrintable(passwords.placeText()));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='alice'")), kFirst);
        QCOMPARE(addInDialog(store, passwords, QStringLiteral("carol"), QStringLiteral("c-pw")),
                 QStringLiteral("没有可用的钥匙环，密码保存在配置文件中。"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='carol'")), QStringLiteral("c-pw"));
        QCOMPARE(ask(passwords, QStringLiteral("口袋"), QStringLiteral("alice"), kFirst).password, kFirst);
        // An account whose password should be in the keyring cannot be read, and says why.
        db.exec(QStringLiteral("UPDATE Accounts SET Pwd='' WHERE Uid='bob'"));
        const engine::PasswordSource::Answer none = ask(passwords, QStringLiteral("书签"), QStringLiteral("bob"));
        QVERIFY(!none.password);
        QVERIFY(!none.problem.isEmpty());
    }

    void storedMovedAndReadFromAnUnlockedKeyring()
    {
        startKeyring();
        test::TempStore db(accounts());
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        platform::AccountPasswords passwords(store.gcnnStore, QStringLiteral("tavrinex-test"));
        const platform::AccountPasswords::Moved moved = settle(passwords);
        QCOMPARE(moved.moved, 2);
        QCOMPARE(moved.left, 0);
        QCOMPARE(passwords.place(), platform::AccountPasswords::Place::Keyring);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts WHERE Pwd=''")), QStringLiteral("2"));
        // No copy anywhere in the file, its free pages or a journal beside it.
        for (const QString& name : QDir(db.dir()).entryList(QDir::Files)) {
            QFile file(db.dir() + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(!bytes.contains(kFirst.toUtf8()) && !bytes.contains(kSecond.toUtf8()), qPrintable(name));
        }
        QCOMPARE(ask(passwords, QStringLiteral("口袋"), QStringLiteral("alice")).password, kFirst);
        QCOMPARE(ask(passwords, QStringLiteral("书签"), QStringLiteral("bob")).password, kSecond);
        // A password entered in the dialog goes in, the file keeps none, and it comes out again.
        QCOMPARE(addInDialog(store, passwords, QStringLiteral("carol"), QStringLiteral("c-pw")),
                 QStringLiteral("密码保存在桌面的钥匙环中。"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='carol'")), QString());
        QCOMPARE(ask(passwords, QStringLiteral("口袋"), QStringLiteral("carol")).password, QStringLiteral("c-pw"));
        // The setting brings them back into the file, and taken off, they move in again.
        passwords.setKeptInStore(true);
        QCOMPARE(settle(passwords).moved, 3);
        QCOMPARE(passwords.place(), platform::AccountPasswords::Place::StoreByChoice);
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='alice'")), kFirst);
        QCOMPARE(keep(passwords, 1, QStringLiteral("dave"), QStringLiteral("d")), std::optional<bool>(false));
        passwords.setKeptInStore(false);
        QCOMPARE(settle(passwords).moved, 3);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts WHERE Pwd<>''")), QStringLiteral("0"));
    }

    void aLockedKeyringKeepsThemInTheFile()
    {
        QVERIFY(m_keyring.state() == QProcess::Running);
        test::TempStore db(accounts());
        store::Connection connection;
        connection.open(db.path());
        platform::AccountPasswords passwords(connection, QStringLiteral("tavrinex-test"));
        QCOMPARE(keep(passwords, 1, QStringLiteral("erin"), QStringLiteral("e-pw")), std::optional<bool>(true));
        QDBusInterface service(kSecrets, QStringLiteral("/org/freedesktop/secrets"),
                               QStringLiteral("org.freedesktop.Secret.Service"));
        const QDBusMessage locked = service.call(
            QStringLiteral("Lock"),
            QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath("/org/freedesktop/secrets/collection/login")}));
        QVERIFY2(locked.type() == QDBusMessage::ReplyMessage, qPrintable(locked.errorMessage()));

        const platform::AccountPasswords::Moved moved = settle(passwords);
        QCOMPARE(moved.moved, 0);
        QCOMPARE(passwords.place(), platform::AccountPasswords::Place::StoreNoKeyring);
        QVERIFY2(passwords.placeText().contains(QStringLiteral("锁定")), qPrintable(passwords.placeText()));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='bob'")), kSecond);
        db.exec(QStringLiteral("INSERT INTO Accounts VALUES(1,'erin','')"));
        QVERIFY(!ask(passwords, QStringLiteral("口袋"), QStringLiteral("erin")).password);
    }

    void aKeyringThatGoesAway()
    {
        test::TempStore db(accounts() + QStringLiteral("INSERT INTO Accounts VALUES(1,'frank','');"));
        store::Connection connection;
        connection.open(db.path());
        platform::AccountPasswords passwords(connection, QStringLiteral("tavrinex-test"));
        m_keyring.kill();
        QVERIFY(m_keyring.waitForFinished(10000));
        QVERIFY(test::waitUntil(
            [] { return !QDBusConnection::sessionBus().interface()->isServiceRegistered(kSecrets).value(); }, 10000));
        const engine::PasswordSource::Answer gone = ask(passwords, QStringLiteral("口袋"), QStringLiteral("frank"));
        QVERIFY(!gone.password);
        QCOMPARE(gone.problem, QStringLiteral("没有可用的钥匙环"));
        QCOMPARE(keep(passwords, 2, QStringLiteral("gina"), QStringLiteral("g")), std::optional<bool>(false));
        QCOMPARE(settle(passwords).left, 2);
        QCOMPARE(db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='bob'")), kSecond);
    }

    void cleanupTestCase()
    {
        if (m_keyring.state() != QProcess::NotRunning) {
            m_keyring.kill();
            m_keyring.waitForFinished(5000);
        }
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.kill();
            m_bus.waitForFinished(5000);
        }
    }

private:
    void startKeyring()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = m_dir.filePath(QStringLiteral("home"));
        QDir().mkpath(home + QStringLiteral("/.local/share"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("run")));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
        m_keyring.setProcessEnvironment(env);
        // Unlocked (a new login keyring made) with the password given on its standard input.
        m_keyring.start(m_daemon, {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                                   QStringLiteral("--components=secrets")});
        QVERIFY(m_keyring.waitForStarted(10000));
        m_keyring.write("test-keyring-password");
        m_keyring.closeWriteChannel();
        QVERIFY(test::waitUntil(
            [] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kSecrets).value(); }, 20000));
    }

    QTemporaryDir m_dir;
    QString m_daemon;
    QProcess m_bus;
    QProcess m_keyring;
};

QTEST_MAIN(TestKeyring)
#include "tst_keyring.moc"
