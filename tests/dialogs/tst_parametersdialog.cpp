#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "store/schema.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/dialogs/parametersdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace tvx;
using test::child;
using test::showActive;

namespace {
// A store file with the settings row at 30 s, open as the program opens it.
struct Fixture {
    test::TempStore db;
    store::ProgramStore store;
    Fixture()
    {
        store.gcnnStore.open(db.path());
        store.gintTimeout = store::loadTimeout(store.gcnnStore);
    }
    QString storedTimeout() const { return db.scalar(QStringLiteral("SELECT Timeout FROM Config WHERE ID=0")); }
};
} // namespace

class TestParametersDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void layoutAndLoad()
    {
        Fixture f;
        f.store.gintTimeout = 17; // the running value, not the file's, is shown
        ui::dialogs::ParametersDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(dlg.windowTitle(), QStringLiteral("系统参数"));
        // The pace's box and the password setting lie below the buttons, which stay where they always were.
        QCOMPARE(dlg.size(), QSize(229, 130));
        QCOMPARE(child<controls::Command>(dlg, "cmdOK")->geometry().topLeft(), QPoint(14, 40));
        QCOMPARE(test::captions(dlg),
                 QStringList({"Label1=超时时限(秒)", "Label2=同站间隔(秒)", "cmdCancel=取消", "cmdOK=确定"}));
        QCOMPARE(child<QLineEdit>(dlg, "txtTimeout")->text(), QStringLiteral("17"));
        QVERIFY(showActive(dlg));
        QCOMPARE(test::layoutFault(dlg), QString());
        QVERIFY(test::saveScreenshot(dlg, QStringLiteral("frmPara")));
    }

    void passwordsKeptInTheFileIsASettingOfTheFile()
    {
        Fixture f;
        {
            ui::dialogs::ParametersDialog dlg(f.store);
            QVERIFY(showActive(dlg));
            auto* inFile = child<QCheckBox>(dlg, "chkPasswordsInFile");
            QVERIFY(!inFile->isChecked()); // by default the keyring keeps them
            inFile->setChecked(true);
            child<controls::Command>(dlg, "cmdOK")->click();
            QVERIFY(!dlg.isVisible());
        }
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT InStore FROM PasswordPlace WHERE ID=0")), QStringLiteral("1"));
        ui::dialogs::ParametersDialog again(f.store);
        QVERIFY(showActive(again));
        QVERIFY(child<QCheckBox>(again, "chkPasswordsInFile")->isChecked());
    }

    void keystrokesOutsideTheFilterAreDiscarded()
    {
        Fixture f;
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* box = child<QLineEdit>(dlg, "txtTimeout");
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1a-,2 .5x+e"));
        QCOMPARE(box->text(), QStringLiteral("12.5"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("12."));

        // A letter typed over a selection is discarded before it can replace the selection.
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("z"));
        QCOMPARE(box->text(), QStringLiteral("12."));
        QCOMPARE(box->selectedText(), QStringLiteral("12."));

        // Ctrl+V is discarded like every control key.
        QApplication::clipboard()->setText(QStringLiteral("99"));
        box->setCursorPosition(box->text().size());
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("12."));
        QCOMPARE(f.storedTimeout(), QStringLiteral("30"));
    }

    void pastedAndDroppedTextObeysTheFilter()
    {
        Fixture f;
        ui::dialogs::ParametersDialog dlg(f.store);
        dlg.show(); // loads the dialog
        auto* box = child<QLineEdit>(dlg, "txtTimeout");
        box->clear();
        QApplication::clipboard()->setText(QStringLiteral("4a5-秒,0"));
        box->paste(); // what the context menu's "Paste" does
        QCOMPARE(box->text(), QStringLiteral("450"));
        box->setCursorPosition(1);
        box->insert(QStringLiteral("x.y")); // what a drop or an input method does
        QCOMPARE(box->text(), QStringLiteral("4.50"));
        QCOMPARE(box->cursorPosition(), 2);
    }

    void storesAndUsesTheValueAtOnce_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("seconds");
        QTest::newRow("30") << "30" << 30;
        QTest::newRow("2.5 halves to even") << "2.5" << 2;
        QTest::newRow("3.5 halves to even") << "3.5" << 4;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("leading zeros") << "0007" << 7;
    }
    void storesAndUsesTheValueAtOnce()
    {
        QFETCH(QString, typed);
        QFETCH(int, seconds);
        Fixture f;
        f.db.exec(QStringLiteral("INSERT INTO Config(ID,Timeout) VALUES(1,99);"));
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* box = child<QLineEdit>(dlg, "txtTimeout");
        box->clear();
        QTest::keyClicks(box, typed);
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(int(f.store.gintTimeout), seconds);
        // The file holds what runs now, and a restart reads back the same.
        QCOMPARE(f.storedTimeout(), QString::number(seconds));
        store::Connection again;
        again.open(f.db.path());
        QCOMPARE(int(store::loadTimeout(again)), seconds);
        // Only the settings row is written.
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT Timeout FROM Config WHERE ID=1")), QStringLiteral("99"));
    }

    void refusedValuesStoreNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << "请输入超时时限！";
        QTest::newRow("full stop") << "." << "超时时限不能为零！";
        QTest::newRow("zero") << "0" << "超时时限不能为零！";
        QTest::newRow("0.4") << "0.4" << "超时时限取整后为零，请输入至少 1 秒！";
        QTest::newRow("0.5") << "0.5" << "超时时限取整后为零，请输入至少 1 秒！";
        QTest::newRow("32768") << "32768" << "超时时限不能超过 32767 秒！";
        QTest::newRow("1.2.3") << "1.2.3" << "“1.2.3”不是有效的数字，请输入超时时限的秒数，例如 30！";
    }
    void refusedValuesStoreNothing()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        Fixture f;
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* box = child<QLineEdit>(dlg, "txtTimeout");
        auto* ok = child<controls::Command>(dlg, "cmdOK");
        box->setText(text);
        ok->setFocus();
        test::MessageRecorder boxes;
        ok->click();
        QCOMPARE(boxes.texts(), QStringList{message});
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Information);
        QVERIFY(dlg.isVisible());
        QVERIFY(box->hasFocus());
        QCOMPARE(box->text(), text);
        QCOMPARE(f.store.gintTimeout, qint16(30));
        QCOMPARE(f.storedTimeout(), QStringLiteral("30"));
    }

    void refusingStoreKeepsTheRunningValue()
    {
        Fixture f;
        test::ReadOnlyFile guard(f.db.path());
        if (!guard.ok())
            QSKIP("this file system cannot make the file read-only for root");
        f.store.gcnnStore.open(f.db.path()); // as the program opens a file that is read-only when it starts
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        child<QLineEdit>(dlg, "txtTimeout")->setText(QStringLiteral("45"));
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Warning);
        QVERIFY2(boxes.last().text.contains(QStringLiteral("只读")), qPrintable(boxes.last().text));
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.store.gintTimeout, qint16(30));
        QCOMPARE(f.storedTimeout(), QStringLiteral("30"));
    }

    void deletedStoreKeepsTheRunningValue()
    {
        Fixture f;
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        QVERIFY(QFile::remove(f.db.path()));
        child<QLineEdit>(dlg, "txtTimeout")->setText(QStringLiteral("45"));
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY2(boxes.last().text.contains(QStringLiteral("被删除或替换")), qPrintable(boxes.last().text));
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.store.gintTimeout, qint16(30));
    }

    void storeWithoutTheSettingsRow()
    {
        // Start-up read the first row (ID 1); saving addresses ID 0, which is missing: that is said,
        // not passed over.
        test::TempStore db(QStringLiteral("UPDATE Config SET ID=1;"));
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        store.gintTimeout = store::loadTimeout(store.gcnnStore);
        ui::dialogs::ParametersDialog dlg(store);
        QVERIFY(showActive(dlg));
        child<QLineEdit>(dlg, "txtTimeout")->setText(QStringLiteral("45"));
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY2(boxes.last().text.contains(QStringLiteral("ID 为 0")), qPrintable(boxes.last().text));
        QVERIFY(dlg.isVisible());
        QCOMPARE(store.gintTimeout, qint16(30));
    }

    void pauseIsKeptInAStoreThatHadNoPlaceForIt()
    {
        Fixture f;
        QCOMPARE(store::loadSitePause(f.store.gcnnStore), 0); // the delivered store has no such column
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* pause = child<QLineEdit>(dlg, "txtPause");
        QCOMPARE(pause->text(), QStringLiteral("0"));
        test::MessageRecorder boxes;
        pause->setText(QStringLiteral("86401"));
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 1);
        QVERIFY(dlg.isVisible());
        pause->setText(QStringLiteral("7"));
        child<controls::Command>(dlg, "cmdOK")->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(f.store.gintSitePause, 7);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT SitePause FROM Config WHERE ID=0")), QStringLiteral("7"));
        QCOMPARE(store::loadSitePause(f.store.gcnnStore), 7);
    }

    void cancelStoresNothing()
    {
        Fixture f;
        ui::dialogs::ParametersDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        child<QLineEdit>(dlg, "txtTimeout")->setText(QStringLiteral("45"));
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdCancel")->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(f.store.gintTimeout, qint16(30));
        QCOMPARE(f.storedTimeout(), QStringLiteral("30"));
    }
};

QTEST_MAIN(TestParametersDialog)
#include "tst_parametersdialog.moc"
