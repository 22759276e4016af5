#pragma once

#include "core/bookmark.h"

#include <QList>

namespace tvx::store {

class Connection;

// The URL list as the store keeps it, in the table UrlList of our own (the tables the rest of the
// program reads are not touched): one row per bookmark in list order (`Seq`), with its row number
// and key as the list shows and keeps them.
struct KeptRow {
    qint64 seq = 0;
    qint64 number = 0;
    QString key;
    Bookmark bookmark;

    friend bool operator==(const KeptRow&, const KeptRow&) = default;
};

namespace urllist {

// Creates the table in a store that does not have it yet.
void create(Connection& connection);

// The kept rows in list order; a store without the table keeps none.
QList<KeptRow> load(const Connection& connection);

// Adds rows (with their `seq` set by the caller, above every kept one), all or none.
void append(Connection& connection, const QList<KeptRow>& rows);

// Removes the rows of these `seq` values, all or none.
void remove(Connection& connection, const QList<qint64>& seqs);

// Makes the table hold exactly `rows`, all or nothing.
void replace(Connection& connection, const QList<KeptRow>& rows);

} // namespace urllist
} // namespace tvx::store
