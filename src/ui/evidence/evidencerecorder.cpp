#include "evidencerecorder.h"

#include "pagesnapshot.h"

#include "engine/pagescripts.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tvx::ui {

namespace {
// How long the document may take to come; then the picture is written without it.
constexpr int kDocumentGuardMs = 5000;
// setHtml takes documents up to 2 MB; a larger one keeps the view's picture.
constexpr qsizetype kMaxDrawnBytes = 1900 * 1024;

// The writer yields to the run and to the browser: its thread runs at a lower priority (nice 10).
void lowerPriority()
{
    thread_local bool lowered = false;
    if (!lowered) {
        setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 10);
        lowered = true;
    }
}

QString failureKey(engine::RunRecorder::Failure failure)
{
    switch (failure) {
    case engine::RunRecorder::Failure::TimedOut:
        return QStringLiteral("timeout");
    case engine::RunRecorder::Failure::NothingToPress:
        return QStringLiteral("nothing-to-press");
    case engine::RunRecorder::Failure::StatementFailed:
        return QStringLiteral("statement-failed");
    case engine::RunRecorder::Failure::NoAnswer:
        return QStringLiteral("no-answer");
    case engine::RunRecorder::Failure::SiteRefused:
        return QStringLiteral("site-refused");
    }
    return QStringLiteral("failure");
}
} // namespace

struct EvidenceRecorder::Pending {
    evidence::Evidence entry;
    QImage picture;
    QByteArray html;
    bool written = false; // handed to the writer
};

EvidenceRecorder::EvidenceRecorder(QWebEngineView* worker, std::function<int()> logLines,
                                   std::shared_ptr<evidence::EvidenceStore> store, QObject* parent)
    : QObject(parent)
    , m_worker(worker)
    , m_logLines(std::move(logLines))
    , m_store(std::move(store))
    , m_snapshot(new PageSnapshot(this))
{
    m_writer.setMaxThreadCount(1);
}

EvidenceRecorder::~EvidenceRecorder()
{
    m_writer.waitForDone();
}

void EvidenceRecorder::runStarted(const QDateTime& start, int, int)
{
    m_start = start;
    m_account = 0;
    m_unlined.clear();
    m_runs.append({m_logLines ? m_logLines() : 0, start});
}

void EvidenceRecorder::accountStarted(int position, const QString& webName, const QString& uid)
{
    m_account = position;
    m_site = webName;
    m_uid = uid;
}

void EvidenceRecorder::stepFailed(int stage, int row, Failure failure)
{
    QElapsedTimer spent;
    spent.start();
    auto pending = std::make_shared<Pending>();
    evidence::Evidence& e = pending->entry;
    e.runStart = m_start;
    e.account = m_account;
    e.site = m_site;
    e.uid = m_uid;
    e.bookmark = row;
    e.stage = stage;
    e.failure = failureKey(failure);
    e.captured = QDateTime::currentDateTime();
    const QPair<int, int> key{m_account, row};
    if ((failure == Failure::TimedOut || failure == Failure::SiteRefused) && m_logLines) {
        // The time-out's error line is the log's last line: it reports this step, and the failures
        // the step had before it was given up.
        e.logLine = m_logLines() - 1;
        bool earlierWritten = false;
        for (const std::shared_ptr<Pending>& earlier : m_unlined.take(key)) {
            earlier->entry.logLine = e.logLine;
            earlierWritten = earlierWritten || earlier->written;
        }
        if (earlierWritten) {
            const auto store = m_store;
            const QDateTime start = m_start;
            const int account = m_account;
            const int line = e.logLine;
            m_writer.start([store, start, account, row, line] { store->setLogLine(start, account, row, line); });
        }
    } else {
        m_unlined[key].append(pending);
    }

    // The page as it is now: the picture at once, the document asked for now (it reaches the page
    // before any navigation the engine asks for afterwards).
    if (m_worker) {
        pending->picture = m_worker->grab().toImage();
        const QUrl address = m_worker->page()->url();
        ++m_inFlight;
        auto answered = std::make_shared<bool>(false);
        const auto done = [this, pending, answered, address](const QString& html) {
            if (*answered)
                return;
            *answered = true;
            // The document is kept as UTF-8 whatever its page was served in, and its head may still
            // name that encoding (a Chinese site's "gbk"); the byte-order mark tells a browser that
            // opens the file to read it as UTF-8 all the same.
            if (!html.isEmpty())
                pending->html = QByteArrayLiteral("\xEF\xBB\xBF") + html.toUtf8();
            if (html.isEmpty() || pending->html.size() > kMaxDrawnBytes) {
                --m_inFlight;
                write(pending);
                return;
            }
            QElapsedTimer drawing;
            drawing.start();
            m_snapshot->draw(html, address, [this, pending, drawing](const QImage& whole) {
                if (!whole.isNull()) {
                    pending->picture = whole;
                    ++m_cost.drawn;
                    m_cost.drawTotalMs += drawing.nsecsElapsed() / 1e6;
                }
                --m_inFlight;
                write(pending);
            });
        };
        // The document without what would run the site's scripts when the kept file is opened.
        m_worker->page()->runJavaScript(engine::pagescripts::inertDocument(), QWebEngineScript::ApplicationWorld,
                                        [done](const QVariant& html) { done(html.toString()); });
        QTimer::singleShot(kDocumentGuardMs, this, [done] { done(QString()); });
    } else {
        write(pending);
    }

    const double ms = spent.nsecsElapsed() / 1e6;
    ++m_cost.failures;
    m_cost.totalMs += ms;
    m_cost.maxMs = std::max(m_cost.maxMs, ms);
}

void EvidenceRecorder::write(const std::shared_ptr<Pending>& pending)
{
    pending->written = true;
    const auto store = m_store;
    const QPointer<EvidenceRecorder> self(this);
    // What the writer needs, copied now: the entry's log line may still change on this thread.
    const evidence::Evidence entry = pending->entry;
    const QImage picture = pending->picture;
    const QByteArray html = pending->html;
    m_writer.start([store, self, entry, picture, html] {
        lowerPriority();
        QByteArray png;
        if (!picture.isNull()) {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
        }
        const evidence::Evidence kept = store->add(entry, png, html);
        QMetaObject::invokeMethod(
            self.data(),
            [self, kept] {
                if (self)
                    emit self->kept(kept);
            },
            Qt::QueuedConnection);
    });
}

QList<evidence::Evidence> EvidenceRecorder::forLogLine(int line) const
{
    for (qsizetype i = m_runs.size() - 1; i >= 0; --i)
        if (m_runs.at(i).first <= line)
            return m_store->atLogLine(m_runs.at(i).second, line);
    return {};
}

bool EvidenceRecorder::flush(int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (m_inFlight > 0 && waited.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return m_inFlight == 0 && m_writer.waitForDone(int(std::max<qint64>(0, ms - waited.elapsed())));
}

} // namespace tvx::ui
