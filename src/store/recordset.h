#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace tvx::store {

class Connection;
struct Statement;

// A static, read-only snapshot of a query's result: every row is read when it is opened, so later
// changes to the file do not move under it. Fields are read by column name; the first column of
// that name wins (the run query names LoginUrl twice).
class Recordset final {
public:
    enum State { Closed = 0, Open = 1 };

    Recordset() = default;
    // A snapshot built from rows in memory (null values as invalid QVariants).
    Recordset(QStringList columns, QList<QVariantList> rows);

    void open(const Connection& connection, const Statement& statement);
    void close();
    State state() const { return m_state; }

    void moveFirst() { m_pos = 0; }
    void moveNext();
    bool eof() const { return m_state != Open || m_pos >= m_rows.size(); }
    qsizetype recordCount() const { return m_rows.size(); }

    bool hasColumn(const QString& name) const { return columnIndex(name) >= 0; }
    // The raw value of the current record; an invalid QVariant when the value is null or the column
    // or record does not exist.
    QVariant value(const QString& name) const;
    // Text reading: a null (or missing) value reads as the empty text, a number as its decimal text.
    QString text(const QString& name) const;
    // Boolean reading: null reads as false, a number as "not zero", a text as true/yes/-1/1.
    bool boolean(const QString& name) const;

    const QStringList& columns() const { return m_columns; }

private:
    qsizetype columnIndex(const QString& name) const;

    State m_state = Closed;
    QStringList m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_pos = 0;
};

} // namespace tvx::store
