#include "controls/button/command.h"
#include "core/progress.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/messagerecorder.h"
#include "support/showntext.h"
#include "support/widgets.h"
#include "support/testclock.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/urllistmodel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace tvx;
using test::child;

namespace {
struct Window {
    test::TestClock clock;
    store::ProgramStore store;
    ui::MainWindow w{
        store,
        {QString(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}, &clock}};

    QLineEdit* txtURL() { return child<QLineEdit>(w, "txtURL"); }
    QTreeView* list() { return child<QTreeView>(w, "lvwURLList"); }
    QAbstractItemView* log() { return child<QAbstractItemView>(w, "lvwLog"); }
    void click(const char* name) { child<controls::Command>(w, name)->click(); }

    // Presses the add button with `url` in the address box; the dialog is filled in and confirmed,
    // or cancelled.
    void add(const QString& url, const QString& title, bool confirm = true, const QString& tags = {},
             const QString& summary = {})
    {
        txtURL()->setText(url);
        bool seen = false;
        QTimer::singleShot(0, &w, [&] {
            auto* dialog = qobject_cast<ui::AddDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = dialog->gstrURL == url;
            child<QLineEdit>(*dialog, "txtTitle")->setText(title);
            child<QLineEdit>(*dialog, "txtTag")->setText(tags);
            child<QPlainTextEdit>(*dialog, "txtSummary")->setPlainText(summary);
            child<controls::Command>(*dialog, confirm ? "cmdOK" : "cmdCancel")->click();
        });
        click("cmdAdd");
        QVERIFY2(seen, "the add dialog did not get the typed address");
    }

    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < w.urlListModel()->rowCount(); ++r)
            out.append(w.urlListModel()->index(r, c).data().toString());
        return out;
    }
    QStringList keys()
    {
        QStringList out;
        for (int r = 0; r < w.urlListModel()->rowCount(); ++r)
            out.append(w.urlListModel()->rowAt(r).key);
        return out;
    }
    void selectRows(std::initializer_list<int> rows, int current)
    {
        auto* selection = list()->selectionModel();
        selection->clearSelection();
        for (int r : rows)
            selection->select(w.urlListModel()->index(r, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(w.urlListModel()->index(current, 0), QItemSelectionModel::NoUpdate);
    }
};

bool keysUnique(const QStringList& keys)
{
    return QSet<QString>(keys.begin(), keys.end()).size() == keys.size();
}
} // namespace

class TestUrlList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void columnsAndNumbersCountedAtAdding()
    {
        Window m;
        QCOMPARE(m.w.urlListModel()->columnCount(), 5);
        m.add(QString(), QStringLiteral("一"));
        m.add(QString(), QStringLiteral("二"));
        m.add(QString(), QStringLiteral("三"));
        QCOMPARE(m.column(0), QStringList({"1", "2", "3"}));
        QCOMPARE(m.keys(), QStringList({"K1", "K2", "K3"}));

        // Remove the first, add another: numbers 2, 3, 3, and still no two rows share a key.
        m.selectRows({0}, 0);
        m.click("cmdRemove");
        m.add(QString(), QStringLiteral("四"));
        QCOMPARE(m.column(0), QStringList({"2", "3", "3"}));
        QCOMPARE(m.column(ui::UrlListModel::Title), QStringList({"二", "三", "四"}));
        QVERIFY(keysUnique(m.keys()));

        // The same again and again: every added row gets a key of its own.
        for (int i = 0; i < 5; ++i) {
            m.selectRows({0}, 0);
            m.click("cmdRemove");
            m.add(QString(), QStringLiteral("x%1").arg(i));
            QVERIFY(keysUnique(m.keys()));
        }
        QCOMPARE(m.column(0), QStringList({"3", "3", "3"}));

        m.click("cmdClear");
        QCOMPARE(m.w.runHost().rowCount(), 0);
        m.add(QString(), QStringLiteral("新"));
        QCOMPARE(m.column(0), QStringList({"1"}));
        QCOMPARE(m.keys(), QStringList({"K1"}));
    }

    void cancelKeepsTheAddressConfirmEmptiesIt()
    {
        Window m;
        // Kept as typed: blanks, quotes, Chinese, emoji.
        const QString typed = QStringLiteral("  http://127.0.0.1:9/路径?q=\"引号\"&e=😀  ");
        m.add(typed, QStringLiteral("标题"), false);
        QCOMPARE(m.w.runHost().rowCount(), 0);
        QCOMPARE(m.txtURL()->text(), typed);

        m.add(typed, QStringLiteral("标题 \"引号\""), true, QStringLiteral("新闻  自定义"),
              QStringLiteral("摘要\n第二行"));
        QCOMPARE(m.w.runHost().rowCount(), 1);
        QCOMPARE(m.txtURL()->text(), QString());
        const tvx::Bookmark b = m.w.runHost().bookmark(1);
        QCOMPARE(b.url, typed);
        QCOMPARE(b.title, QStringLiteral("标题 \"引号\""));
        QCOMPARE(b.tags, QStringLiteral("新闻  自定义"));
        QCOMPARE(b.summary, QStringLiteral("摘要\n第二行"));
        QCOMPARE(m.column(ui::UrlListModel::Url), QStringList{typed});
        // The list shows the summary on one line, so that its row keeps the height of the others.
        QCOMPARE(m.column(ui::UrlListModel::Summary), QStringList{QStringLiteral("摘要 第二行")});

        // A very long address is not cut by the address box.
        const QString longUrl = QStringLiteral("http://127.0.0.1:9/?") + QString(40000, QLatin1Char('z'));
        m.add(longUrl, QString());
        QCOMPARE(m.w.runHost().bookmark(2).url, longUrl);
    }

    void removeTakesTheCurrentSelectedRowOnly()
    {
        Window m;
        m.click("cmdRemove"); // empty list: nothing happens
        for (const char* t : {"a", "b", "c", "d"})
            m.add(QString(), QLatin1String(t));

        // Several rows selected: only the current one goes.
        m.selectRows({0, 1, 2, 3}, 2);
        m.click("cmdRemove");
        QCOMPARE(m.column(ui::UrlListModel::Title), QStringList({"a", "b", "d"}));

        // The current row not selected: the topmost selected row goes.
        m.selectRows({1, 2}, 0);
        m.click("cmdRemove");
        QCOMPARE(m.column(ui::UrlListModel::Title), QStringList({"a", "d"}));

        // Nothing selected: nothing removed, even with a current row.
        m.selectRows({}, 1);
        QVERIFY(!m.w.runHost().hasSelectedRow());
        m.click("cmdRemove");
        QCOMPARE(m.w.runHost().rowCount(), 2);

        // A click on a row selects it, and remove takes it.
        m.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.w));
        const QRect second = m.list()->visualRect(m.w.urlListModel()->index(1, ui::UrlListModel::Title));
        QTest::mouseClick(m.list()->viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(m.w.runHost().hasSelectedRow());
        m.click("cmdRemove");
        QCOMPARE(m.column(ui::UrlListModel::Title), QStringList({"a"}));
    }

    void selectAndUnselectAll()
    {
        Window m;
        m.click("cmdSelAll"); // empty list: nothing
        QVERIFY(!m.w.runHost().hasSelectedRow());
        for (const char* t : {"a", "b", "c"})
            m.add(QString(), QLatin1String(t));
        m.click("cmdSelAll");
        QCOMPARE(m.list()->selectionModel()->selectedRows().size(), 3);
        QVERIFY(m.w.runHost().hasSelectedRow());
        m.click("cmdUnSelAll");
        QCOMPARE(m.list()->selectionModel()->selectedRows().size(), 0);
        QVERIFY(!m.w.runHost().hasSelectedRow());
        QCOMPARE(m.w.runHost().rowCount(), 3);
    }

    void focusSelectsTheAddress()
    {
        Window m;
        m.w.show();
        QVERIFY(QTest::qWaitForWindowActive(&m.w));
        m.list()->setFocus();
        m.txtURL()->setText(QStringLiteral("http://例子.com/"));
        m.txtURL()->setCursorPosition(3);
        // By a click: the click places the cursor, the handler selects all again afterwards.
        QTest::mouseClick(m.txtURL(), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE(m.txtURL()->selectedText(), QStringLiteral("http://例子.com/"));
        QCOMPARE(m.txtURL()->selectionStart(), 0);
        // Typing replaces the whole address.
        QTest::keyClicks(m.txtURL(), QStringLiteral("x"));
        QCOMPARE(m.txtURL()->text(), QStringLiteral("x"));

        // Empty box: nothing to select, and nothing goes wrong.
        m.list()->setFocus();
        m.txtURL()->clear();
        m.txtURL()->setFocus(Qt::OtherFocusReason);
        QVERIFY(!m.txtURL()->hasSelectedText());
    }

    void bookmarksByPosition()
    {
        Window m;
        for (const char* t : {"a", "b", "c"})
            m.add(QStringLiteral("http://127.0.0.1:9/%1").arg(QLatin1String(t)), QLatin1String(t), true,
                  QStringLiteral("tag-%1").arg(QLatin1String(t)),
                  QStringLiteral("sum-%1").arg(QLatin1String(t)));
        QCOMPARE(m.w.runHost().rowCount(), 3);
        QCOMPARE(m.w.runHost().bookmark(2),
                 (tvx::Bookmark{QStringLiteral("http://127.0.0.1:9/b"), QStringLiteral("b"),
                                   QStringLiteral("tag-b"), QStringLiteral("sum-b")}));
        // Positions, not numbers or keys: after removing the first row, position 1 is "b" numbered 2.
        m.selectRows({0}, 0);
        m.click("cmdRemove");
        QCOMPARE(m.w.runHost().bookmark(1).title, QStringLiteral("b"));
        QCOMPARE(m.w.runHost().bookmark(2).title, QStringLiteral("c"));
        QCOMPARE(m.w.runHost().bookmark(0), tvx::Bookmark{});
        QCOMPARE(m.w.runHost().bookmark(3), tvx::Bookmark{});
    }

    void logLines()
    {
        Window m;
        QCOMPARE(m.log()->model()->rowCount(), 0);
        m.clock.setLocalTime(QTime(9, 5, 7));
        const QString message = QStringLiteral("正在登录 \"演示站点\"... 😀 'x' \\ <b>");
        m.w.runHost().addLog(message);
        m.clock.setLocalTime(QTime(21, 0, 0));
        m.w.runHost().addLog(QStringLiteral("向\"演示站点\"提交信息完毕!"));
        m.clock.setLocalTime(QTime(0, 0, 0));
        m.w.runHost().addLog(QString());
        // A second run's lines follow the first run's.
        m.clock.setLocalTime(QTime(23, 59, 59));
        m.w.runHost().addLog(QStringLiteral("第二次"));
        const QAbstractItemModel* log = m.log()->model();
        QCOMPARE(log->rowCount(), 4);
        QCOMPARE(log->index(0, ui::RunLogModel::Time).data().toString(), QStringLiteral("09:05:07"));
        QCOMPARE(log->index(0, ui::RunLogModel::Message).data().toString(), message);
        QCOMPARE(log->index(1, ui::RunLogModel::Time).data().toString(), QStringLiteral("21:00:00"));
        QCOMPARE(log->index(2, ui::RunLogModel::Time).data().toString(), QStringLiteral("00:00:00"));
        QCOMPARE(log->index(2, ui::RunLogModel::Message).data().toString(), QString());
        QCOMPARE(log->index(3, ui::RunLogModel::Time).data().toString(), QStringLiteral("23:59:59"));
        QCOMPARE(log->index(3, ui::RunLogModel::Message).data().toString(), QStringLiteral("第二次"));
    }

    void logFollowsItsEndUnlessScrolledAway()
    {
        Window m;
        m.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.w));
        QScrollBar* bar = m.log()->verticalScrollBar();
        for (int i = 0; i < 200; ++i)
            m.w.runHost().addLog(QStringLiteral("行 %1").arg(i));
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        const QModelIndex last = m.log()->model()->index(199, 1);
        QVERIFY(m.log()->viewport()->rect().contains(m.log()->visualRect(last)));

        // Scrolled up by the user: new lines leave the view where it is.
        bar->setValue(0);
        m.w.runHost().addLog(QStringLiteral("新行"));
        QCOMPARE(bar->value(), 0);
        bar->setValue(bar->maximum());
        m.w.runHost().addLog(QStringLiteral("再一行"));
        QCOMPARE(bar->value(), bar->maximum());
    }

    void listCellsAreReadable()
    {
        Window m;
        m.add(QString(), QStringLiteral("可读的标题"));
        m.w.runHost().addLog(QStringLiteral("可读的日志"));
        m.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.w));
        const auto cellText = [](QWidget* view, int row, int column) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
            if (!iface || !iface->tableInterface())
                return QStringLiteral("<no table>");
            QAccessibleInterface* cell = iface->tableInterface()->cellAt(row, column);
            return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
        };
        QCOMPARE(cellText(m.list(), 0, ui::UrlListModel::Title), QStringLiteral("可读的标题"));
        QCOMPARE(cellText(m.log(), 0, ui::RunLogModel::Message), QStringLiteral("可读的日志"));
    }

    void pageTextShowsAsTextInTheListsAndTheirTips()
    {
        Window m;
        const QString markup = test::markupLikeText();
        m.add(QStringLiteral("http://a.example/"), markup, true, {}, markup + QStringLiteral("\n第二行"));
        m.w.runHost().addLog(markup);
        const auto tip = [](const QModelIndex& index) {
            return test::shownText(index.data(Qt::ToolTipRole).toString());
        };
        QCOMPARE(m.w.urlListModel()->index(0, ui::UrlListModel::Title).data().toString(), markup);
        QCOMPARE(tip(m.w.urlListModel()->index(0, ui::UrlListModel::Title)), markup);
        QCOMPARE(tip(m.w.urlListModel()->index(0, ui::UrlListModel::Summary)), markup + QStringLiteral("\n第二行"));
        QCOMPARE(tip(m.w.urlListModel()->index(0, ui::UrlListModel::Url)), QStringLiteral("http://a.example/"));
        const QAbstractItemModel* log = m.log()->model();
        QCOMPARE(tip(log->index(log->rowCount() - 1, ui::RunLogModel::Message)), markup);
    }

    void screenshotWithRows()
    {
        Window m;
        m.add(QStringLiteral("http://127.0.0.1:9/a"), QStringLiteral("第一个书签"), true, QStringLiteral("新闻 科技"),
              QStringLiteral("摘要"));
        m.add(QStringLiteral("http://127.0.0.1:9/b"), QStringLiteral("\"引号\" 😀"), true, QStringLiteral("音乐"));
        m.add(QString(), QString());
        m.selectRows({1}, 1);
        for (int i = 0; i < 12; ++i)
            m.w.runHost().addLog(QStringLiteral("正在向\"演示站点\"提交信息... %1").arg(i));
        m.w.runHost().setProgress(core::progressPercent(1, 3));
        m.w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.w));
        QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
        QVERIFY(m.w.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/mainwindow-list.png")));
    }

    void progress()
    {
        Window m;
        auto* bar = child<QProgressBar>(m.w, "pbProcess");
        m.w.show();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 0);
        QCOMPARE(core::progressPercent(1, 3), 33);
        QCOMPARE(core::progressPercent(2, 3), 66);
        QCOMPARE(core::progressPercent(3, 3), 100);
        // A whole percentage is never shown as the one below it (29 / 100 x 100 is 28.99... in floating
        // point).
        QCOMPARE(core::progressPercent(29, 100), 29);
        QCOMPARE(core::progressPercent(29, 50), 58);
        QCOMPARE(core::progressPercent(57, 100), 57);
        QCOMPARE(core::progressPercent(1, 1000), 0);
        QCOMPARE(core::progressPercent(999, 1000), 99);
        QCOMPARE(core::progressPercent(0, 0), 0);
        QCOMPARE(core::progressPercent(5, 0), 0);
        QCOMPARE(core::progressPercent(4, 3), 100);
        QCOMPARE(core::progressPercent(-1, 3), 0);
        QCOMPARE(core::progressPercent(2147483647, 2147483647), 100);
        QCOMPARE(core::progressPercent(2147483646, 2147483647), 99);
        m.w.runHost().setProgress(core::progressPercent(1, 3));
        QCOMPARE(bar->value(), 33);
        m.w.runHost().setProgressVisible(false);
        QVERIFY(!bar->isVisible());
    }
};

QTEST_MAIN(TestUrlList)
#include "tst_urllist.moc"
