#pragma once

#include "statement.h"

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace tvx::store {

// The one connection to the store file (`gcnnStore`). It opens an existing file only: the store is
// delivered with the program and never created here. Every failure throws StoreError with a
// description in the program's language that names the file.
class Connection final {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& path);
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }

    // Runs a data-changing statement and returns the number of rows it changed; a statement that
    // SQLite refuses leaves the file as it was.
    qint64 execute(const Statement& statement);

    // Whether the file has the table (column empty) or the table's column.
    bool hasColumn(const QString& table, const QString& column = {}) const;

    // Throws when the connection is closed or the file behind it was deleted or replaced.
    void ensureUsable() const;

    // Prepares a statement with its values bound; the caller finalises it.
    sqlite3_stmt* prepare(const Statement& statement) const;

    // Describes a failure of SQLite for the user; `code` is an SQLite result code.
    [[noreturn]] void fail(int code) const;

private:
    sqlite3* m_db = nullptr;
    QString m_path;
};

} // namespace tvx::store
