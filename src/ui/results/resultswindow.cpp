#include "resultswindow.h"

#include "bookmarks/bookmarkfile.h"
#include "controls/button/command.h"
#include "platform/filechooser.h"
#include "platform/messagebox.h"
#include "store/connection.h"
#include "ui/errorbox.h"
#include "ui/formlayout.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tvx::ui {

using store::results::Outcome;

ResultsWindow::ResultsWindow(store::Connection& connection, Actions actions, QWidget* parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_actions(std::move(actions))
    , m_model(new ResultsModel(this))
{
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QStringLiteral("提交结果"));
    // An ordinary window rather than a dialog kept above the main window: it may go behind it.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowModality(Qt::NonModal);
    // Closing the main window ends the program, whether or not this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_model->setEvidenceFinder(m_actions.findEvidence);
    m_model->setEvidenceLister(m_actions.listEvidence);

    m_runLabel = new QLabel(QStringLiteral("运行(&R)："), this);
    m_runLabel->setObjectName(QStringLiteral("runLabel"));
    m_runChoice = new QComboBox(this);
    m_runChoice->setObjectName(QStringLiteral("runChoice"));
    m_runChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_runLabel->setBuddy(m_runChoice);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("resultTable"));
    m_table->setAccessibleName(QStringLiteral("提交结果"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setWordWrap(false);
    // Addresses differ at their ends more often than at their starts.
    m_table->setTextElideMode(Qt::ElideMiddle);
    // Tab leaves the table for the buttons below instead of walking its cells round and round.
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setDefaultSectionSize(190);
    m_table->horizontalHeader()->setMinimumSectionSize(30);

    m_cellMenu = new QMenu(QStringLiteral("失败时的证据"), this);
    m_cellMenu->setObjectName(QStringLiteral("mnuCellEvidence"));
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));

    m_exportButton = makeCommand(this, "exportButton", QStringLiteral("导出(&E)..."));
    m_keepFailedButton = makeCommand(this, "keepFailedButton", QStringLiteral("只保留失败的(&K)"), 120);
    m_retryButton = makeCommand(this, "retryButton", QStringLiteral("重试失败的(&F)"), 120);
    m_closeButton = makeCommand(this, "closeButton", QStringLiteral("关闭(&C)"));

    auto* top = new QHBoxLayout;
    top->addWidget(m_runLabel);
    top->addWidget(m_runChoice, 1);
    // The counts on a line of their own: beside four buttons they would widen the window past a small screen.
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_exportButton);
    bottom->addWidget(m_keepFailedButton);
    bottom->addWidget(m_retryButton);
    bottom->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addLayout(bottom);
    resizeToFit(this, 820, 460);

    connect(m_runChoice, &QComboBox::currentIndexChanged, this, &ResultsWindow::showChosenRun);
    connect(m_exportButton, &controls::Command::Click, this, &ResultsWindow::exportCsv);
    connect(m_keepFailedButton, &controls::Command::Click, this, &ResultsWindow::keepOnlyFailed);
    connect(m_retryButton, &controls::Command::Click, this, &ResultsWindow::retryFailed);
    connect(m_closeButton, &controls::Command::Click, this, &QDialog::accept);
    connect(m_table, &QAbstractItemView::activated, this, &ResultsWindow::openEvidence);
    connect(m_table, &QWidget::customContextMenuRequested, this, &ResultsWindow::cellMenu);

    loadRuns();
}

void ResultsWindow::loadRuns()
{
    QList<store::results::RunSummary> runs;
    showingStoreError(this, [&] { runs = store::results::runs(m_connection); });
    const QSignalBlocker quiet(m_runChoice);
    m_runChoice->clear();
    for (const store::results::RunSummary& r : runs) {
        QString text = r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                       QStringLiteral("　%1 个帐号 × %2 个网址　已提交 %3，失败 %4")
                           .arg(r.accounts)
                           .arg(r.bookmarks)
                           .arg(r.submitted)
                           .arg(r.failed);
        if (r.retryOf > 0) {
            const auto retried = std::find_if(runs.cbegin(), runs.cend(), [&](const auto& o) { return o.id == r.retryOf; });
            text += retried == runs.cend()
                        ? QStringLiteral("（重试）")
                        : QStringLiteral("（重试 %1 的失败）")
                              .arg(retried->started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
        if (r.aborted)
            text += QStringLiteral("（已中止）");
        else if (!r.finished.isValid())
            text += QStringLiteral("（未完成）");
        m_runChoice->addItem(text, r.id);
    }
    showRun(0);
}

void ResultsWindow::reload(qint64 run)
{
    loadRuns();
    showRun(run);
}

void ResultsWindow::showRun(qint64 run)
{
    int index = m_runChoice->findData(run);
    if (index < 0)
        index = m_runChoice->count() > 0 ? 0 : -1;
    if (index >= 0 && index == m_runChoice->currentIndex())
        showChosenRun(index);
    else
        m_runChoice->setCurrentIndex(index);
    if (index < 0)
        showChosenRun(-1);
}

void ResultsWindow::showChosenRun(int index)
{
    store::results::RunResults results;
    if (index >= 0)
        showingStoreError(
            this, [&] { results = store::results::load(m_connection, m_runChoice->itemData(index).toLongLong()); });
    m_model->setResults(std::move(results));
    // The bookmark's columns as wide as their texts, within bounds that leave room for the accounts.
    const auto fit = [this](int column, int least, int most) {
        m_table->resizeColumnToContents(column);
        QHeaderView* header = m_table->horizontalHeader();
        header->resizeSection(column, std::clamp(header->sectionSize(column), least, most));
    };
    fit(ResultsModel::Number, 30, 60);
    fit(ResultsModel::Url, 120, 360);
    fit(ResultsModel::Title, 80, 240);
    updateSummary();
}

void ResultsWindow::updateSummary()
{
    const bool any = m_model->rowCount() > 0;
    m_exportButton->setEnabled(any);
    m_keepFailedButton->setEnabled(any && bool(m_actions.removeFromList));
    m_retryButton->setEnabled(any && bool(m_actions.retry));
    if (m_runChoice->count() == 0) {
        m_summary->setText(QStringLiteral("还没有提交结果。每次提交的结果都会保存在这里（最近 %1 次）。")
                               .arg(store::results::kRunsKept));
        return;
    }
    int counts[7] = {};
    for (int r = 0; r < m_model->rowCount(); ++r)
        for (int a = 0; a < m_model->columnCount() - ResultsModel::FirstAccount; ++a)
            ++counts[int(m_model->cell(r, a).outcome)];
    m_summary->setText(
        QStringLiteral("✔ 已提交 %1　✘ 没有找到提交按钮 %2　◷ 超时 %3　⛔ 网站拒绝 %4　⊘ 站点被跳过 %5　· 未执行 %6")
            .arg(counts[int(Outcome::Submitted)])
            .arg(counts[int(Outcome::NoButton)])
            .arg(counts[int(Outcome::TimedOut)])
            .arg(counts[int(Outcome::Refused)])
            .arg(counts[int(Outcome::SiteSkipped)])
            .arg(counts[int(Outcome::NotReached)]));
}

void ResultsWindow::exportCsv()
{
    const store::results::RunSummary& run = m_model->results().run;
    const FileChooser::Choice choice = FileChooser::save(
        this, QStringLiteral("导出提交结果"), {QStringLiteral("CSV 表格 (*.csv)")},
        QStringLiteral("results-%1.csv").arg(run.started.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    if (choice.path.isEmpty())
        return;
    QString path = choice.path;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (!showingFileError(this, [&] { bookmarks::writeWholeFile(path, m_model->toCsv()); }))
        return;
    MessageBox::information(this, QStringLiteral("已把提交结果导出到“%1”。").arg(path));
}

void ResultsWindow::retryFailed()
{
    const store::results::RunResults& run = m_model->results();
    if (store::results::unsuccessful(run).isEmpty()) {
        MessageBox::information(this, QStringLiteral("这次提交全部成功，没有要重试的。"));
        return;
    }
    if (m_actions.listLocked && m_actions.listLocked()) {
        MessageBox::information(this, QStringLiteral("正在提交，请等这次提交结束后再重试。"));
        return;
    }
    m_actions.retry(run);
}

void ResultsWindow::keepOnlyFailed()
{
    const QStringList submitted = m_model->submittedSomewhere();
    if (submitted.isEmpty()) {
        MessageBox::information(this, QStringLiteral("这次提交没有成功提交的网址，网址列表保持不变。"));
        return;
    }
    // The window stays open while runs come and go; a run reads the list from its first row to its last.
    if (m_actions.listLocked && m_actions.listLocked()) {
        MessageBox::information(this, QStringLiteral("提交正在进行，网址列表现在不能更改。请在提交结束后再试。"));
        return;
    }
    if (!MessageBox::question(
            this,
            QStringLiteral("要从网址列表中移除这次至少提交成功一次的 %1 个网址，只保留处处失败或没有提交的网址吗？")
                .arg(submitted.size())))
        return;
    const auto [removed, left] = m_actions.removeFromList(submitted);
    MessageBox::information(this, QStringLiteral("已从网址列表中移除 %1 个网址，还剩 %2 个。").arg(removed).arg(left));
}

void ResultsWindow::openEvidence(const QModelIndex& index)
{
    openFile(index.data(ResultsModel::EvidenceRole).toString());
}

void ResultsWindow::openFile(const QString& path)
{
    if (path.isEmpty() || !m_actions.open)
        return;
    if (!m_actions.open(path))
        MessageBox::error(this, QStringLiteral("无法打开“%1”。").arg(path));
}

void ResultsWindow::cellMenu(const QPoint& at)
{
    const QModelIndex index = m_table->indexAt(at);
    const QList<CellEvidence> kept = m_model->evidenceList(index);
    if (kept.isEmpty())
        return;
    const int named =
        namedEvidence(kept, m_model->cell(index.row(), index.column() - ResultsModel::FirstAccount).outcome);
    m_cellMenu->clear();
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const CellEvidence& e = kept.at(i);
        QAction* action = m_cellMenu->addAction(
            QStringLiteral("%1（%2）").arg(e.step, e.captured.toString(QStringLiteral("HH:mm:ss"))));
        action->setObjectName(QStringLiteral("mnuCellEvidence%1").arg(i));
        const QString path = e.path;
        connect(action, &QAction::triggered, this, [this, path] { openFile(path); });
        if (i == named)
            m_cellMenu->setDefaultAction(action);
    }
    m_cellMenu->popup(m_table->viewport()->mapToGlobal(at));
}

} // namespace tvx::ui
