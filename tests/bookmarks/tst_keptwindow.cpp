// The URL list of the main window kept in the store: restored at start-up, whole after the program
// was killed while changing it, and imported, exported and reached through the window's menus.
#include "engine/submissionengine.h"
#include "listops.h"
#include "platform/filechooser.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"

#include <QMenu>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTreeView>

#include <csignal>

using namespace tvx;

namespace {
// The program started on a store, as main.cpp starts it.
struct Program {
    store::ProgramStore store;
    ui::MainWindow w;
    explicit Program(const QString& path)
        : w(store, {path, QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}})
    {
        w.Form_Load();
    }
    ui::UrlListModel& list() const { return *w.urlListModel(); }
};

QStringList describe(const ui::UrlListModel& m)
{
    QStringList out;
    for (int i = 0; i < m.rowCount(); ++i) {
        const auto& r = m.rowAt(i);
        out.append(QStringLiteral("%1|%2|%3|%4|%5|%6")
                       .arg(r.number)
                       .arg(r.key, r.bookmark.url, r.bookmark.title, r.bookmark.tags, r.bookmark.summary));
    }
    return out;
}

QAction* action(const QWidget& w, const char* menu, const char* name)
{
    QAction* a = test::child<QMenu>(w, menu)->findChild<QAction*>(QLatin1String(name));
    if (!a)
        qFatal("no menu entry %s", name);
    return a;
}
} // namespace

class TestKeptWindow : public QObject {
    Q_OBJECT
private slots:
    // Killed at a random moment while it changes its list, the program finds at its next start the
    // list as it was after the last change that returned (or the one under way).
    void killedWhileChangingTheList()
    {
        test::TempStore file;
        QList<ui::UrlListModel::Row> kept; // the list as the last start found it
        int next = 0;
        for (int round = 0; round < 3; ++round) {
            QProcess worker;
            worker.start(QStringLiteral(TVX_LISTWORKER), {file.path(), QString::number(next)});
            QVERIFY(worker.waitForStarted());
            QByteArray out;
            int last = -1;
            const auto read = [&] {
                out += worker.readAllStandardOutput();
                qsizetype nl;
                while ((nl = out.indexOf('\n')) >= 0) {
                    const QByteArray line = out.left(nl);
                    out.remove(0, nl + 1);
                    QVERIFY2(!line.startsWith("box "), line.constData());
                    if (line.startsWith("done "))
                        last = line.mid(5).toInt();
                    else if (line.startsWith("ready "))
                        QCOMPARE(line.mid(6).toInt(), kept.size());
                }
            };
            // Killed after a random number of changes, at least a few.
            const int changes = 20 + int(QRandomGenerator::global()->bounded(300));
            while (last < next + changes && worker.state() == QProcess::Running) {
                worker.waitForReadyRead(1000);
                read();
            }
            ::kill(pid_t(worker.processId()), SIGKILL);
            QVERIFY(worker.waitForFinished(10000));
            QCOMPARE(worker.exitStatus(), QProcess::CrashExit);
            read();
            QVERIFY(last >= next);

            // The same changes on the list as the program started with it.
            ui::UrlListModel replay;
            replay.restore(kept);
            for (int step = next; step <= last; ++step)
                test::listops::apply(replay, step);
            Program restarted(file.path());
            if (describe(restarted.list()) != describe(replay)) {
                // The kill came after the next change was written but before it was said.
                test::listops::apply(replay, ++last);
                QCOMPARE(describe(restarted.list()), describe(replay));
            }
            QCOMPARE(file.scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            kept.clear();
            for (int i = 0; i < replay.rowCount(); ++i)
                kept.append(replay.rowAt(i));
            next = last + 1;
        }
    }

    void menusImportExportAndRestore()
    {
        test::TempStore file;
        test::MessageRecorder boxes;
        QList<ui::FileChooser::Request> asked;
        QString answer = QStringLiteral(TVX_BOOKMARK_FILES "/shaarli.html");
        ui::FileChooser::setAnswerer([&](const ui::FileChooser::Request& r) {
            asked.append(r);
            return ui::FileChooser::Choice{answer, {}};
        });
        QStringList before;
        {
            Program p(file.path());
            QCOMPARE(p.list().rowCount(), 0);
            action(p.w, "mnuMain", "mnuImport")->trigger();
            QCOMPARE(p.list().rowCount(), 3);
            QVERIFY(boxes.last().text.contains(QStringLiteral("导入了 3 个书签")));
            // From the list's own menu too; while a run reads the list, an import changes nothing.
            answer = QStringLiteral(TVX_BOOKMARK_FILES "/header-cn-bom.csv");
            p.w.engine().state().mblnRunning = true;
            action(p.w, "mnuUrlList", "mnuListImport")->trigger();
            QCOMPARE(asked.size(), 1);
            p.w.engine().state().mblnRunning = false;
            action(p.w, "mnuUrlList", "mnuListImport")->trigger();
            QCOMPARE(p.list().rowCount(), 5);
            p.list().removeAt(1);
            before = describe(p.list());
            // Export the selected rows from the list's menu.
            auto* view = test::child<QTreeView>(p.w, "lvwURLList");
            view->selectionModel()->select(p.list().index(3, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QTemporaryDir dir;
            answer = dir.filePath(QStringLiteral("picked.csv"));
            action(p.w, "mnuUrlList", "mnuListExportSelected")->trigger();
            QVERIFY(boxes.last().text.contains(QStringLiteral("已把 1 个书签导出到")));
        }
        ui::FileChooser::setAnswerer({});
        // The next start shows the list as it was left.
        Program again(file.path());
        QCOMPARE(describe(again.list()), before);
    }

    void aStoreThatCannotBeWrittenIsSaidOnce()
    {
        test::TempStore file;
        test::MessageRecorder boxes;
        Program p(file.path());
        test::ReadOnlyFile readOnly(file.path());
        QVERIFY(readOnly.ok());
        for (int i = 0; i < 5; ++i)
            p.list().append(test::listops::mark(i));
        p.list().removeAt(0);
        p.list().clear();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().text.startsWith(
            QStringLiteral("网址列表的更改无法保存到配置文件，关闭程序后这些更改会丢失。\n")));
    }
};

QTEST_MAIN(TestKeptWindow)
#include "tst_keptwindow.moc"
