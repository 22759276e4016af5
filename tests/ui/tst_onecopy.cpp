// One copy of the program at a time on a store, with the real executable: a second start on a store
// another copy holds asks that copy to come to the front and ends; a copy on another store, or after
// the first was killed, starts as ever.
#include "platform/onecopy.h"
#include "support/eventwait.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"

#include <QFile>
#include <QLockFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <atomic>

#include <unistd.h>

using namespace tvx;

namespace {
// The program finds its store beside itself: a link to (or a copy of) the executable in the store's
// folder runs it on that store.
QString programBeside(const test::TempStore& store)
{
    const QString program = store.dir() + QStringLiteral("/tavrinex");
    if (::link(TVX_PROGRAM, QFile::encodeName(program).constData()) != 0)
        QFile::copy(QStringLiteral(TVX_PROGRAM), program);
    return program;
}

bool finished(QProcess& p, int ms)
{
    return test::waitUntil([&] { return p.state() == QProcess::NotRunning; }, ms);
}

bool listening(const QString& store)
{
    return test::waitUntil(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(platform::OneCopyGuard::socketName(store));
            return probe.waitForConnected(100);
        },
        60000);
}
} // namespace

class TestOneCopy : public QObject {
    Q_OBJECT
private slots:
    void aSecondStartBringsTheFirstToTheFrontAndEnds()
    {
        test::TempStore store;
        const QString program = programBeside(store);
        int asked = 0;
        {
            platform::OneCopyGuard first(store.path());
            connect(&first, &platform::OneCopyGuard::anotherStart, this, [&] { ++asked; });
            QVERIFY(first.claim());
            // Another store is another program's business.
            test::TempStore other;
            platform::OneCopyGuard elsewhere(other.path());
            QVERIFY(elsewhere.claim());

            QProcess second;
            second.start(program, {});
            QVERIFY(finished(second, 60000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(test::waitUntil([&] { return asked == 1; }, 10000));
            // The same store spelt another way is the same store.
            platform::OneCopyGuard sameStore(store.dir() + QStringLiteral("/./tvx.cfg"));
            QVERIFY(!sameStore.claim());
            QVERIFY(test::waitUntil([&] { return asked == 2; }, 10000));
        }

        // The real program as the first copy: a second one ends at once, the first goes on.
        QProcess first;
        first.start(program, {});
        QVERIFY(listening(store.path()));
        QProcess second;
        second.start(program, {});
        QVERIFY(finished(second, 60000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        // Killed, it holds nothing: the next start is the first copy again.
        first.kill();
        QVERIFY(finished(first, 10000));
        platform::OneCopyGuard next(store.path());
        QVERIFY(next.claim());
    }

    void theCommandWithoutAWindowIsNamedAndNeverRaised()
    {
        // tavrinex-run holds the store, answering from a thread of its own as from another process.
        test::TempStore store;
        auto* command = new platform::OneCopyGuard(store.path());
        command->setHolder(false, QStringLiteral("tavrinex-run（进程 42）"));
        QVERIFY(command->claim());
        std::atomic<int> asked = 0;
        connect(command, &platform::OneCopyGuard::anotherStart, command, [&] { ++asked; }, Qt::DirectConnection);
        QThread thread;
        command->moveToThread(&thread);
        thread.start();
        test::MessageRecorder boxes;
        platform::OneCopyGuard window(store.path());
        QVERIFY(!window.claimOrSay());
        QCOMPARE(boxes.count(), 1);
        QVERIFY2(boxes.last().text.startsWith(QStringLiteral("tavrinex-run（进程 42）正在使用配置文件“")),
                 qPrintable(boxes.last().text));
        QVERIFY(!window.holderIsWindow());
        QMetaObject::invokeMethod(command, [command] { delete command; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
        QCOMPARE(int(asked), 0);
    }

    void aCopyThatDoesNotAnswerIsNamed()
    {
        // A lock held by a copy that does not listen (one that hangs, or on another machine).
        test::TempStore store;
        QLockFile held(store.path() + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));
        test::MessageRecorder boxes;
        platform::OneCopyGuard later(store.path());
        QVERIFY(!later.claimOrSay());
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.last().text.startsWith(QStringLiteral("另一个 Tavrinex 正在使用配置文件“")));
        QVERIFY(boxes.last().text.contains(QStringLiteral("tvx.cfg”，但没有响应。")));
    }
};

QTEST_MAIN(TestOneCopy)
#include "tst_onecopy.moc"
