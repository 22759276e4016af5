#include "resultwriter.h"

#include "store/connection.h"
#include "store/storeerror.h"

namespace tvx::ui {

ResultWriter::ResultWriter(store::Connection& connection, Reporter report, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_report(std::move(report))
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(1000);
    connect(&m_flush, &QTimer::timeout, this, &ResultWriter::flush);
}

ResultWriter::~ResultWriter()
{
    flush();
}

bool ResultWriter::attempt(const std::function<void()>& write)
{
    if (!m_connection.isOpen())
        return false;
    try {
        write();
        return true;
    } catch (const store::StoreError& e) {
        if (!m_reported) {
            m_reported = true;
            m_report(e.description());
        }
        return false;
    }
}

void ResultWriter::beginRun(const QDateTime& started, const QList<store::results::RunBookmark>& bookmarks)
{
    flush();
    m_run = 0;
    m_accounts.clear();
    m_cells.clear();
    attempt([&] { m_run = store::results::beginRun(m_connection, started, bookmarks); });
    m_lastRun = m_run;
}

void ResultWriter::markRetry(qint64 retried)
{
    if (m_run == 0 || retried <= 0)
        return;
    attempt([&] { store::results::markRetry(m_connection, m_run, retried); });
}

void ResultWriter::account(int account, const store::results::RunAccount& who)
{
    if (m_run == 0)
        return;
    m_accounts.append({account, who});
    if (!m_flush.isActive())
        m_flush.start();
}

void ResultWriter::cell(const store::results::Cell& cell)
{
    if (m_run == 0)
        return;
    m_cells.append(cell);
    if (!m_flush.isActive())
        m_flush.start();
}

void ResultWriter::flush()
{
    m_flush.stop();
    if (m_run == 0 || (m_accounts.isEmpty() && m_cells.isEmpty()))
        return;
    const auto accounts = std::exchange(m_accounts, {});
    const auto cells = std::exchange(m_cells, {});
    attempt([&] { store::results::record(m_connection, m_run, accounts, cells); });
}

void ResultWriter::finishRun(const QDateTime& finished, bool aborted)
{
    if (m_run == 0)
        return;
    flush();
    const qint64 run = std::exchange(m_run, 0);
    attempt([&] { store::results::finishRun(m_connection, run, finished, aborted); });
}

} // namespace tvx::ui
