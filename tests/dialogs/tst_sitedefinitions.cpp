// The site definitions window with real widgets on a real store: rows made, saved and read back column
// for column, the delivered rows left alone, deletion that says what it takes with it, checks before
// saving, a store that cannot be written.
#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "sites/sitedefinition.h"
#include "sites/siteform.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/results/resultswindow.h"
#include "ui/sites/sitedefinitionsdialog.h"
#include "ui/sites/templatedialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

using namespace tvx;
using test::child;
using ui::SiteDefinitionsDialog;

namespace {
struct Fixture {
    test::TempStore db;
    store::ProgramStore store;
    explicit Fixture(const QString& extraSql = {})
        : db(extraSql, true)
    {
        store.gcnnStore.open(db.path());
    }
    QString row(qint64 id) const
    {
        QStringList columns;
        for (const QString& c : sites::definitionColumns())
            columns.append(QStringLiteral("quote(%1)").arg(c));
        return db.scalar(QStringLiteral("SELECT %1 FROM BookMarkWeb WHERE ID=%2")
                             .arg(columns.join(QStringLiteral("||'|'||")))
                             .arg(id));
    }
};

// Presses Tab (or Shift+Tab) on whatever has the focus, `count` times, and names where it went.
QStringList tabs(int count, bool back = false)
{
    QStringList visited;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), back ? Qt::Key_Backtab : Qt::Key_Tab,
                        back ? Qt::ShiftModifier : Qt::NoModifier);
        visited << QApplication::focusWidget()->objectName();
    }
    return visited;
}

void press(const QWidget& dlg, const char* name)
{
    child<controls::Command>(dlg, name)->click();
}

QLineEdit* box(const QWidget& dlg, const QString& column)
{
    return child<QLineEdit>(dlg, column.toUtf8().constData());
}

// 新建 with the empty template.
void newEmptySite(SiteDefinitionsDialog& dlg)
{
    test::whenModal(QStringLiteral("templateDialog"), [](QDialog* t) {
        child<QListWidget>(*t, "templateList")->setCurrentRow(0);
        child<controls::Command>(*t, "okButton")->click();
    });
    press(dlg, "newButton");
}

// Fills every text column with a text of its own (quotes, CJK, blanks) and sets the flags.
QHash<QString, QString> fillAll(const QWidget& dlg)
{
    QHash<QString, QString> typed;
    int n = 0;
    for (const QString& column : sites::definitionColumns()) {
        if (sites::isFlagColumn(column)) {
            child<QCheckBox>(dlg, column.toUtf8().constData())->setChecked(column == QLatin1String("IsScript"));
            continue;
        }
        QString value = QStringLiteral("值%1 'a' \"b\" 网摘 ").arg(++n);
        if (column.endsWith(QLatin1String("Url")))
            value = QStringLiteral("https://例子.example/%1?q='x'").arg(column);
        box(dlg, column)->setText(value);
        typed.insert(column, value);
    }
    return typed;
}
} // namespace

class TestSiteDefinitions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    // The two large windows open no larger than the screen (the test's screen is 800 × 800), and what
    // does not fit can be scrolled to.
    void largeWindowsFitTheScreen()
    {
        Fixture f;
        SiteDefinitionsDialog siteDefinitions(f.store);
        ui::ResultsWindow results(f.store.gcnnStore, {});
        for (QWidget* w : {static_cast<QWidget*>(&siteDefinitions), static_cast<QWidget*>(&results)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY2(w->screen()->availableGeometry().contains(w->frameGeometry()), qPrintable(w->objectName()));
        }
        // Narrower than the form, the form scrolls sideways rather than hide its right side.
        auto* scroll = child<QScrollArea>(siteDefinitions, "formScroll");
        QVERIFY(scroll->widget()->width() > scroll->viewport()->width());
        QVERIFY(scroll->horizontalScrollBar()->isVisible());
    }

    // Tab follows the eye: in the new-site window through the list, the address box and the buttons;
    // in the editor from the list straight into the form's first box, and back.
    void tabFollowsTheEye()
    {
        ui::TemplateDialog templates;
        QVERIFY(test::showActive(templates));
        child<QListWidget>(templates, "templateList")->setCurrentRow(1); // one that asks for an address
        child<QWidget>(templates, "templateList")->setFocus(Qt::TabFocusReason);
        QCOMPARE(tabs(4), QStringList({"addressEdit", "okButton", "cancelButton", "templateList"}));
        templates.reject();

        Fixture f;
        SiteDefinitionsDialog siteDefinitions(f.store);
        QVERIFY(test::showActive(siteDefinitions));
        child<QWidget>(siteDefinitions, "siteList")->setFocus(Qt::TabFocusReason);
        QCOMPARE(tabs(1), QStringList{"WebName"});
        QCOMPARE(tabs(1, true), QStringList{"siteList"});
    }

    void deliveredRowsAreShownReadOnly()
    {
        Fixture f;
        test::MessageRecorder messages;
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("网站定义"));
        auto* list = child<QTreeWidget>(dlg, "siteList");
        QCOMPARE(list->topLevelItemCount(), 5);
        QCOMPARE(list->headerItem()->text(1), QStringLiteral("名称"));
        QCOMPARE(dlg.currentId(), 0);
        QVERIFY(list->topLevelItem(0)->toolTip(1).contains(box(dlg, QStringLiteral("LoginUrl"))->text()));
        QVERIFY(box(dlg, QStringLiteral("UidFieldId"))->isReadOnly());
        QVERIFY(!child<QCheckBox>(dlg, "IsScript")->isEnabled());
        QVERIFY(!child<controls::Command>(dlg, "saveButton")->isEnabled());
        QVERIFY(!child<controls::Command>(dlg, "deleteButton")->isEnabled());
        QVERIFY(!child<controls::Command>(dlg, "pickUidFieldId")->isEnabled());
        QVERIFY(test::showActive(dlg));
        QVERIFY(child<QLabel>(dlg, "stateNote")->isVisible());
        // Every column has its box, label and hint, which the hint line below the form shows while the
        // row has the focus; a separator of blanks can be seen.
        auto* hintLine = child<QLabel>(dlg, "hintLine");
        for (const sites::FormRow& row : sites::formRows()) {
            for (const QString& column : row.columns)
                QVERIFY(dlg.findChild<QWidget*>(column));
            QWidget* control = child<QWidget>(dlg, row.columns.last().toUtf8().constData());
            QCOMPARE(control->toolTip(), row.hint);
            if (!control->isEnabled())
                continue; // a check box of a delivered row
            control->setFocus();
            QCOMPARE(hintLine->text(), row.label + QStringLiteral("：") + row.hint);
        }
        QVERIFY(dlg.selectSite(2));
        QCOMPARE(box(dlg, QStringLiteral("TagsSplit"))->text(), QStringLiteral(", "));
        QVERIFY(child<QLabel>(dlg, "separatorExample")->text().contains(QStringLiteral("新闻,␣科技")));
        QVERIFY(test::saveScreenshot(dlg, QStringLiteral("frmSites")));
        QCOMPARE(messages.count(), 0);
    }

    void newRowIsSavedAndReadBackColumnForColumn()
    {
        Fixture f;
        test::MessageRecorder messages;
        qint64 id = -1;
        QHash<QString, QString> typed;
        {
            SiteDefinitionsDialog dlg(f.store);
            dlg.show();
            newEmptySite(dlg);
            QCOMPARE(dlg.currentId(), -1);
            QVERIFY(!box(dlg, QStringLiteral("WebName"))->isReadOnly());
            typed = fillAll(dlg);
            press(dlg, "saveButton");
            QCOMPARE(messages.texts(), QStringList());
            id = dlg.currentId();
            QVERIFY(id > 4);
            QVERIFY(child<controls::Command>(dlg, "deleteButton")->isEnabled());
            // Said above the form until the form changes again.
            auto* note = child<QLabel>(dlg, "stateNote");
            QCOMPARE(note->text(), QStringLiteral("已保存网站定义“%1”。").arg(typed.value("WebName").trimmed()));
            QVERIFY(note->isVisible());
            box(dlg, QStringLiteral("WebName"))->insert(QStringLiteral("改"));
            QVERIFY(!note->isVisible());
        }
        // A window opened afresh shows the row as typed; the file holds it.
        SiteDefinitionsDialog again(f.store);
        again.show();
        QVERIFY(again.selectSite(id));
        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            QCOMPARE(box(again, it.key())->text(), it.value());
        QVERIFY(child<QCheckBox>(again, "IsScript")->isChecked());
        QVERIFY(!child<QCheckBox>(again, "AllowLogin")->isChecked());
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT WebName FROM BookMarkWeb WHERE ID=%1").arg(id)),
                 typed.value("WebName"));
        // The accounts dialog's site picker lists it at once.
        ui::dialogs::SitePickerDialog picker(f.store);
        picker.show();
        auto* sites = child<QListWidget>(picker, "lstWeb");
        QCOMPARE(sites->item(sites->count() - 1)->text(), typed.value("WebName"));
        QCOMPARE(sites->item(sites->count() - 1)->data(Qt::UserRole).toLongLong(), id);
    }

    void copyMakesAnEditableRowAndLeavesTheDeliveredOne()
    {
        Fixture f;
        test::MessageRecorder messages;
        const QString delivered = f.row(1);
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        QVERIFY(dlg.selectSite(1));
        const QString name = box(dlg, QStringLiteral("WebName"))->text();
        press(dlg, "copyButton");
        QCOMPARE(box(dlg, QStringLiteral("WebName"))->text(), name + QStringLiteral("（副本）"));
        box(dlg, QStringLiteral("UidFieldName"))->setText(QStringLiteral("user_name"));
        press(dlg, "saveButton");
        QCOMPARE(messages.count(), 0);
        const qint64 copy = dlg.currentId();
        QCOMPARE(f.db.scalar(
                     QStringLiteral("SELECT UidFieldName||'|'||PwdFieldName FROM BookMarkWeb WHERE ID=%1").arg(copy)),
                 QStringLiteral("user_name|pwd"));
        QCOMPARE(f.row(1), delivered);
        // A second copy gets a name of its own.
        press(dlg, "copyButton");
        QCOMPARE(box(dlg, QStringLiteral("WebName"))->text(), name + QStringLiteral("（副本）（副本）"));
        QVERIFY(dlg.selectSite(1));
        press(dlg, "copyButton");
        QCOMPARE(box(dlg, QStringLiteral("WebName"))->text(), name + QStringLiteral("（副本2）"));
    }

    void checksBeforeSavingPointAtTheField()
    {
        Fixture f;
        test::MessageRecorder messages;
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        QVERIFY(test::showActive(dlg));
        newEmptySite(dlg);
        box(dlg, QStringLiteral("WebName"))->setText(QStringLiteral("新网站"));
        box(dlg, QStringLiteral("LoginUrl"))->setText(QStringLiteral("https://example.org/login"));
        press(dlg, "saveButton");
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QStringLiteral("提示"));
        QVERIFY(messages.last().text.contains(QStringLiteral("用户名框")));
        QCOMPARE(dlg.focusWidget(), box(dlg, QStringLiteral("UidFieldId")));
        QCOMPARE(dlg.currentId(), -1);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM BookMarkWeb")), QStringLiteral("5"));
    }

    void unsavedChangesAreAskedAbout()
    {
        Fixture f;
        test::MessageRecorder messages;
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        QVERIFY(dlg.selectSite(0));
        press(dlg, "copyButton");
        press(dlg, "saveButton");
        const qint64 own = dlg.currentId();
        box(dlg, QStringLiteral("TitleFieldId"))->setText(QStringLiteral("changed"));
        messages.answerNext(false);
        QVERIFY(dlg.selectSite(0));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QStringLiteral("提示"));
        QVERIFY(dlg.selectSite(own));
        QCOMPARE(box(dlg, QStringLiteral("TitleFieldId"))->text(), QStringLiteral("f_title"));
        box(dlg, QStringLiteral("TitleFieldId"))->setText(QStringLiteral("changed"));
        messages.answerNext(true);
        press(dlg, "closeButton");
        QCOMPARE(messages.count(), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT TitleFieldId FROM BookMarkWeb WHERE ID=%1").arg(own)),
                 QStringLiteral("changed"));
    }

    void deletingASiteSaysWhatGoesWithIt()
    {
        Fixture f;
        test::MessageRecorder messages;
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        press(dlg, "copyButton");
        press(dlg, "saveButton");
        const qint64 own = dlg.currentId();
        f.db.exec(QStringLiteral("INSERT INTO Accounts VALUES(%1,'u1','p'),(%1,'u2','p'),(0,'u3','p');").arg(own));
        messages.answerNext(false);
        press(dlg, "deleteButton");
        QCOMPARE(messages.last().title, QStringLiteral("提示"));
        QVERIFY(messages.last().text.contains(QStringLiteral(" 2 个帐号")));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM Accounts")), QStringLiteral("3"));
        QCOMPARE(dlg.currentId(), own);
        messages.answerNext(true);
        press(dlg, "deleteButton");
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT COUNT(*) FROM BookMarkWeb WHERE ID=%1").arg(own)),
                 QStringLiteral("0"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT group_concat(Uid) FROM Accounts")), QStringLiteral("u3"));
        QCOMPARE(child<QTreeWidget>(dlg, "siteList")->topLevelItemCount(), 5);
        QCOMPARE(dlg.currentId(), 0);
    }

    void aStoreThatCannotBeWrittenKeepsTheForm()
    {
        Fixture f;
        test::MessageRecorder messages;
        SiteDefinitionsDialog dlg(f.store);
        dlg.show();
        press(dlg, "copyButton");
        press(dlg, "saveButton");
        const qint64 own = dlg.currentId();
        const QString before = f.row(own);
        box(dlg, QStringLiteral("SubmitButtonValue"))->setText(QStringLiteral("发表"));
        {
            test::ReadOnlyFile readOnly(f.db.path());
            QVERIFY(readOnly.ok());
            press(dlg, "saveButton");
            QCOMPARE(messages.count(), 1);
            QCOMPARE(messages.last().title, QStringLiteral("错误"));
            QVERIFY(messages.last().text.contains(f.db.path()));
            QCOMPARE(box(dlg, QStringLiteral("SubmitButtonValue"))->text(), QStringLiteral("发表"));
        }
        QCOMPARE(f.row(own), before);
        press(dlg, "saveButton");
        QCOMPARE(messages.count(), 1);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT SubmitButtonValue FROM BookMarkWeb WHERE ID=%1").arg(own)),
                 QStringLiteral("发表"));
    }
};

QTEST_MAIN(TestSiteDefinitions)
#include "tst_sitedefinitions.moc"
