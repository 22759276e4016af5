#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

using namespace tvx;
using test::child;

namespace {
ui::MainWindow::Options optionsFor(const QString& storePath)
{
    // Port 9 on loopback refuses connections, so the panes fail fast.
    return {storePath, QStringLiteral("/nonexistent/readme.html"),
            WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}};
}

QAction* menuItem(const ui::MainWindow& w, const char* name)
{
    return child<QMenu>(w, "mnuMain")->findChild<QAction*>(QLatin1String(name));
}
} // namespace

// The main window opens the dialogs modally and takes their results.
class TestDialogEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void parametersMenuSetsTheRunningTimeout()
    {
        test::TempStore db;
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        test::MessageRecorder boxes;
        w.Form_Load();
        QCOMPARE(store.gintTimeout, qint16(30));
        bool shown = false;
        test::whenModal(QStringLiteral("frmPara"), [&](QDialog* dlg) {
            shown = dlg->parentWidget() == &w && dlg->isModal();
            child<QLineEdit>(*dlg, "txtTimeout")->setText(QStringLiteral("12"));
            child<controls::Command>(*dlg, "cmdOK")->click();
        });
        QAction* item = menuItem(w, "mnuPara");
        QVERIFY(item);
        item->trigger();
        QVERIFY(shown);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(store.gintTimeout, qint16(12));
        QCOMPARE(db.scalar(QStringLiteral("SELECT Timeout FROM Config")), QStringLiteral("12"));
    }

    void accountsMenuListsTheAccounts()
    {
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲');"
                                          "INSERT INTO Accounts VALUES(0,'u','p');"));
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        test::MessageRecorder boxes;
        w.Form_Load();
        int rows = -1;
        test::whenModal(QStringLiteral("frmSetup"), [&](QDialog* dlg) {
            rows = child<QTreeWidget>(*dlg, "lvwAccounts")->topLevelItemCount();
            child<controls::Command>(*dlg, "cmdOK")->click();
        });
        QAction* item = menuItem(w, "mnuAccounts");
        QVERIFY(item);
        item->trigger();
        QCOMPARE(rows, 1);
        QCOMPARE(boxes.count(), 0);
    }

    void sitesMenuOpensTheSiteDefinitions()
    {
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲'),(1,'乙');"));
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        test::MessageRecorder boxes;
        w.Form_Load();
        bool shown = false;
        int rows = -1;
        test::whenModal(QStringLiteral("siteDefinitions"), [&](QDialog* dlg) {
            shown = dlg->parentWidget() == &w && dlg->isModal();
            rows = child<QTreeWidget>(*dlg, "siteList")->topLevelItemCount();
            child<controls::Command>(*dlg, "closeButton")->click();
        });
        QAction* item = menuItem(w, "mnuSites");
        QVERIFY(item);
        item->trigger();
        QVERIFY(shown);
        QCOMPARE(rows, 2);
        QCOMPARE(boxes.count(), 0);
    }

    void submitSiteSelectionAnswersEachShowing()
    {
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(3,'三'),(5,'五');"
                                          "INSERT INTO Accounts VALUES(3,'u','p'),(5,'v','q');"));
        store::ProgramStore store;
        ui::MainWindow w(store, optionsFor(db.path()));
        test::MessageRecorder boxes;
        w.Form_Load();
        test::whenModal(QStringLiteral("frmSelWeb"), [](QDialog* dlg) {
            child<QAction>(*dlg, "mnuSelAll")->trigger();
            child<controls::Command>(*dlg, "cmdOK")->click();
        });
        QCOMPARE(w.runHost().chooseSubmitSites(), std::optional<QString>(QStringLiteral("3,5")));
        // Confirmed once, then cancelled: no run starts.
        test::whenModal(QStringLiteral("frmSelWeb"), [](QDialog* dlg) {
            child<QListWidget>(*dlg, "lstWeb")->item(0)->setSelected(true);
            child<controls::Command>(*dlg, "cmdCancel")->click();
        });
        QCOMPARE(w.runHost().chooseSubmitSites(), std::nullopt);
        test::whenModal(QStringLiteral("frmSelWeb"), [](QDialog* dlg) { dlg->close(); });
        QCOMPARE(w.runHost().chooseSubmitSites(), std::nullopt);
        QCOMPARE(boxes.count(), 0);
    }
};

QTEST_MAIN(TestDialogEntry)
#include "tst_dialogentry.moc"
