#include "recordset.h"

#include "connection.h"
#include "statement.h"

#include <sqlite3.h>

namespace tvx::store {

namespace {
QVariant columnValue(sqlite3_stmt* stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(stmt, col));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, col);
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, col)), sqlite3_column_bytes(stmt, col));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, col));
    }
    }
}
} // namespace

Recordset::Recordset(QStringList columns, QList<QVariantList> rows)
    : m_state(Open)
    , m_columns(std::move(columns))
    , m_rows(std::move(rows))
{
}

void Recordset::open(const Connection& connection, const Statement& statement)
{
    close();
    sqlite3_stmt* stmt = connection.prepare(statement);
    const int columnCount = sqlite3_column_count(stmt);
    QStringList columns;
    for (int c = 0; c < columnCount; ++c)
        columns.append(QString::fromUtf8(sqlite3_column_name(stmt, c)));
    QList<QVariantList> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(columnCount);
        for (int c = 0; c < columnCount; ++c)
            row.append(columnValue(stmt, c));
        rows.append(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        connection.fail(rc);
    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_pos = 0;
    m_state = Open;
}

void Recordset::close()
{
    m_state = Closed;
    m_columns.clear();
    m_rows.clear();
    m_pos = 0;
}

void Recordset::moveNext()
{
    if (m_pos < m_rows.size())
        ++m_pos;
}

qsizetype Recordset::columnIndex(const QString& name) const
{
    // Column names compare without regard to letter case, as SQL names do.
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::value(const QString& name) const
{
    const qsizetype col = columnIndex(name);
    if (col < 0 || eof())
        return {};
    return m_rows.at(m_pos).value(col);
}

QString Recordset::text(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

bool Recordset::boolean(const QString& name) const
{
    const QVariant v = value(name);
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong() != 0;
    case QMetaType::Double:
        return v.toDouble() != 0.0;
    default: {
        const QString t = v.toString().trimmed().toLower();
        return t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("-1") ||
               t == QLatin1String("1");
    }
    }
}

} // namespace tvx::store
