#include "bookmarktransfer.h"

#include "bookmarks/delimited.h"
#include "bookmarks/netscape.h"
#include "platform/filechooser.h"
#include "platform/messagebox.h"
#include "ui/errorbox.h"
#include "ui/main/urllistmodel.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <optional>

namespace tvx::ui {

namespace {
// How many refused addresses the closing box names.
constexpr int kRefusalsShown = 5;

const QString kImportFilter = QStringLiteral("书签文件 (*.html *.htm *.csv *.tsv *.txt)");
const QString kHtmlFilter = QStringLiteral("网页书签文件 (*.html *.htm)");
const QString kCsvFilter = QStringLiteral("CSV 表格 (*.csv)");
const QString kTextFilter = QStringLiteral("制表符分隔的文本 (*.tsv *.txt)");
const QString kAllFilter = QStringLiteral("所有文件 (*)");

QString summaryOf(const QString& path, const bookmarks::ImportOutcome& o)
{
    QString text = QStringLiteral("从“%1”导入了 %2 个书签。").arg(QFileInfo(path).fileName()).arg(o.added.size());
    if (o.skipped > 0)
        text += QLatin1Char('\n') + QStringLiteral("跳过 %1 个：网址已在列表中。").arg(o.skipped);
    if (!o.refused.isEmpty()) {
        text += QStringLiteral("\n拒绝 %1 个：").arg(o.refused.size());
        for (qsizetype i = 0; i < o.refused.size() && i < kRefusalsShown; ++i) {
            const bookmarks::Refusal& r = o.refused.at(i);
            const QString url = r.url.size() > 80 ? r.url.left(77) + QStringLiteral("...") : r.url;
            text += QStringLiteral("\n第 %1 行 “%2”：%3").arg(r.line).arg(url, r.reason);
        }
        if (o.refused.size() > kRefusalsShown)
            text += QLatin1Char('\n') + QStringLiteral("……另有 %1 个。").arg(o.refused.size() - kRefusalsShown);
    }
    return text;
}
} // namespace

BookmarkTransfer::BookmarkTransfer(QWidget* window, UrlListModel& model, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_model(model)
{
}

void BookmarkTransfer::importBookmarks()
{
    const FileChooser::Choice choice = FileChooser::open(
        m_window, QStringLiteral("导入书签"), {kImportFilter, kHtmlFilter, kCsvFilter, kTextFilter, kAllFilter});
    if (!choice.path.isEmpty())
        importFile(choice.path);
}

std::optional<bookmarks::FileContents> BookmarkTransfer::read(const QString& path)
{
    if (QFileInfo(path).size() < m_backgroundFrom) {
        std::optional<bookmarks::FileContents> contents;
        showingFileError(m_window, [&] { contents = bookmarks::readBookmarkFile(path); });
        return contents;
    }
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancelled{false};
    std::optional<bookmarks::FileContents> contents;
    QString failure;
    QThread* reader = QThread::create([&] {
        try {
            contents = bookmarks::readBookmarkFile(path, [&](qint64 d, qint64 t) {
                done = d;
                total = t;
                return !cancelled.load();
            });
        } catch (const bookmarks::FileError& e) {
            failure = e.description();
        }
    });
    QEventLoop loop;
    connect(reader, &QThread::finished, &loop, &QEventLoop::quit);

    QProgressDialog progress(QStringLiteral("正在读取书签文件“%1”...").arg(QFileInfo(path).fileName()),
                             QStringLiteral("取消"), 0, 1000, m_window);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QStringLiteral("导入书签"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    connect(&progress, &QProgressDialog::canceled, &loop, [&] { cancelled = true; });
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (total > 0)
            progress.setValue(int(done * 1000 / total));
    });
    reader->start();
    // Shown at once and modal to the window: nothing else is changed while the file is read.
    progress.setValue(0);
    progress.show();
    emit progressShown(&progress);
    tick.start(50);
    loop.exec();
    reader->wait();
    delete reader;
    progress.hide();

    if (!failure.isEmpty()) {
        MessageBox::error(m_window, failure);
        return std::nullopt;
    }
    if (cancelled || progress.wasCanceled() || !contents || contents->stopped)
        return std::nullopt;
    return contents;
}

bookmarks::ImportOutcome BookmarkTransfer::importFile(const QString& path)
{
    const std::optional<bookmarks::FileContents> contents = read(path);
    if (!contents)
        return {};
    if (contents->items.isEmpty()) {
        MessageBox::information(
            m_window,
            QStringLiteral("文件“%1”中没有找到书签。请选择浏览器或网摘站点导出的书签文件（HTML），或者 CSV 表格。")
                .arg(QFileInfo(path).fileName()));
        return {};
    }
    bool foldersAsCategories = false;
    int inFolders = 0;
    for (const bookmarks::ImportedItem& item : contents->items)
        inFolders += item.folders.isEmpty() ? 0 : 1;
    if (inFolders > 0)
        foldersAsCategories = MessageBox::question(
            m_window,
            QStringLiteral("文件中有 %1 个书签放在文件夹中。要把文件夹的名称加为这些书签的分类吗？").arg(inFolders));

    QSet<QString> known;
    known.reserve(m_model.rowCount());
    for (int i = 0; i < m_model.rowCount(); ++i)
        known.insert(bookmarks::addressKey(m_model.rowAt(i).bookmark.url));
    bookmarks::ImportOutcome outcome = bookmarks::sortImported(contents->items, known, foldersAsCategories);
    m_model.appendMany(outcome.added);
    MessageBox::information(m_window, summaryOf(path, outcome));
    return outcome;
}

void BookmarkTransfer::exportBookmarks(const QList<int>& positions, bool selectedOnly)
{
    QList<Bookmark> list;
    if (selectedOnly) {
        QList<int> sorted = positions;
        std::sort(sorted.begin(), sorted.end());
        for (int p : sorted)
            if (p >= 0 && p < m_model.rowCount())
                list.append(m_model.rowAt(p).bookmark);
        if (list.isEmpty()) {
            MessageBox::information(m_window, QStringLiteral("请先在网址列表中选择要导出的书签！"));
            return;
        }
    } else {
        for (int i = 0; i < m_model.rowCount(); ++i)
            list.append(m_model.rowAt(i).bookmark);
        if (list.isEmpty()) {
            MessageBox::information(m_window, QStringLiteral("网址列表是空的，没有可导出的书签。"));
            return;
        }
    }
    const FileChooser::Choice choice = FileChooser::save(m_window, QStringLiteral("导出书签"),
                                                         {kHtmlFilter, kCsvFilter}, QStringLiteral("bookmarks.html"));
    if (choice.path.isEmpty())
        return;
    QString path = choice.path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool csv = suffix == QLatin1String("csv");
    if (suffix.isEmpty()) {
        csv = choice.filter == kCsvFilter;
        path += csv ? QStringLiteral(".csv") : QStringLiteral(".html");
    }
    const bool written = showingFileError(m_window, [&] {
        bookmarks::writeWholeFile(path, csv ? bookmarks::delimited::writeCsv(list)
                                            : bookmarks::netscape::write(list, QDateTime::currentSecsSinceEpoch()));
    });
    if (!written)
        return;
    MessageBox::information(m_window, QStringLiteral("已把 %1 个书签导出到“%2”。").arg(list.size()).arg(path));
}

} // namespace tvx::ui
