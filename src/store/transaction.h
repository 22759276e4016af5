#pragma once

#include "connection.h"

namespace tvx::store {

// Several statements that reach the file together or not at all: the changes are undone unless
// commit() succeeded.
class Transaction final {
public:
    explicit Transaction(Connection& connection)
        : m_connection(connection)
    {
        // IMMEDIATE takes the write lock at once, so a locked file fails here and not halfway.
        m_connection.execute({QStringLiteral("BEGIN IMMEDIATE"), {}});
    }
    ~Transaction()
    {
        if (!m_committed) {
            try {
                m_connection.execute({QStringLiteral("ROLLBACK"), {}});
            } catch (...) {
                // The failure that brought us here is the one reported.
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        m_connection.execute({QStringLiteral("COMMIT"), {}});
        m_committed = true;
    }

private:
    Connection& m_connection;
    bool m_committed = false;
};

} // namespace tvx::store
