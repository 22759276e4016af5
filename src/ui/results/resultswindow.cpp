#include "resultswindow.h"

#include "bookmarks/bookmarkfile.h"
#include "controls/button/command.h"
#include "platform/filechooser.h"
#include "platform/messagebox.h"
#include "store/connection.h"
#include "store/storeerror.h"
#include "ui/formlayout.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace tvx::ui {

using store::results::Outcome;

ResultsWindow::ResultsWindow(store::Connection& connection, Actions actions, QWidget* parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_actions(std::move(actions))
    , m_model(new ResultsModel(this))
{
    setObjectName(QStringLiteral("frmResults"));
    setWindowTitle(QStringLiteral("提交结果"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_model->setEvidenceFinder(m_actions.findEvidence);

    m_lblRuns = new QLabel(QStringLiteral("运行(&R)："), this);
    m_lblRuns->setObjectName(QStringLiteral("lblRuns"));
    m_cboRuns = new QComboBox(this);
    m_cboRuns->setObjectName(QStringLiteral("cboRuns"));
    m_cboRuns->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_lblRuns->setBuddy(m_cboRuns);

    m_tblResults = new QTableView(this);
    m_tblResults->setObjectName(QStringLiteral("tblResults"));
    m_tblResults->setAccessibleName(QStringLiteral("提交结果"));
    m_tblResults->setModel(m_model);
    m_tblResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tblResults->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_tblResults->setWordWrap(false);
    // Tab leaves the table for the buttons below instead of walking its cells round and round.
    m_tblResults->setTabKeyNavigation(false);
    m_tblResults->verticalHeader()->hide();
    m_tblResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tblResults->verticalHeader()->setDefaultSectionSize(m_tblResults->fontMetrics().height() + 6);
    m_tblResults->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_tblResults->horizontalHeader()->setDefaultSectionSize(190);
    m_tblResults->horizontalHeader()->setMinimumSectionSize(30);

    m_lblSummary = new QLabel(this);
    m_lblSummary->setObjectName(QStringLiteral("lblSummary"));

    m_cmdExport = addCommand(this, "cmdExport", QStringLiteral("导出(&E)..."), 0, 0);
    m_cmdKeepFailed = addCommand(this, "cmdKeepFailed", QStringLiteral("只保留失败的(&K)"), 0, 0, 120);
    m_cmdClose = addCommand(this, "cmdClose", QStringLiteral("关闭(&C)"), 0, 0);
    for (controls::Command* b : {m_cmdExport, m_cmdKeepFailed, m_cmdClose})
        b->setFixedSize(b->size());

    auto* top = new QHBoxLayout;
    top->addWidget(m_lblRuns);
    top->addWidget(m_cboRuns, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblSummary, 1);
    bottom->addWidget(m_cmdExport);
    bottom->addWidget(m_cmdKeepFailed);
    bottom->addWidget(m_cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(m_tblResults, 1);
    layout->addLayout(bottom);
    resizeToFit(this, 820, 460);

    connect(m_cboRuns, &QComboBox::currentIndexChanged, this, &ResultsWindow::cboRuns_Changed);
    connect(m_cmdExport, &controls::Command::Click, this, &ResultsWindow::cmdExport_Click);
    connect(m_cmdKeepFailed, &controls::Command::Click, this, &ResultsWindow::cmdKeepFailed_Click);
    connect(m_cmdClose, &controls::Command::Click, this, &QDialog::accept);
    connect(m_tblResults, &QAbstractItemView::activated, this, &ResultsWindow::tblResults_Activated);

    Form_Load();
}

void ResultsWindow::Form_Load()
{
    QList<store::results::RunSummary> runs;
    try {
        runs = store::results::runs(m_connection);
    } catch (const store::StoreError& e) {
        MessageBox::error(this, e.description());
    }
    const QSignalBlocker quiet(m_cboRuns);
    for (const store::results::RunSummary& r : runs) {
        QString text = r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                       QStringLiteral("　%1 个帐号 × %2 个网址　已提交 %3，失败 %4")
                           .arg(r.accounts)
                           .arg(r.bookmarks)
                           .arg(r.submitted)
                           .arg(r.failed);
        if (r.aborted)
            text += QStringLiteral("（已中止）");
        else if (!r.finished.isValid())
            text += QStringLiteral("（未完成）");
        m_cboRuns->addItem(text, r.id);
    }
    showRun(0);
}

void ResultsWindow::showRun(qint64 run)
{
    int index = m_cboRuns->findData(run);
    if (index < 0)
        index = m_cboRuns->count() > 0 ? 0 : -1;
    if (index >= 0 && index == m_cboRuns->currentIndex())
        cboRuns_Changed(index);
    else
        m_cboRuns->setCurrentIndex(index);
    if (index < 0)
        cboRuns_Changed(-1);
}

void ResultsWindow::cboRuns_Changed(int index)
{
    store::results::RunResults results;
    if (index >= 0) {
        try {
            results = store::results::load(m_connection, m_cboRuns->itemData(index).toLongLong());
        } catch (const store::StoreError& e) {
            MessageBox::error(this, e.description());
        }
    }
    m_model->setResults(std::move(results));
    m_tblResults->horizontalHeader()->resizeSection(ResultsModel::Number, 40);
    m_tblResults->horizontalHeader()->resizeSection(ResultsModel::Url, 220);
    m_tblResults->horizontalHeader()->resizeSection(ResultsModel::Title, 150);
    updateSummary();
}

void ResultsWindow::updateSummary()
{
    const bool any = m_model->rowCount() > 0;
    m_cmdExport->setEnabled(any);
    m_cmdKeepFailed->setEnabled(any && bool(m_actions.removeFromList));
    if (m_cboRuns->count() == 0) {
        m_lblSummary->setText(QStringLiteral("还没有提交结果。每次提交的结果都会保存在这里（最近 %1 次）。")
                                  .arg(store::results::kRunsKept));
        return;
    }
    int counts[5] = {};
    for (int r = 0; r < m_model->rowCount(); ++r)
        for (int a = 0; a < m_model->columnCount() - ResultsModel::FirstAccount; ++a)
            ++counts[int(m_model->cell(r, a).outcome)];
    m_lblSummary->setText(QStringLiteral("✔ 已提交 %1　✘ 没有找到提交按钮 %2　◷ 超时 %3　⊘ 站点被跳过 %4　· 未执行 %5")
                              .arg(counts[int(Outcome::Submitted)])
                              .arg(counts[int(Outcome::NoButton)])
                              .arg(counts[int(Outcome::TimedOut)])
                              .arg(counts[int(Outcome::SiteSkipped)])
                              .arg(counts[int(Outcome::NotReached)]));
}

void ResultsWindow::cmdExport_Click()
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
    try {
        bookmarks::writeWholeFile(path, m_model->toCsv());
    } catch (const bookmarks::FileError& e) {
        MessageBox::error(this, e.description());
        return;
    }
    MessageBox::information(this, QStringLiteral("已把提交结果导出到“%1”。").arg(path));
}

void ResultsWindow::cmdKeepFailed_Click()
{
    const QStringList submitted = m_model->submittedSomewhere();
    if (submitted.isEmpty()) {
        MessageBox::information(this, QStringLiteral("这次提交没有成功提交的网址，网址列表保持不变。"));
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

void ResultsWindow::tblResults_Activated(const QModelIndex& index)
{
    const QString evidence = index.data(ResultsModel::EvidenceRole).toString();
    if (evidence.isEmpty() || !m_actions.open)
        return;
    if (!m_actions.open(evidence))
        MessageBox::error(this, QStringLiteral("无法打开“%1”。").arg(evidence));
}

} // namespace tvx::ui
