#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/dialogs/accountsdialog.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <sqlite3.h>

using namespace tvx;
using test::child;
using test::showActive;

namespace {
const QString kSites = QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲站'),(1,'乙站'),(2,'丙站');");

struct Fixture {
    test::TempStore db;
    store::ProgramStore store;
    explicit Fixture(const QString& extraSql = {})
        : db(kSites + extraSql)
    {
        store.gcnnStore.open(db.path());
    }
    // Every account of the file, in insertion order: "ID|Uid|Pwd;...".
    QString stored() const
    {
        return db.scalar(QStringLiteral(
            "SELECT group_concat(ID||'|'||Uid||'|'||Pwd, ';') FROM (SELECT * FROM Accounts ORDER BY rowid)"));
    }
};

QTreeWidget* list(const QWidget& dlg)
{
    return child<QTreeWidget>(dlg, "lvwAccounts");
}

// The rows as shown: "site|uid|masked password".
QStringList rows(const QWidget& dlg)
{
    QStringList out;
    QTreeWidget* l = list(dlg);
    for (int i = 0; i < l->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* r = l->topLevelItem(i);
        out.append(r->text(0) + QLatin1Char('|') + r->text(1) + QLatin1Char('|') + r->text(2));
    }
    return out;
}

void check(const QWidget& dlg, std::initializer_list<int> indexes)
{
    for (int i : indexes)
        list(dlg)->topLevelItem(i)->setCheckState(0, Qt::Checked);
}

// Chooses the site listed at `row` in the site picker, as the user does through "...".
void pickSite(const QWidget& dlg, int row)
{
    test::whenModal(QStringLiteral("frmSel"), [row](QDialog* picker) {
        child<QListWidget>(*picker, "lstWeb")->setCurrentRow(row);
        child<controls::Command>(*picker, "cmdOK")->click();
        if (picker->isVisible()) {
            qWarning("the site picker did not take row %d", row);
            picker->reject();
        }
    });
    child<controls::Command>(dlg, "cmdSel")->click();
}

void type(const QWidget& dlg, const QString& uid, const QString& pwd)
{
    child<QLineEdit>(dlg, "txtUid")->setText(uid);
    child<QLineEdit>(dlg, "txtPwd")->setText(pwd);
}

void add(const QWidget& dlg, int siteRow, const QString& uid, const QString& pwd)
{
    pickSite(dlg, siteRow);
    type(dlg, uid, pwd);
    child<controls::Command>(dlg, "cmdAdd")->click();
}
} // namespace

class TestAccountsDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void layout()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'alice','secret'),(1,'张三','密码');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(dlg.windowTitle(), QStringLiteral("设置帐号"));
        QCOMPARE(dlg.size(), QSize(399, 396));
        QCOMPARE(test::captions(dlg), QStringList({"Frame1=帐号", "Label1=网摘站点", "Label2=用户名(UID)",
                                                   "Label3=密\u3000码(PWD)", "cmdAdd=添加", "cmdOK=关闭",
                                                   "cmdRemove=删除所选", "cmdSel=..."}));
        QCOMPARE(list(dlg)->headerItem()->text(2), QStringLiteral("密码"));
        QVERIFY(showActive(dlg));
        QCOMPARE(test::layoutFault(dlg), QString());
        QVERIFY(test::saveScreenshot(dlg, QStringLiteral("frmSetup")));
    }

    void listsEveryAccountMasked()
    {
        // Two accounts on one site, an account whose site is gone, an empty password, a surrogate pair.
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'alice','secret'),(0,'bob','pw12'),(9,'ghost','x'),"
                                 "(1,'nopwd',''),(2,'carol',NULL),(2,'dave','😀ab');"));
        test::MessageRecorder boxes;
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(rows(dlg), QStringList({"甲站|alice|******", "甲站|bob|****", "|ghost|*", "乙站|nopwd|",
                                         "丙站|carol|", "丙站|dave|***"}));
        for (int i = 0; i < list(dlg)->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = list(dlg)->topLevelItem(i);
            QVERIFY(r->flags() & Qt::ItemIsUserCheckable);
            QCOMPARE(r->checkState(0), Qt::Unchecked);
        }
    }

    void addChecksInOrder()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        auto* add = child<controls::Command>(dlg, "cmdAdd");
        test::MessageRecorder boxes;
        const auto refused = [&](const QString& message, const char* focus) {
            QVERIFY(showActive(dlg)); // again, after the picker has closed
            add->setFocus();
            boxes.clear();
            add->click();
            QCOMPARE(boxes.texts(), QStringList{message});
            QCOMPARE(boxes.last().title, QStringLiteral("提示"));
            QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Information);
            QVERIFY2(child<QWidget>(dlg, focus)->hasFocus(), focus);
        };
        // No site: refused first, even with both other fields filled.
        type(dlg, QStringLiteral("u"), QStringLiteral("p"));
        refused(QStringLiteral("请选择网摘站点！"), "txtURL");
        pickSite(dlg, 1);
        QCOMPARE(child<QLineEdit>(dlg, "txtURL")->text(), QStringLiteral("乙站"));
        QCOMPARE(dlg.chosenSiteId(), std::optional<qint64>(1));
        type(dlg, QStringLiteral(" \t "), QStringLiteral("p"));
        refused(QStringLiteral("请输入用户名！"), "txtUid");
        type(dlg, QStringLiteral("u"), QStringLiteral("   "));
        refused(QStringLiteral("请输入密码！"), "txtPwd");
        QCOMPARE(f.stored(), QString());
        QCOMPARE(rows(dlg), QStringList());
    }

    void addWritesAtOnceAndClearsTheFields()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        test::MessageRecorder boxes;
        // Untrimmed values are stored as typed.
        add(dlg, 2, QStringLiteral(" bob "), QStringLiteral(" pw "));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(f.stored(), QStringLiteral("2| bob | pw "));
        QCOMPARE(rows(dlg), QStringList{"丙站| bob |****"});
        for (const char* field : {"txtURL", "txtUid", "txtPwd"})
            QVERIFY2(child<QLineEdit>(dlg, field)->text().isEmpty(), field);
        QVERIFY(!dlg.chosenSiteId());
        // A second add needs a site again.
        type(dlg, QStringLiteral("bob2"), QStringLiteral("pw"));
        child<controls::Command>(dlg, "cmdAdd")->click();
        QCOMPARE(boxes.texts(), QStringList{"请选择网摘站点！"});
        QCOMPARE(f.stored(), QStringLiteral("2| bob | pw "));
    }

    void duplicateTestIsExactAndPerSite()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'alice','secret');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        test::MessageRecorder boxes;
        add(dlg, 0, QStringLiteral("alice"), QStringLiteral("other"));
        QCOMPARE(boxes.texts(), QStringList{"该帐户已经存在，请重新输入！"});
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        // Nothing is cleared, so the user can correct the user id.
        QCOMPARE(child<QLineEdit>(dlg, "txtURL")->text(), QStringLiteral("甲站"));
        QCOMPARE(dlg.chosenSiteId(), std::optional<qint64>(0));
        QCOMPARE(child<QLineEdit>(dlg, "txtUid")->text(), QStringLiteral("alice"));
        QCOMPARE(child<QLineEdit>(dlg, "txtPwd")->text(), QStringLiteral("other"));
        QCOMPARE(f.stored(), QStringLiteral("0|alice|secret"));

        boxes.clear();
        add(dlg, 0, QStringLiteral("Alice"), QStringLiteral("p1")); // letter case differs
        add(dlg, 0, QStringLiteral("alice "), QStringLiteral("p2")); // not trimmed
        add(dlg, 1, QStringLiteral("alice"), QStringLiteral("p3"));  // another site
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(f.stored(), QStringLiteral("0|alice|secret;0|Alice|p1;0|alice |p2;1|alice|p3"));
        QCOMPARE(rows(dlg), QStringList({"甲站|alice|******", "甲站|Alice|**", "甲站|alice |**", "乙站|alice|**"}));
    }

    void severalAccountsOnOneSiteListedAndDeletedSeparately()
    {
        Fixture f;
        {
            ui::dialogs::AccountsDialog dlg(f.store);
            QVERIFY(showActive(dlg));
            test::MessageRecorder boxes;
            add(dlg, 0, QStringLiteral("u1"), QStringLiteral("p1"));
            add(dlg, 0, QStringLiteral("u2"), QStringLiteral("p22"));
            QCOMPARE(boxes.count(), 0);
            QCOMPARE(rows(dlg), QStringList({"甲站|u1|**", "甲站|u2|***"}));
        }
        ui::dialogs::AccountsDialog dlg(f.store); // a new showing reads both back
        dlg.show(); // loads the dialog
        QCOMPARE(rows(dlg), QStringList({"甲站|u1|**", "甲站|u2|***"}));
        check(dlg, {0});
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(boxes.texts(), QStringList{"真的要删除所选的帐号吗？"});
        QCOMPARE(rows(dlg), QStringList{"甲站|u2|***"});
        QCOMPARE(f.stored(), QStringLiteral("0|u2|p22"));
    }

    void apostrophesAndChineseRoundTrip()
    {
        const QString uid1 = QStringLiteral("o'brien");
        const QString pwd1 = QStringLiteral("it's'); DELETE FROM Accounts;--");
        const QString uid2 = QStringLiteral("张三'\"\\");
        const QString pwd2 = QStringLiteral("密码 ' 口令");
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(1,'keep','k');"));
        {
            ui::dialogs::AccountsDialog dlg(f.store);
            QVERIFY(showActive(dlg));
            test::MessageRecorder boxes;
            add(dlg, 0, uid1, pwd1);
            add(dlg, 0, uid2, pwd2);
            QCOMPARE(boxes.count(), 0);
        }
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT Pwd FROM Accounts WHERE Uid='o''brien'")), pwd1);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(*) FROM Accounts")), QStringLiteral("3"));

        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(rows(dlg), QStringList({"乙站|keep|*", "甲站|" + uid1 + "|" + QString(pwd1.size(), QLatin1Char('*')),
                                         "甲站|" + uid2 + "|" + QString(pwd2.size(), QLatin1Char('*'))}));
        // The duplicate test knows an apostrophe account again.
        test::MessageRecorder boxes;
        add(dlg, 0, uid1, QStringLiteral("x"));
        QCOMPARE(boxes.texts(), QStringList{"该帐户已经存在，请重新输入！"});
        boxes.clear();
        check(dlg, {1});
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(boxes.texts(), QStringList{"真的要删除所选的帐号吗？"});
        QCOMPARE(f.stored(), QStringLiteral("1|keep|k;0|") + uid2 + QLatin1Char('|') + pwd2);
        QCOMPARE(rows(dlg).size(), 2);
    }

    void deletingAskedAndOnlyChecked()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'a','1'),(0,'b','2'),(1,'c','3'),(1,'d','4'),"
                                 "(2,'e','5');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        const QString all = f.stored();
        auto* remove = child<controls::Command>(dlg, "cmdRemove");
        test::MessageRecorder boxes;

        // Nothing checked: the question is still asked, and nothing goes.
        remove->click();
        QCOMPARE(boxes.texts(), QStringList{"真的要删除所选的帐号吗？"});
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Question);
        QCOMPARE(f.stored(), all);
        QCOMPARE(rows(dlg).size(), 5);

        // Answering No keeps the checked rows.
        check(dlg, {1, 2, 3});
        boxes.answerNext(false);
        remove->click();
        QCOMPARE(f.stored(), all);
        QCOMPARE(rows(dlg).size(), 5);

        // Three adjacent checked rows all go, from the list and from the file.
        remove->click();
        QCOMPARE(rows(dlg), QStringList({"甲站|a|*", "丙站|e|*"}));
        QCOMPARE(f.stored(), QStringLiteral("0|a|1;2|e|5"));
    }

    void emptyListAsksNothing()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(boxes.count(), 0);
    }

    void accountWhoseSiteIsGone()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(7,'ghost','pw'),(0,'a','1');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        QCOMPARE(rows(dlg), QStringList({"|ghost|**", "甲站|a|*"}));
        check(dlg, {0});
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(rows(dlg), QStringList{"甲站|a|*"});
        QCOMPARE(f.stored(), QStringLiteral("0|a|1"));
    }

    void samePairTwiceInTheFileLeavesTogether()
    {
        // A file written elsewhere may hold a pair twice; deleting by the pair removes both rows, so the
        // list must not keep showing one of them.
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'a','1'),(1,'b','2'),(0,'a','3');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        dlg.show(); // loads the dialog
        check(dlg, {0});
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(rows(dlg), QStringList{"乙站|b|*"});
        QCOMPARE(f.stored(), QStringLiteral("1|b|2"));
    }

    void readOnlyStoreShowsNothingUnstored()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'a','1');"));
        test::ReadOnlyFile guard(f.db.path());
        if (!guard.ok())
            QSKIP("this file system cannot make the file read-only for root");
        f.store.gcnnStore.open(f.db.path()); // as the program opens a file that is read-only when it starts
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        test::MessageRecorder boxes;
        QCOMPARE(rows(dlg), QStringList{"甲站|a|*"}); // reading still works

        add(dlg, 1, QStringLiteral("new"), QStringLiteral("pw"));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Warning);
        QVERIFY2(boxes.last().text.contains(QStringLiteral("只读")), qPrintable(boxes.last().text));
        QCOMPARE(rows(dlg), QStringList{"甲站|a|*"});
        // The entries are kept for another try.
        QCOMPARE(child<QLineEdit>(dlg, "txtURL")->text(), QStringLiteral("乙站"));
        QCOMPARE(child<QLineEdit>(dlg, "txtUid")->text(), QStringLiteral("new"));
        QCOMPARE(child<QLineEdit>(dlg, "txtPwd")->text(), QStringLiteral("pw"));

        boxes.clear();
        check(dlg, {0});
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(boxes.texts().size(), 2); // the question, then the failure
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QCOMPARE(rows(dlg), QStringList{"甲站|a|*"});
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.stored(), QStringLiteral("0|a|1"));
    }

    void lockedStoreIsReported()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'a','1');"));
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        pickSite(dlg, 1);
        type(dlg, QStringLiteral("new"), QStringLiteral("pw"));
        // Another program holds the file's write lock.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(f.db.path().toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        test::MessageRecorder boxes;
        child<controls::Command>(dlg, "cmdAdd")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY2(boxes.last().text.contains(QStringLiteral("占用")), qPrintable(boxes.last().text));
        QCOMPARE(rows(dlg), QStringList{"甲站|a|*"});
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        // Once the lock is gone the same entries go in.
        child<controls::Command>(dlg, "cmdAdd")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(rows(dlg), QStringList({"甲站|a|*", "乙站|new|**"}));
        QCOMPARE(f.stored(), QStringLiteral("0|a|1;1|new|pw"));
    }

    void deletedStoreIsReported()
    {
        Fixture f(QStringLiteral("INSERT INTO Accounts VALUES(0,'a','1');"));
        ui::dialogs::AccountsDialog open(f.store);
        QVERIFY(showActive(open));
        pickSite(open, 1);
        type(open, QStringLiteral("new"), QStringLiteral("pw"));
        QVERIFY(QFile::remove(f.db.path()));
        test::MessageRecorder boxes;
        child<controls::Command>(open, "cmdAdd")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY2(boxes.last().text.contains(QStringLiteral("被删除或替换")), qPrintable(boxes.last().text));
        QCOMPARE(rows(open), QStringList{"甲站|a|*"});
        QCOMPARE(child<QLineEdit>(open, "txtUid")->text(), QStringLiteral("new"));

        // A showing that cannot read the accounts says so instead of passing for an empty list.
        boxes.clear();
        ui::dialogs::AccountsDialog reopened(f.store);
        reopened.show(); // loads the dialog
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QVERIFY(boxes.last().text.contains(QStringLiteral("被删除或替换")));
        QCOMPARE(rows(reopened), QStringList());
    }

    void cancelledPickerChangesNothing()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        pickSite(dlg, 2);
        QCOMPARE(child<QLineEdit>(dlg, "txtURL")->text(), QStringLiteral("丙站"));
        test::whenModal(QStringLiteral("frmSel"), [](QDialog* picker) {
            child<QListWidget>(*picker, "lstWeb")->setCurrentRow(0);
            child<controls::Command>(*picker, "cmdCancel")->click();
        });
        child<controls::Command>(dlg, "cmdSel")->click();
        test::whenModal(QStringLiteral("frmSel"), [](QDialog* picker) {
            child<QListWidget>(*picker, "lstWeb")->setCurrentRow(1);
            picker->close(); // the close box counts as cancelling
        });
        child<controls::Command>(dlg, "cmdSel")->click();
        QCOMPARE(child<QLineEdit>(dlg, "txtURL")->text(), QStringLiteral("丙站"));
        QCOMPARE(dlg.chosenSiteId(), std::optional<qint64>(2));
    }

    void siteIdsWithGapsAreStoredAsListed()
    {
        // The picker hands back the site's own ID, not its position in the list.
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(3,'三'),(7,'七'),(12,'十二');"));
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        ui::dialogs::AccountsDialog dlg(store);
        QVERIFY(showActive(dlg));
        test::MessageRecorder boxes;
        add(dlg, 2, QStringLiteral("u"), QStringLiteral("p"));
        add(dlg, 0, QStringLiteral("u"), QStringLiteral("p"));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(ID, ',') FROM Accounts")), QStringLiteral("12,3"));
        QCOMPARE(rows(dlg), QStringList({"十二|u|*", "三|u|*"}));
    }

    void closeButtonCloses()
    {
        Fixture f;
        ui::dialogs::AccountsDialog dlg(f.store);
        QVERIFY(showActive(dlg));
        child<controls::Command>(dlg, "cmdOK")->click();
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestAccountsDialog)
#include "tst_accountsdialog.moc"
