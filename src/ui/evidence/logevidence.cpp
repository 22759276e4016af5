#include "logevidence.h"

#include "engine/submissionengine.h"
#include "evidencerecorder.h"
#include "platform/messagebox.h"
#include "ui/main/runlogmodel.h"
#include "ui/main/runlogview.h"

#include <QFileInfo>
#include <QMenu>

namespace tvx::ui {

namespace {
// The line a time-out writes ends so; only such a line can have evidence.
const QString kErrorLineEnd = QStringLiteral("时发生错误！");
} // namespace

LogEvidence::LogEvidence(RunLogView& log, QWebEngineView* worker, engine::SubmissionEngine& engine, const QString& root,
                         Opener open, QObject* parent)
    : QObject(parent)
    , m_log(log)
    , m_open(std::move(open))
{
    auto store =
        std::make_shared<evidence::EvidenceStore>(root.isEmpty() ? evidence::EvidenceStore::defaultRoot() : root);
    RunLogModel* model = log.logModel();
    m_recorder = std::make_unique<EvidenceRecorder>(
        worker, [model] { return model->rowCount(); }, store);
    engine.addRecorder(m_recorder.get());

    m_menu = new QMenu(&log);
    m_menu->setObjectName(QStringLiteral("mnuLog"));
    m_mnuPicture = m_menu->addAction(QStringLiteral("查看网页截图(&P)"));
    m_mnuPicture->setObjectName(QStringLiteral("mnuEvidencePicture"));
    m_mnuDocument = m_menu->addAction(QStringLiteral("查看网页文件(&H)"));
    m_mnuDocument->setObjectName(QStringLiteral("mnuEvidenceDocument"));
    m_mnuFolder = m_menu->addAction(QStringLiteral("打开证据文件夹(&F)"));
    m_mnuFolder->setObjectName(QStringLiteral("mnuEvidenceFolder"));

    log.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&log, &QWidget::customContextMenuRequested, this, &LogEvidence::showMenu);
    // A double-click on a line, or Enter on it.
    connect(&log, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { lineActivated(index.row()); });
}

LogEvidence::~LogEvidence() = default;

void LogEvidence::lineActivated(int line)
{
    const QModelIndex message = m_log.logModel()->index(line, RunLogModel::Message);
    if (!message.data().toString().endsWith(kErrorLineEnd))
        return;
    for (const evidence::Evidence& e : m_recorder->forLogLine(line)) {
        if (!e.png.isEmpty()) {
            open(e.png);
            return;
        }
    }
    MessageBox::information(
        m_log.window(),
        QStringLiteral("这一步没有留下网页证据：证据只保留最近 %1 次提交的，也可能无法写入证据文件夹“%2”。")
            .arg(evidence::EvidenceStore::kKeepRuns)
            .arg(m_recorder->store().root()));
}

void LogEvidence::showMenu(const QPoint& at)
{
    const QModelIndex index = m_log.indexAt(at);
    const QList<evidence::Evidence> found =
        index.isValid() ? m_recorder->forLogLine(index.row()) : QList<evidence::Evidence>();
    QString picture, document;
    for (const evidence::Evidence& e : found) {
        if (picture.isEmpty())
            picture = e.png;
        if (document.isEmpty())
            document = e.html;
    }
    const QString folder = found.isEmpty() ? QString() : m_recorder->store().runFolder(found.first().runStart);
    m_mnuPicture->setEnabled(!picture.isEmpty());
    m_mnuDocument->setEnabled(!document.isEmpty());
    m_mnuFolder->setEnabled(!folder.isEmpty());
    QAction* chosen = m_menu->exec(m_log.viewport()->mapToGlobal(at));
    if (chosen == m_mnuPicture)
        open(picture);
    else if (chosen == m_mnuDocument)
        open(document);
    else if (chosen == m_mnuFolder)
        open(folder);
}

void LogEvidence::open(const QString& path)
{
    if (!m_open(QUrl::fromLocalFile(path)))
        MessageBox::error(m_log.window(), QStringLiteral("无法打开“%1”。请确认系统中装有能打开它的程序。").arg(path));
}

} // namespace tvx::ui
