#include "controls/button/command.h"
#include "platform/programfont.h"
#include "support/messagerecorder.h"
#include "ui/main/tagdialog.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using namespace tvx;

namespace {
QStringList selectedEntries(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected())
            out.append(list->item(i)->text());
    }
    return out;
}

QListWidget* tagList(QWidget& dialog)
{
    return dialog.findChild<QListWidget*>(QStringLiteral("lstTag"));
}

controls::Command* button(QWidget& dialog, const char* name)
{
    return dialog.findChild<controls::Command*>(QLatin1String(name));
}
} // namespace

class TestTagDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::applyProgramFont(*qApp); }

    void listAndControls()
    {
        ui::TagDialog frmTag;
        QCOMPARE(frmTag.windowTitle(), QStringLiteral("选择分类"));
        const QStringList expected =
            QStringLiteral("新闻 生活 娱乐 文化 科技 电子 计算机 互联网 军事 汽车 财经 股票 宠物 动物 图片 "
                           "视频 搞笑 恶搞 八卦 两性 "
                           "影视 体育 游戏 博客 女性 育儿 家居 创意 购物 健康 交友 音乐 公益 读书 社区 航空")
                .split(QLatin1Char(' '));
        QCOMPARE(expected.size(), 36);
        QCOMPARE(ui::TagDialog::categories(), expected);
        QListWidget* list = tagList(frmTag);
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text());
        QCOMPARE(shown, expected);
        QCOMPARE(list->geometry(), QRect(4, 24, 443, 242));
        QCOMPARE(frmTag.findChild<QLabel*>(QStringLiteral("Label1"))->buddy(), list);
        QCOMPARE(button(frmTag, "cmdOK")->geometry(), QRect(128, 284, 95, 27));
        QCOMPARE(button(frmTag, "cmdCancel")->geometry(), QRect(230, 284, 95, 27));
        QVERIFY(frmTag.rect().contains(button(frmTag, "cmdCancel")->geometry()));
    }

    void preselectsAndReturnsInListOrder_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("returned");
        QTest::newRow("two entries, later one first")
            << QStringLiteral("科技 新闻") << QStringList{"新闻", "科技"} << QStringLiteral("新闻 科技");
        QTest::newRow("a free word is neither selected nor returned")
            << QStringLiteral("我的词 音乐") << QStringList{"音乐"} << QStringLiteral("音乐");
        QTest::newRow("doubled blanks")
            << QStringLiteral("航空  新闻 ") << QStringList{"新闻", "航空"} << QStringLiteral("新闻 航空");
        QTest::newRow("whole words only, case as written")
            << QStringLiteral("新闻科技 科 互联网x") << QStringList{} << QString();
        QTest::newRow("a repeated word")
            << QStringLiteral("股票 股票") << QStringList{"股票"} << QStringLiteral("股票");
    }

    void preselectsAndReturnsInListOrder()
    {
        QFETCH(QString, given);
        QFETCH(QStringList, selected);
        QFETCH(QString, returned);
        test::MessageRecorder boxes;
        ui::TagDialog frmTag;
        frmTag.gstrTag = given;
        frmTag.show();
        QCOMPARE(selectedEntries(tagList(frmTag)), selected);
        button(frmTag, "cmdOK")->click();
        if (selected.isEmpty()) {
            QCOMPARE(boxes.count(), 1);
            QVERIFY(frmTag.isVisible());
            QVERIFY(!frmTag.gblnOK);
            QCOMPARE(frmTag.gstrTag, given);
        } else {
            QCOMPARE(boxes.count(), 0);
            QVERIFY(!frmTag.isVisible());
            QVERIFY(frmTag.gblnOK);
            QCOMPARE(frmTag.gstrTag, returned);
        }
    }

    void choosingByClicksKeepsListOrder()
    {
        ui::TagDialog frmTag;
        frmTag.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmTag));
        QListWidget* list = tagList(frmTag);
        QVERIFY(selectedEntries(list).isEmpty());
        // Clicked in the order 航空, 新闻, 游戏; each click adds one entry, a second click takes it away.
        for (int row : {35, 0, 22, 5, 5}) {
            list->scrollToItem(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        }
        QCOMPARE(selectedEntries(list), QStringList({"新闻", "游戏", "航空"}));
        button(frmTag, "cmdOK")->click();
        QCOMPARE(frmTag.gstrTag, QStringLiteral("新闻 游戏 航空"));
    }

    void emptyChoiceKeepsTheDialogOpen()
    {
        test::MessageRecorder boxes;
        ui::TagDialog frmTag;
        frmTag.gstrTag = QStringLiteral("科技");
        frmTag.show();
        QVERIFY(QTest::qWaitForWindowActive(&frmTag));
        tagList(frmTag)->clearSelection();
        button(frmTag, "cmdOK")->setFocus();
        button(frmTag, "cmdOK")->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("请选择分类！"));
        QCOMPARE(boxes.last().title, QStringLiteral("提示"));
        QVERIFY(boxes.last().icon == ui::MessageBox::Icon::Information);
        QVERIFY(frmTag.isVisible());
        QVERIFY(!frmTag.gblnOK);
        QCOMPARE(frmTag.gstrTag, QStringLiteral("科技"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(tagList(frmTag)));
        // The dialog is still usable: a choice now is returned.
        tagList(frmTag)->item(1)->setSelected(true);
        button(frmTag, "cmdOK")->click();
        QVERIFY(frmTag.gblnOK);
        QCOMPARE(frmTag.gstrTag, QStringLiteral("生活"));
    }

    void cancelAndCloseBoxReportNoConfirmation()
    {
        ui::TagDialog frmTag;
        frmTag.gstrTag = QStringLiteral("新闻");
        frmTag.show();
        button(frmTag, "cmdOK")->click();
        QVERIFY(frmTag.gblnOK);

        // Shown again: an earlier OK does not count, whether closed by Cancel or by the close box.
        frmTag.gstrTag = QStringLiteral("新闻 自由词");
        frmTag.show();
        QVERIFY(!frmTag.gblnOK);
        tagList(frmTag)->item(4)->setSelected(true);
        button(frmTag, "cmdCancel")->click();
        QVERIFY(!frmTag.isVisible());
        QVERIFY(!frmTag.gblnOK);
        QCOMPARE(frmTag.gstrTag, QStringLiteral("新闻 自由词"));

        frmTag.gstrTag = QString();
        frmTag.show();
        QVERIFY(selectedEntries(tagList(frmTag)).isEmpty()); // nothing left from the last showing
        tagList(frmTag)->item(4)->setSelected(true);
        frmTag.close();
        QVERIFY(!frmTag.isVisible());
        QVERIFY(!frmTag.gblnOK);
        QCOMPARE(frmTag.gstrTag, QString());
    }

    void mergingWithTypedText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("merged");
        QTest::newRow("nothing typed")
            << QString() << QStringLiteral("新闻 科技") << QStringLiteral("新闻 科技");
        QTest::newRow("only blanks typed")
            << QStringLiteral("   ") << QStringLiteral("新闻") << QStringLiteral("新闻");
        QTest::newRow("free words kept before the picked entries")
            << QStringLiteral("Qt 开源") << QStringLiteral("科技") << QStringLiteral("Qt 开源 科技");
        QTest::newRow("an entry unticked in the picker is dropped")
            << QStringLiteral("科技 Qt 新闻") << QStringLiteral("新闻") << QStringLiteral("Qt 新闻");
        QTest::newRow("no duplicates, single blanks")
            << QStringLiteral("  Qt  Qt 科技 ") << QStringLiteral("科技 音乐")
            << QStringLiteral("Qt 科技 音乐");
        QTest::newRow("free words kept as typed")
            << QStringLiteral("\"引号\" 😀 Linux") << QStringLiteral("文化")
            << QStringLiteral("\"引号\" 😀 Linux 文化");
    }

    void mergingWithTypedText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, picked);
        QFETCH(QString, merged);
        QCOMPARE(ui::mergePickedTags(typed, picked), merged);
    }

    void screenshot()
    {
        ui::TagDialog frmTag;
        frmTag.gstrTag = QStringLiteral("新闻 科技");
        frmTag.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmTag));
        QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
        QVERIFY(frmTag.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/frmTag.png")));
    }
};

QTEST_MAIN(TestTagDialog)
#include "tst_tagdialog.moc"
