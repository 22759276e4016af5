// Importing and exporting through the program's own controller: the file dialogs, the boxes that say
// what happened, a long file read behind a progress dialog that cancels, and the round trip.
#include "platform/filechooser.h"
#include "support/messagerecorder.h"
#include "ui/bookmarks/bookmarktransfer.h"
#include "ui/main/urllistmodel.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tvx;
using tvx::Bookmark;

namespace {
QString fixture(const char* name)
{
    return QStringLiteral(TVX_BOOKMARK_FILES "/") + QLatin1String(name);
}

// Answers the file dialogs with a path (and filter), and keeps what they asked.
struct Chooser {
    QList<ui::FileChooser::Request> asked;
    ui::FileChooser::Choice answer;
    Chooser()
    {
        ui::FileChooser::setAnswerer([this](const ui::FileChooser::Request& r) {
            asked.append(r);
            return answer;
        });
    }
    ~Chooser() { ui::FileChooser::setAnswerer({}); }
};

struct Fixture {
    QWidget window;
    ui::UrlListModel model;
    ui::BookmarkTransfer transfer{&window, model};
    test::MessageRecorder boxes;
    Chooser chooser;

    QList<Bookmark> list() const
    {
        QList<Bookmark> out;
        for (int i = 0; i < model.rowCount(); ++i)
            out.append(model.rowAt(i).bookmark);
        return out;
    }
};
} // namespace

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    void importSaysWhatWasAddedSkippedAndRefused()
    {
        Fixture f;
        f.chooser.answer = {fixture("firefox.html"), {}};
        f.boxes.answerNext(false); // folders are not made categories
        f.transfer.importBookmarks();
        QCOMPARE(f.chooser.asked.size(), 1);
        QCOMPARE(f.chooser.asked.first().mode, ui::FileChooser::Mode::Open);
        QCOMPARE(f.chooser.asked.first().caption, QStringLiteral("导入书签"));
        QCOMPARE(f.model.rowCount(), 4);
        QCOMPARE(f.boxes.count(), 2);
        QVERIFY(f.boxes.shown().at(0).text.contains(QStringLiteral("3 个书签放在文件夹中")));
        const QString report = f.boxes.last().text;
        QCOMPARE(f.boxes.last().title, QStringLiteral("提示"));
        QVERIFY2(report.contains(QStringLiteral("导入了 4 个书签")), qPrintable(report));
        QVERIFY(report.contains(QStringLiteral("拒绝 3 个")));
        QVERIFY(report.contains(
            QStringLiteral("第 12 行 “place:parent=toolbar_____&sort=12&maxResults=10”：不是 http 或 https 网址")));
        QVERIFY(!report.contains(QStringLiteral("跳过")));

        // The same file again, folders as categories: nothing new, all said to be skipped.
        f.boxes.clear();
        f.transfer.importFile(fixture("firefox.html"));
        QCOMPARE(f.model.rowCount(), 4);
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("导入了 0 个书签")));
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("跳过 4 个")));

        // A nested export with folders as categories; rows numbered on from the list.
        f.transfer.importFile(fixture("chrome.html"));
        QCOMPARE(f.model.rowCount(), 8);
        QCOMPARE(f.model.rowAt(6).number, 7);
        QCOMPARE(f.model.rowAt(6).bookmark.tags, QStringLiteral("News Deep"));
        QCOMPARE(f.model.rowAt(7).bookmark.title, QStringLiteral("After deep"));

        // Cancelling the dialog does nothing; a file that holds no bookmark, or cannot be read, says so.
        f.boxes.clear();
        f.chooser.answer = {};
        f.transfer.importBookmarks();
        QCOMPARE(f.boxes.count(), 0);
        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty.csv"));
        QFile(empty).open(QIODevice::WriteOnly);
        f.transfer.importFile(empty);
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("中没有找到书签")));
        f.transfer.importFile(dir.filePath(QStringLiteral("missing.html")));
        QCOMPARE(f.boxes.last().title, QStringLiteral("错误"));
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("无法读取文件")));
        // A spreadsheet's workbook picked instead of its CSV: told so, not a list of garbled refusals.
        const QString workbook = dir.filePath(QStringLiteral("书签.xlsx"));
        QFile xlsx(workbook);
        QVERIFY(xlsx.open(QIODevice::WriteOnly));
        xlsx.write(QByteArrayLiteral("PK\x03\x04\x14\x00\x06\x00\x08\x00\n\x9c\xe4,https://a.example.com/\n"));
        xlsx.close();
        f.transfer.importFile(workbook);
        QVERIFY2(f.boxes.last().text.contains(QStringLiteral("CSV")), qPrintable(f.boxes.last().text));
        QVERIFY(!f.boxes.last().text.contains(QStringLiteral("拒绝")));
        QCOMPARE(f.model.rowCount(), 8);
    }

    void exportAndImportGiveTheSameList()
    {
        Fixture f;
        const QList<Bookmark> list{
            {"http://a.example.com/?x=1&y=<2>", "标题 \"引号\" & 'apos'", "新闻 科技", "摘要\n第二行"},
            {"https://b.example.com/", "", "", ""},
            {"https://c.example.com/逗号,分号;", "a, b; c", "one", "😀"},
        };
        f.model.appendMany(list);
        QTemporaryDir dir;
        for (const QString& name : {QStringLiteral("all.html"), QStringLiteral("all.csv")}) {
            f.chooser.answer = {dir.filePath(name), {}};
            f.transfer.exportBookmarks();
            QVERIFY(f.boxes.last().text.contains(QStringLiteral("已把 3 个书签导出到")));
            ui::UrlListModel back;
            ui::BookmarkTransfer reader(&f.window, back);
            reader.importFile(dir.filePath(name));
            QList<Bookmark> read;
            for (int i = 0; i < back.rowCount(); ++i)
                read.append(back.rowAt(i).bookmark);
            QCOMPARE(read, list);
        }
        QCOMPARE(f.chooser.asked.last().mode, ui::FileChooser::Mode::Save);

        // The selected rows only, as CSV chosen by its filter: the suffix is added.
        f.chooser.answer = {dir.filePath(QStringLiteral("picked")), f.chooser.asked.last().filters.at(1)};
        f.transfer.exportBookmarks({2, 0}, true);
        QFile csv(dir.filePath(QStringLiteral("picked.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY(text.contains(QStringLiteral("http://a.example.com/")));
        QVERIFY(!text.contains(QStringLiteral("https://b.example.com/")));
        QVERIFY(text.indexOf(QStringLiteral("a.example")) < text.indexOf(QStringLiteral("c.example")));

        // Nothing to export: said so, no dialog.
        const qsizetype asked = f.chooser.asked.size();
        f.transfer.exportBookmarks({}, true);
        QCOMPARE(f.boxes.last().text, QStringLiteral("请先在网址列表中选择要导出的书签！"));
        ui::UrlListModel none;
        ui::BookmarkTransfer(&f.window, none).exportBookmarks();
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("网址列表是空的")));
        QCOMPARE(f.chooser.asked.size(), asked);

        // A folder that cannot be written to: the "错误" box.
        f.chooser.answer = {dir.filePath(QStringLiteral("no/such/folder/x.html")), {}};
        f.transfer.exportBookmarks();
        QCOMPARE(f.boxes.last().title, QStringLiteral("错误"));
    }

    // In the real file dialog a name typed without its suffix that names an existing file once the
    // suffix is added: the dialog asks before that file is replaced, and "no" leaves it as it was.
    void aNameTypedWithoutSuffixDoesNotReplaceAFileUnasked()
    {
        QTemporaryDir dir;
        QFile kept(dir.filePath(QStringLiteral("书签.html")));
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("mine") == 4);
        kept.close();
        QWidget window;
        ui::UrlListModel model;
        model.append({QStringLiteral("http://a.example.com/"), QStringLiteral("甲"), {}, {}});
        test::MessageRecorder boxes;
        bool asked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* question = qobject_cast<QMessageBox*>(modal)) {
                asked = true;
                question->reject(); // no
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && dialog->isVisible()) {
                if (asked) {
                    dialog->reject();
                } else if (!dialog->property("typed").toBool()) {
                    dialog->setProperty("typed", true);
                    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                        ->setText(dir.filePath(QStringLiteral("书签")));
                    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                }
            }
        });
        poll.start(20);
        ui::BookmarkTransfer(&window, model).exportBookmarks();
        poll.stop();
        QVERIFY(asked);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
        QCOMPARE(boxes.count(), 0);
    }

    void aLongFileIsReadBehindAProgressDialogThatCancels()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("many.csv"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray csv = "url,title,tags\n";
            for (int i = 0; i < 10000; ++i)
                csv +=
                    QStringLiteral("http://h%1.example.com/page,第 %1 个书签,标签%2 其他\n").arg(i).arg(i % 7).toUtf8();
            file.write(csv);
        }
        Fixture f;
        f.window.show();
        f.transfer.setBackgroundFrom(0);
        QPointer<QWidget> shown;
        auto cancel = connect(&f.transfer, &ui::BookmarkTransfer::progressShown, this, [&](QWidget* dialog) {
            shown = dialog;
            QVERIFY(dialog->isVisible());
            QVERIFY(dialog->isModal() || dialog->windowModality() != Qt::NonModal);
            dialog->findChild<QPushButton*>()->click(); // its only button: 取消
        });
        QVERIFY(f.transfer.importFile(path).added.isEmpty());
        QCOMPARE(f.model.rowCount(), 0);
        QCOMPARE(f.boxes.count(), 0);
        QVERIFY(shown.isNull() || !shown->isVisible());

        disconnect(cancel);
        const bookmarks::ImportOutcome o = f.transfer.importFile(path);
        QCOMPARE(o.added.size(), 10000);
        QCOMPARE(f.model.rowCount(), 10000);
        QCOMPARE(f.model.rowAt(9999).number, 10000);
        QCOMPARE(f.model.rowAt(9999).bookmark.tags, QStringLiteral("标签3 其他"));
        QVERIFY(f.boxes.last().text.contains(QStringLiteral("导入了 10000 个书签")));
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
