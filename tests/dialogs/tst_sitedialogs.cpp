#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/dialogs/submitsitesdialog.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace tvx;
using test::child;
using test::showActive;

namespace {
struct Fixture {
    test::TempStore db;
    store::ProgramStore store;
    explicit Fixture(const QString& sql)
        : db(sql)
    {
        store.gcnnStore.open(db.path());
    }
};

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

QList<int> chosen(const QListWidget* list)
{
    QList<int> out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            out.append(i);
    return out;
}

const QString kGapFree = QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(2,'丙'),(0,'甲'),(1,'乙');");
const QString kGaps = QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(12,'十二'),(3,'三'),(7,NULL);");
// Accounts in the order the file returns them: site 4 twice, a site that is gone (9), site 5.
const QString kAccounts = QStringLiteral(
    "INSERT INTO BookMarkWeb(ID,WebName) VALUES(4,'四号站'),(5,'五号站');"
    "INSERT INTO Accounts VALUES(4,'a','1'),(9,'ghost','2'),(4,'b','3'),(5,'c','4');");
} // namespace

class TestSiteDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void pickerLayout()
    {
        Fixture f(kGapFree);
        ui::dialogs::SitePickerDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(dlg.windowTitle(), QStringLiteral("选择网摘站点"));
        QCOMPARE(dlg.size(), QSize(451, 353));
        QCOMPARE(test::captions(dlg), QStringList({"Label1=网摘站点", "cmdCancel=取消", "cmdOK=确定"}));
        QVERIFY(!dlg.gblnOK);
        QVERIFY(showActive(dlg));
        QCOMPARE(test::layoutFault(dlg), QString());
        QVERIFY(test::saveScreenshot(dlg, QStringLiteral("frmSel")));
    }

    void pickerHandsBackTheRowsOwnId_data()
    {
        QTest::addColumn<QString>("sites");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("gap-free, first") << kGapFree << 0 << "0" << "甲";
        QTest::newRow("gap-free, third") << kGapFree << 2 << "2" << "丙";
        QTest::newRow("gaps, first") << kGaps << 0 << "3" << "三";
        QTest::newRow("gaps, unnamed") << kGaps << 1 << "7" << "";
        QTest::newRow("gaps, third") << kGaps << 2 << "12" << "十二";
    }
    void pickerHandsBackTheRowsOwnId()
    {
        QFETCH(QString, sites);
        QFETCH(int, row);
        QFETCH(QString, id);
        QFETCH(QString, name);
        Fixture f(sites);
        ui::dialogs::SitePickerDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* list = child<QListWidget>(dlg, "lstWeb");
        QCOMPARE(list->count(), 3);
        list->setCurrentRow(row);
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 0);
        QVERIFY(dlg.gblnOK);
        QCOMPARE(dlg.gstrID, id);
        QCOMPARE(dlg.gstrName, name);
        QVERIFY(!dlg.isVisible());
    }

    void pickerListsInIdOrder()
    {
        Fixture f(kGaps);
        ui::dialogs::SitePickerDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(texts(child<QListWidget>(dlg, "lstWeb")), QStringList({"三", "", "十二"}));

        // Every showing of the same window reads the table afresh, and only a showing does.
        f.db.exec(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(5,'五');"));
        dlg.show();
        QCOMPARE(child<QListWidget>(dlg, "lstWeb")->count(), 3);
        child<QListWidget>(dlg, "lstWeb")->setCurrentRow(0);
        child<controls::Command>(dlg, "cmdOK")->click();
        QVERIFY(dlg.gblnOK);
        dlg.show();
        QVERIFY(!dlg.gblnOK);
        QCOMPARE(texts(child<QListWidget>(dlg, "lstWeb")), QStringList({"三", "五", "", "十二"}));
    }

    void pickerWithoutChoiceStaysOpen()
    {
        Fixture f(QString{}); // no site at all
        ui::dialogs::SitePickerDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* ok = child<controls::Command>(dlg, "cmdOK");
        ok->setFocus();
        test::MessageRecorder boxes;
        ok->click();
        QCOMPARE(boxes.texts(), QStringList{"请选择网摘站点！"});
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Information);
        QVERIFY(child<QListWidget>(dlg, "lstWeb")->hasFocus());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.gblnOK);
        child<controls::Command>(dlg, "cmdCancel")->click();
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.gblnOK);
    }

    void pickerReportsAStoreItCannotRead()
    {
        Fixture f(kGapFree);
        QVERIFY(QFile::remove(f.db.path()));
        test::MessageRecorder boxes;
        ui::dialogs::SitePickerDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Warning);
        QVERIFY(boxes.last().text.contains(QStringLiteral("被删除或替换")));
        QCOMPARE(child<QListWidget>(dlg, "lstWeb")->count(), 0);
    }

    void submitSitesLayout()
    {
        Fixture f(kAccounts);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(dlg.windowTitle(), QStringLiteral("选择要提交的网摘"));
        QCOMPARE(dlg.size(), QSize(312, 310));
        QCOMPARE(test::captions(dlg), QStringList({"Label1=请选择要提交的网摘站点", "cmdCancel=取消", "cmdOK=确定"}));
        QStringList items;
        for (QAction* a : child<QMenu>(dlg, "mnuMenu")->actions())
            items.append(a->objectName() + QLatin1Char('=') + a->text());
        QCOMPARE(items, QStringList({"mnuSelAll=全部选择(&A)", "mnuLine=", "mnuUnSel=全部取消(&U)"}));
        QVERIFY(showActive(dlg));
        QCOMPARE(test::layoutFault(dlg), QString());
        QVERIFY(test::saveScreenshot(dlg, QStringLiteral("frmSelWeb")));
    }

    void submitSitesOneRowPerAccount()
    {
        Fixture f(kAccounts);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        dlg.show(); // loads the dialog
        auto* list = child<QListWidget>(dlg, "lstWeb");
        QCOMPARE(texts(list), QStringList({"四号站", "", "四号站", "五号站"}));
        QCOMPARE(chosen(list), QList<int>());
        QVERIFY(!dlg.gblnOK);
    }

    void submitSitesIdsInListOrder_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("bookmark");
        QTest::newRow("both accounts of one site") << QList<int>{0, 2} << "4,4";
        QTest::newRow("a site that is gone") << QList<int>{1} << "9";
        QTest::newRow("list order, not click order") << QList<int>{3, 0} << "4,5";
        QTest::newRow("one") << QList<int>{3} << "5";
    }
    void submitSitesIdsInListOrder()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QString, bookmark);
        Fixture f(kAccounts);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* list = child<QListWidget>(dlg, "lstWeb");
        for (int r : rows)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(r)).center());
        QCOMPARE(chosen(list).size(), rows.size());
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.count(), 0);
        QVERIFY(dlg.gblnOK);
        QCOMPARE(dlg.gstrBookMark, bookmark);
        QVERIFY(!dlg.isVisible());
    }

    void submitSitesMenuChoosesAllOrNone()
    {
        Fixture f(kAccounts);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* list = child<QListWidget>(dlg, "lstWeb");
        auto* ok = child<controls::Command>(dlg, "cmdOK");
        test::MessageRecorder boxes;
        child<QAction>(dlg, "mnuSelAll")->trigger();
        QCOMPARE(chosen(list), QList<int>({0, 1, 2, 3}));
        child<QAction>(dlg, "mnuUnSel")->trigger();
        QCOMPARE(chosen(list), QList<int>());
        // Cleared choices are refused, not handed on as an empty list.
        ok->setFocus();
        ok->click();
        QCOMPARE(boxes.texts(), QStringList{"请选择要提交的网摘站点！"});
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(list->hasFocus());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.gblnOK);
        child<QAction>(dlg, "mnuSelAll")->trigger();
        ok->click();
        QCOMPARE(dlg.gstrBookMark, QStringLiteral("4,9,4,5"));
    }

    void rightButtonOpensTheMenuWithoutChoosing()
    {
        Fixture f(kAccounts);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* list = child<QListWidget>(dlg, "lstWeb");
        auto* menu = child<QMenu>(dlg, "mnuMenu");
        bool popped = false;
        const auto closeMenuWhenUp = [&] {
            auto* timer = new QTimer(&dlg);
            timer->setInterval(5);
            connect(timer, &QTimer::timeout, [&, timer] {
                if (QApplication::activePopupWidget() == menu) {
                    popped = true;
                    timer->stop();
                    menu->close();
                }
            });
            timer->start();
            return timer;
        };
        QTimer* watcher = closeMenuWhenUp();
        // Through the window, as the platform delivers a press (and the context-menu request with it).
        const QPoint onRow = list->viewport()->mapTo(&dlg, list->visualItemRect(list->item(2)).center());
        QTest::mousePress(dlg.windowHandle(), Qt::RightButton, {}, onRow);
        QTRY_VERIFY(popped);
        QTest::mouseRelease(dlg.windowHandle(), Qt::RightButton, {}, onRow);
        QCOMPARE(chosen(list), QList<int>());
        delete watcher;
        // The left button still chooses.
        QTest::mouseClick(dlg.windowHandle(), Qt::LeftButton, {}, onRow);
        QCOMPARE(chosen(list), QList<int>{2});
    }

    void submitSitesWithoutAccounts()
    {
        Fixture f(kGapFree);
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        QCOMPARE(child<QListWidget>(dlg, "lstWeb")->count(), 0);
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdOK")->click();
        QCOMPARE(boxes.texts(), QStringList{"请选择要提交的网摘站点！"});
        QVERIFY(!dlg.gblnOK);
        child<controls::Command>(dlg, "cmdCancel")->click();
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.gblnOK);
    }

    void submitSitesReportsAStoreItCannotRead()
    {
        Fixture f(kAccounts);
        QVERIFY(QFile::remove(f.db.path()));
        test::MessageRecorder boxes;
        ui::dialogs::SubmitSitesDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().text.contains(QStringLiteral("被删除或替换")));
        QCOMPARE(child<QListWidget>(dlg, "lstWeb")->count(), 0);
    }
};

QTEST_MAIN(TestSiteDialogs)
#include "tst_sitedialogs.moc"
