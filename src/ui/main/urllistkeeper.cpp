#include "urllistkeeper.h"

#include "store/connection.h"
#include "store/storeerror.h"
#include "store/urllisttable.h"
#include "urllistmodel.h"

namespace tvx::ui {

UrlListKeeper::UrlListKeeper(UrlListModel& model, store::Connection& connection, Reporter report, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_connection(connection)
    , m_report(std::move(report))
{
    connect(&m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { rowsInserted(first, last); });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { rowsAboutToBeRemoved(first, last); });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] { rowsRemoved(); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { modelReset(); });
}

bool UrlListKeeper::active() const
{
    return m_restored && !m_restoring && m_connection.isOpen();
}

void UrlListKeeper::restore()
{
    if (!m_connection.isOpen())
        return;
    QList<store::KeptRow> kept;
    try {
        store::urllist::create(m_connection);
        kept = store::urllist::load(m_connection);
    } catch (const store::StoreError& e) {
        // A store that cannot be written yet still shows the list it holds; the table is made, and the
        // failure reported, at the first change.
        m_inStep = false;
        try {
            kept = store::urllist::load(m_connection);
        } catch (const store::StoreError&) {
            m_report(e.description());
            m_reported = true;
        }
    }
    QList<UrlListModel::Row> rows;
    rows.reserve(kept.size());
    m_seqs.clear();
    for (const store::KeptRow& k : kept) {
        rows.append({k.number, k.key, k.bookmark});
        m_seqs.append(k.seq);
        m_nextSeq = std::max(m_nextSeq, k.seq + 1);
    }
    m_restoring = true;
    m_model.restore(rows);
    m_restoring = false;
    m_restored = true;
    // Keys made anew for kept rows that had none keep the store in step with the model.
    for (int i = 0; i < kept.size() && m_inStep; ++i)
        if (m_model.rowAt(i).key != kept.at(i).key)
            m_inStep = false;
}

void UrlListKeeper::write(const std::function<void()>& change)
{
    try {
        if (m_inStep)
            change();
        else
            writeAll();
        m_inStep = true;
        m_reported = false;
    } catch (const store::StoreError& e) {
        m_inStep = false;
        if (!m_reported) {
            m_reported = true;
            m_report(e.description());
        }
    }
}

void UrlListKeeper::writeAll()
{
    QList<store::KeptRow> rows;
    const int n = m_model.rowCount();
    rows.reserve(n);
    QList<qint64> seqs;
    seqs.reserve(n);
    for (int i = 0; i < n; ++i) {
        const UrlListModel::Row& r = m_model.rowAt(i);
        rows.append({i + 1, r.number, r.key, r.bookmark});
        seqs.append(i + 1);
    }
    store::urllist::replace(m_connection, rows);
    m_seqs = std::move(seqs);
    m_nextSeq = n + 1;
}

void UrlListKeeper::rowsInserted(int first, int last)
{
    if (!active())
        return;
    if (first != m_seqs.size() || !m_inStep) {
        // Only appending keeps the order of Seq; anything else writes the list again.
        for (int i = first; i <= last; ++i)
            m_seqs.insert(i, 0);
        write([this] { writeAll(); });
        return;
    }
    QList<store::KeptRow> rows;
    rows.reserve(last - first + 1);
    qint64 seq = m_nextSeq;
    for (int i = first; i <= last; ++i) {
        const UrlListModel::Row& r = m_model.rowAt(i);
        rows.append({seq++, r.number, r.key, r.bookmark});
    }
    for (const store::KeptRow& r : rows)
        m_seqs.append(r.seq);
    m_nextSeq = seq;
    write([&] { store::urllist::append(m_connection, rows); });
}

void UrlListKeeper::rowsAboutToBeRemoved(int first, int last)
{
    m_removing.clear();
    if (!active())
        return;
    m_removing = m_seqs.mid(first, last - first + 1);
    m_seqs.remove(first, last - first + 1);
}

void UrlListKeeper::rowsRemoved()
{
    if (!active())
        return;
    const QList<qint64> seqs = std::exchange(m_removing, {});
    write([&] { store::urllist::remove(m_connection, seqs); });
}

void UrlListKeeper::modelReset()
{
    if (!active())
        return;
    write([this] { writeAll(); });
}

} // namespace tvx::ui
