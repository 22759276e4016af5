#include "bookmarkservices.h"

#include "bookmarks/importsort.h"
#include "bookmarktransfer.h"
#include "evidence/evidencestore.h"
#include "platform/messagebox.h"
#include "ui/main/urllistkeeper.h"
#include "ui/main/urllistmodel.h"
#include "ui/results/resultsrecorder.h"
#include "ui/results/resultswindow.h"
#include "ui/results/resultwriter.h"

#include <QDesktopServices>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace tvx::ui {

BookmarkServices::BookmarkServices(QWidget* window, QTreeView* list, UrlListModel& model, store::Connection& connection,
                                   std::function<bool()> listLocked, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_list(list)
    , m_model(model)
    , m_connection(connection)
    , m_listLocked(std::move(listLocked))
    , m_open([](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); })
{
    setEvidenceRoot({});
    m_keeper = new UrlListKeeper(
        model, connection,
        [this](const QString& d) {
            storeWriteFailed(QStringLiteral("网址列表的更改无法保存到配置文件，关闭程序后这些更改会丢失。"), d);
        },
        this);
    m_transfer = new BookmarkTransfer(window, model, this);
    m_results = new ResultWriter(
        connection, [this](const QString& d) { storeWriteFailed(QStringLiteral("提交结果无法保存到配置文件。"), d); },
        this);

    m_recorder = std::make_unique<ResultsRecorder>(*m_results, model, [this](bool) {
        // Once the engine's handler has returned. The keyboard stays in the main window, where the
        // user has just answered the run's last box.
        const qint64 run = m_results->lastRun();
        if (m_showAfterRun && run > 0)
            QTimer::singleShot(0, this, [this, run] { showResults(run, false); });
    });

    // The list's own menu, raised by the right button and by the keyboard's menu key alike.
    m_menu = new QMenu(QStringLiteral("网址列表"), window);
    m_menu->setObjectName(QStringLiteral("mnuUrlList"));
    m_import = m_menu->addAction(QStringLiteral("导入书签(&I)..."), this, &BookmarkServices::importBookmarks);
    m_import->setObjectName(QStringLiteral("mnuListImport"));
    m_menu->addAction(QStringLiteral("导出书签(&O)..."), this, &BookmarkServices::exportBookmarks)
        ->setObjectName(QStringLiteral("mnuListExport"));
    m_menu->addAction(QStringLiteral("导出所选书签(&S)..."), this, &BookmarkServices::exportSelectedBookmarks)
        ->setObjectName(QStringLiteral("mnuListExportSelected"));
    m_menu->addSeparator()->setObjectName(QStringLiteral("mnuListLine"));
    m_menu->addAction(QStringLiteral("提交结果(&R)..."), this, [this] { showResults(); })
        ->setObjectName(QStringLiteral("mnuListResults"));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &BookmarkServices::listContextMenu);
}

BookmarkServices::~BookmarkServices() = default;

void BookmarkServices::setEvidenceRoot(const QString& root)
{
    const QString folder = root.isEmpty() ? evidence::EvidenceStore::defaultRoot() : root;
    m_findEvidence = [folder](const store::results::RunResults& run, int account, int bookmark) {
        return evidenceFor(evidence::EvidenceStore(folder), run, account, bookmark);
    };
    m_listEvidence = [folder](const store::results::RunResults& run, int account, int bookmark) {
        return cellEvidence(evidence::EvidenceStore(folder), run, account, bookmark);
    };
}

engine::RunRecorder& BookmarkServices::recorder() const
{
    return *m_recorder;
}

void BookmarkServices::restore()
{
    m_keeper->restore();
}

void BookmarkServices::listContextMenu(const QPoint& at)
{
    // The list does not change while a run reads it.
    m_import->setEnabled(!m_listLocked());
    m_menu->exec(m_list->viewport()->mapToGlobal(at));
}

void BookmarkServices::importBookmarks()
{
    if (!m_listLocked())
        m_transfer->importBookmarks();
}

void BookmarkServices::exportBookmarks()
{
    m_transfer->exportBookmarks();
}

void BookmarkServices::exportSelectedBookmarks()
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    m_transfer->exportBookmarks(rows, true);
}

QPair<int, int> BookmarkServices::removeFromList(const QStringList& urls)
{
    QSet<QString> gone;
    for (const QString& url : urls)
        gone.insert(bookmarks::addressKey(url));
    QList<int> positions;
    for (int i = 0; i < m_model.rowCount(); ++i)
        if (gone.contains(bookmarks::addressKey(m_model.rowAt(i).bookmark.url)))
            positions.append(i);
    if (!positions.isEmpty())
        m_model.removePositions(positions);
    return {int(positions.size()), m_model.rowCount()};
}

ResultsWindow* BookmarkServices::resultsWindow() const
{
    return m_resultsWindow;
}

void BookmarkServices::showResults(qint64 run, bool activate)
{
    m_results->flush();
    if (!m_resultsWindow) {
        ResultsWindow::Actions actions;
        actions.removeFromList = [this](const QStringList& urls) {
            return removeFromList(urls);
        };
        actions.findEvidence = m_findEvidence;
        actions.listEvidence = m_listEvidence;
        actions.open = m_open;
        actions.listLocked = m_listLocked;
        actions.retry = m_retry;
        m_resultsWindow = new ResultsWindow(m_connection, std::move(actions), m_window);
        m_resultsWindow->showRun(run);
    } else {
        m_resultsWindow->reload(run);
    }
    m_resultsWindow->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    m_resultsWindow->show();
    m_resultsWindow->raise();
    if (activate)
        m_resultsWindow->activateWindow();
}

void BookmarkServices::storeWriteFailed(const QString& what, const QString& description)
{
    if (m_storeFailureShown)
        return;
    m_storeFailureShown = true;
    MessageBox::error(m_window, what + QLatin1Char('\n') + description);
}

} // namespace tvx::ui
