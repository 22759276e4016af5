#pragma once

#include "sitedefinition.h"

#include <QList>

namespace tvx::store {
class Connection;
}

namespace tvx::sites {

// The site definitions in the store. The rows delivered with the file stay as delivered: only the rows
// the user made in the program (listed in the table UserSites, made on the first save) are written or
// deleted. A new row takes an ID never used before, by a site or an account, so that an account left
// from an old site can never point at a new one. Every failure throws store::StoreError.
class SiteStore final {
public:
    struct Entry {
        qint64 id = 0;
        QString name;
        QString loginUrl;
        QString submitUrl;
        bool own = false; // made by the user; false: delivered with the file, read-only
    };
    struct Account {
        QString uid;
        QString pwd;
    };

    explicit SiteStore(store::Connection& connection);

    // Every site, in ID order.
    QList<Entry> list() const;
    SiteDefinition read(qint64 id) const;
    bool isOwn(qint64 id) const;

    // Writes one row in one transaction: a definition without an ID becomes a new row with a new ID
    // (set on `definition`), one with an ID replaces the user's own row. Returns the row's ID.
    qint64 save(SiteDefinition& definition);
    // Deletes one of the user's own rows together with its accounts, in one transaction.
    void remove(qint64 id);

    int accountCount(qint64 id) const;
    QList<Account> accounts(qint64 id) const;

private:
    bool hasOwnTable() const;

    store::Connection& m_connection;
};

} // namespace tvx::sites
