#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tvx::store {

class Connection;

struct TableColumns {
    QString table;
    QStringList columns;
};

// The tables and columns the program's statements rely on, in the order they are checked.
const QList<TableColumns>& requiredSchema();

// Throws StoreError naming the first table or column that the file lacks.
void checkTable(const Connection& connection, const TableColumns& table);
void checkSchema(const Connection& connection);

// The start-up read of the settings row: `Timeout` of the first row of S1, converted to whole seconds
// (halves to even). Throws StoreError when the table, the row or the value is missing or unusable.
qint16 loadTimeout(const Connection& connection);

// The pause between two submissions to the same site, whole seconds in Config's column SitePause of
// the settings row; 0 in a store that has no such column yet, or no usable value.
qint32 loadSitePause(const Connection& connection);
// Keeps the pause, adding the column to a store that lacks it.
void saveSitePause(Connection& connection, qint32 seconds);
// The longest pause that can be set (a day).
constexpr qint32 kMaxSitePause = 86400;

} // namespace tvx::store
