// Imports 10,000 bookmarks into the real main window on a real store, as a user does from the set-up
// menu, and prints how long it takes and how quickly the window answers with the long list: a browser
// export (folders, tags, descriptions) and a spreadsheet's CSV, each into a fresh store.
//
//   bench_import [bookmarks] [rounds]      (default 10000 3; runs without a display)
//
// Figures, median of the rounds, milliseconds:
//   read      reading and parsing the file alone (libxml2 or the CSV reader), no window
//   import    the whole import: read, sort against the list, add to the list, write to the store
//   restart   a new main window's start-up on that store: the list of 10,000 restored
//   select    全部选择 pressed, with the events it causes handled
//   remove    移除 pressed on a row in the middle, its store write included
//   scroll    the list scrolled to its end and painted

#include "benchsupport.h"
#include "bookmarks/bookmarkfile.h"
#include "controls/button/command.h"
#include "platform/filechooser.h"
#include "platform/messagebox.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "ui/bookmarks/bookmarkservices.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

using namespace tvx;

namespace {
void makeStore(const QString& path)
{
    bench::makeStore(path, bench::readDataFile("sites.sql"));
}

QByteArray browserExport(int n)
{
    QString html =
        QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
                       "CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n"
                       "<DL><p>\n");
    for (int i = 0; i < n; ++i) {
        if (i % 100 == 0)
            html += (i > 0 ? QStringLiteral("</DL><p>\n") : QString()) +
                    QStringLiteral("<DT><H3 ADD_DATE=\"1700000000\">文件夹 %1</H3>\n<DL><p>\n").arg(i / 100);
        html += QStringLiteral(
                    "<DT><A HREF=\"https://www.example.com/news/%1?from=bench&amp;n=%1\" ADD_DATE=\"1700000000\" "
                    "ICON=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAAAXNSR0IArs4c6Q\" "
                    "TAGS=\"新闻,科技,tag%2\">第 %1 篇文章 &amp; 评论</A>\n<DD>这是第 %1 个书签的说明。\n")
                    .arg(i)
                    .arg(i % 37);
    }
    html += QStringLiteral("</DL><p>\n</DL><p>\n");
    return html.toUtf8();
}

QByteArray spreadsheet(int n)
{
    QString csv = QStringLiteral("网址,标题,分类,摘要\r\n");
    for (int i = 0; i < n; ++i)
        csv +=
            QStringLiteral("https://www.example.org/page/%1,\"标题 %1, 带逗号\",新闻 科技,\"第一行\r\n第二行 %1\"\r\n")
                .arg(i);
    return QByteArrayLiteral("\xEF\xBB\xBF") + csv.toUtf8();
}

template <typename Action> double timed(Action action)
{
    QElapsedTimer t;
    t.start();
    action();
    QCoreApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Figures {
    std::vector<double> read, import, restart, select, remove, scroll;
};

void round(const QByteArray& bytes, const QString& suffix, int expected, Figures& f)
{
    QTemporaryDir dir;
    const QString storePath = dir.filePath(QStringLiteral("tvx.cfg"));
    const QString filePath = dir.filePath(QStringLiteral("bookmarks.") + suffix);
    makeStore(storePath);
    {
        QFile file(filePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("bench_import: cannot write %s", qPrintable(filePath));
    }
    f.read.push_back(timed([&] {
        if (bookmarks::readBookmarkFile(filePath).items.size() != expected)
            qFatal("bench_import: the file did not read whole");
    }));
    ui::FileChooser::setAnswerer([&](const ui::FileChooser::Request&) {
        return ui::FileChooser::Choice{filePath, {}};
    });
    const WebHosts hosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()};
    {
        store::ProgramStore store;
        ui::MainWindow w(store, {storePath, QString(), hosts});
        w.show();
        w.Form_Load();
        QCoreApplication::processEvents();
        QAction* import =
            w.findChild<QMenu*>(QStringLiteral("mnuMain"))->findChild<QAction*>(QStringLiteral("mnuImport"));
        f.import.push_back(timed([&] { import->trigger(); }));
        if (w.urlListModel()->rowCount() != expected)
            qFatal("bench_import: %d rows imported, not %d", w.urlListModel()->rowCount(), expected);
    }
    store::ProgramStore store;
    std::unique_ptr<ui::MainWindow> w;
    f.restart.push_back(timed([&] {
        w = std::make_unique<ui::MainWindow>(store, ui::MainWindow::Options{storePath, QString(), hosts});
        w->show();
        w->Form_Load();
    }));
    if (w->urlListModel()->rowCount() != expected)
        qFatal("bench_import: %d rows restored, not %d", w->urlListModel()->rowCount(), expected);
    auto* list = w->findChild<QTreeView*>(QStringLiteral("lvwURLList"));
    f.select.push_back(timed([&] { w->findChild<controls::Command*>(QStringLiteral("cmdSelAll"))->click(); }));
    list->selectionModel()->clearSelection();
    list->selectionModel()->setCurrentIndex(w->urlListModel()->index(expected / 2, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.remove.push_back(timed([&] { w->findChild<controls::Command*>(QStringLiteral("cmdRemove"))->click(); }));
    if (w->urlListModel()->rowCount() != expected - 1)
        qFatal("bench_import: the row was not removed");
    f.scroll.push_back(timed([&] {
        list->scrollToBottom();
        list->viewport()->repaint();
    }));
    ui::FileChooser::setAnswerer({});
}
} // namespace

int main(int argc, char* argv[])
{
    bench::defaultEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    platform::applyProgramFont(app);
    const int n = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 10000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;
    // Folders become categories; every other box is answered and not shown.
    ui::MessageBox::setAnswerer([](const ui::MessageBox::Shown&) { return true; });

    const struct {
        const char* name;
        QByteArray bytes;
        QString suffix;
    } files[] = {{"browser export (HTML)", browserExport(n), QStringLiteral("html")},
                 {"spreadsheet (CSV)", spreadsheet(n), QStringLiteral("csv")}};
    std::printf("bench_import: %d bookmarks, %d rounds, median in milliseconds\n", n, rounds);
    std::printf("%-24s %8s %8s %8s %8s %8s %8s %8s\n", "file", "size KB", "read", "import", "restart", "select",
                "remove", "scroll");
    for (const auto& file : files) {
        Figures f;
        for (int r = 0; r < rounds; ++r)
            round(file.bytes, file.suffix, n, f);
        std::printf("%-24s %8lld %8.0f %8.0f %8.0f %8.1f %8.1f %8.1f\n", file.name,
                    static_cast<long long>(file.bytes.size() / 1024), median(f.read), median(f.import),
                    median(f.restart), median(f.select), median(f.remove), median(f.scroll));
    }
    return 0;
}
