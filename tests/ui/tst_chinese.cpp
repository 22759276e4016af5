// The program speaks Chinese throughout: Qt's own texts (message box buttons, text box menus) come from
// Qt's Chinese translations, and no window shows a word of English of the program's own.
#include "controls/button/command.h"
#include "platform/filechooser.h"
#include "platform/messagebox.h"
#include "platform/programfont.h"
#include "platform/programlanguage.h"
#include "store/programstore.h"
#include "support/tempstore.h"
#include "support/testclock.h"
#include "support/widgets.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainwindow.h"
#include "ui/main/tagdialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tvx;
using test::child;

namespace {
// Words of Latin letters in `text`, leaving out an access key "(&A)", a shortcut after a tab
// ("Ctrl+Z"), and the words the program means: its name and the UID and PWD of the accounts labels.
QStringList englishWords(QString text)
{
    static const QRegularExpression accessKey(QStringLiteral("\\(&[A-Z]\\)"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
    static const QStringList meant = {QStringLiteral("Tavrinex"), QStringLiteral("UID"), QStringLiteral("PWD")};
    text = text.section(QLatin1Char('\t'), 0, 0).remove(accessKey);
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString w = it.next().captured();
        if (!meant.contains(w))
            found << w;
    }
    return found;
}

// Every text a window shows or gives to assistive technology: its title, captions, headings of its
// lists, tool tips, accessible names and the entries of its menus.
QStringList textsOf(QWidget& window)
{
    QStringList texts{window.windowTitle()};
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* w : widgets) {
        texts << w->toolTip() << w->accessibleName() << w->accessibleDescription();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<controls::Command*>(w))
            texts << button->caption();
        else if (auto* qtButton = qobject_cast<QAbstractButton*>(w))
            texts << qtButton->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            texts << frame->title();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            texts << edit->placeholderText();
        else if (auto* menu = qobject_cast<QMenu*>(w)) {
            if (menu->accessibleName().isEmpty())
                texts << menu->title(); // what a screen reader reads when it opens
            for (const QAction* a : menu->actions())
                texts << a->text();
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            for (int c = 0; c < view->model()->columnCount(); ++c)
                texts << view->model()->headerData(c, Qt::Horizontal).toString();
        }
    }
    return texts;
}

// Texts of the window with English in them, and labels that show their access key as a literal "&"
// (a label without a buddy does not turn "(&T)" into an underlined T).
QStringList notChinese(QWidget& window)
{
    QStringList found;
    for (const QString& text : textsOf(window))
        if (!englishWords(text).isEmpty())
            found << text;
    static const QRegularExpression accessKey(QStringLiteral("&[^&\\s]"));
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (!label->buddy() && label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text()) &&
            label->text().contains(accessKey))
            found << label->text();
    return found;
}

void checkChinese(QWidget& window)
{
    const QStringList found = notChinese(window);
    QVERIFY2(found.isEmpty(),
             qPrintable(window.objectName() + QStringLiteral(": ") + found.join(QStringLiteral(" | "))));
}

// The texts of the buttons of the message box that `show` brings up; it is answered with `answer`.
QStringList buttonsOfBox(const std::function<void()>& show, QMessageBox::StandardButton answer)
{
    QStringList texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        box->button(answer)->click();
    });
    poll.start(10);
    show();
    return texts;
}
} // namespace

class TestChinese : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        QVERIFY2(platform::applyProgramLanguage(*qApp),
                 "Qt's Chinese translations are missing (qt6-translations-l10n; bash scripts/deps.sh)");
    }

    void messageBoxesAnswerInChinese()
    {
        test::TestClock clock;
        store::ProgramStore store;
        ui::MainWindow w(store, {QString(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}}, &clock});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The exit question: 是 and 否, as the help file tells the user. 否 keeps the window.
        QStringList question = buttonsOfBox([&] { w.close(); }, QMessageBox::No);
        question.sort();
        QCOMPARE(question, QStringList({"否(&N)", "是(&Y)"}));
        QVERIFY(w.isVisible());
        QCOMPARE(
            buttonsOfBox([&] { ui::MessageBox::information(&w, QStringLiteral("网摘提交完毕！")); }, QMessageBox::Ok),
            QStringList{"确定"});
        QCOMPARE(buttonsOfBox([&] { ui::MessageBox::error(&w, QStringLiteral("错误")); }, QMessageBox::Ok),
                 QStringList{"确定"});
    }

    void textBoxMenusAreChinese()
    {
        QLineEdit line;
        QPlainTextEdit text;
        const std::unique_ptr<QMenu> menus[] = {std::unique_ptr<QMenu>(line.createStandardContextMenu()),
                                                std::unique_ptr<QMenu>(text.createStandardContextMenu())};
        for (const auto& menu : menus) {
            QVERIFY(menu->actions().size() > 5);
            for (const QAction* a : menu->actions())
                QVERIFY2(englishWords(a->text()).isEmpty(), qPrintable(a->text()));
        }
    }

    // Qt's own file dialog, in both of its modes, as the program shows it.
    void fileDialogsAreChinese()
    {
        for (const bool save : {false, true}) {
            QStringList found{QStringLiteral("(no file dialog came up)")};
            QTimer poll;
            connect(&poll, &QTimer::timeout, this, [&] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dialog || !dialog->isVisible())
                    return;
                poll.stop();
                found = notChinese(*dialog);
                dialog->reject();
            });
            poll.start(10);
            if (save)
                ui::FileChooser::save(nullptr, QStringLiteral("导出书签"), {QStringLiteral("CSV 表格 (*.csv)")},
                                      QStringLiteral("bookmarks.csv"));
            else
                ui::FileChooser::open(nullptr, QStringLiteral("导入书签"), {QStringLiteral("所有文件 (*)")});
            QVERIFY2(found.isEmpty(), qPrintable(found.join(QStringLiteral(" | "))));
        }
    }

    void noWindowShowsEnglish()
    {
        test::TestClock clock;
        {
            store::ProgramStore store;
            ui::MainWindow w(store,
                             {QString(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}}, &clock});
            checkChinese(w);
        }
        ui::AddDialog frmAdd(clock);
        checkChinese(frmAdd);
        ui::TagDialog frmTag;
        checkChinese(frmTag);
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲站');"
                                          "INSERT INTO Accounts VALUES(0,'a','1');"));
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        ui::dialogs::AccountsDialog frmSetup(store);
        frmSetup.show();
        checkChinese(frmSetup);
        ui::dialogs::SitePickerDialog frmSel(store);
        checkChinese(frmSel);
        ui::dialogs::SubmitSitesDialog frmSelWeb(store);
        checkChinese(frmSelWeb);
        ui::dialogs::ParametersDialog frmPara(store);
        checkChinese(frmPara);
    }
};

QTEST_MAIN(TestChinese)
#include "tst_chinese.moc"
