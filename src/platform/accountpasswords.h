#pragma once

#include "engine/passwordsource.h"
#include "keyring.h"

#include <QObject>

namespace tvx::store {
class Connection;
}

namespace tvx::platform {

// Where the accounts' passwords are kept: in the desktop's keyring when one answers (an entry per
// account, keyed by site ID and user id; the account's Pwd in the store is then empty), otherwise in
// the store's Accounts.Pwd as the user typed them. A setting kept in the store itself (for a user who
// carries tvx.cfg between machines) keeps them in the store in any case.
//
// settle() brings the passwords to their place: those in the store move into the keyring, each
// leaving the store only once the keyring has given it back as written; with the setting on, those in
// the keyring come back into the store. Nothing is lost either way: a password that cannot be moved
// stays where it was. The runs ask password() (engine::PasswordSource).
class AccountPasswords final : public QObject, public engine::PasswordSource {
    Q_OBJECT
public:
    // Where the passwords are now, as far as the last look at the keyring told.
    enum class Place { Unknown, Keyring, StoreNoKeyring, StoreByChoice };

    // `service`: the keyring's service name for the program's entries.
    AccountPasswords(store::Connection& connection, const QString& service = QStringLiteral("Tavrinex"),
                     QObject* parent = nullptr);

    static QString key(qint64 siteId, const QString& uid);

    // The setting: passwords kept in the store. Store errors are thrown (store::StoreError).
    static bool keptInStore(const store::Connection& connection);
    static void setKeptInStore(store::Connection& connection, bool kept);
    bool keptInStore() const { return keptInStore(m_connection); }
    void setKeptInStore(bool kept) { setKeptInStore(m_connection, kept); }

    // Moves the passwords to their place (see above); `done` gets how many moved and how many could not.
    struct Moved {
        int moved = 0;
        int left = 0;
    };
    void settle(std::function<void(const Moved&)> done = {});

    // A new account's password: into the keyring when it answers. `done` gets true when it is there
    // (the account's Pwd in the store is then to be empty), false when the store is to keep it.
    void keep(qint64 siteId, const QString& uid, const QString& password, std::function<void(bool)> done);
    // A removed account's keyring entry goes too (the store's row is the caller's).
    void forget(qint64 siteId, const QString& uid);

    Place place() const { return m_place; }
    QString problem() const { return m_problem; }
    // The line the accounts dialog shows.
    QString placeText() const;

    // The keyring's password of the account (siteId, uid), as password() answers it.
    void kept(qint64 siteId, const QString& uid, Done done);

    // engine::PasswordSource
    void password(const QString& webName, const QString& uid, const QString& stored, Done done) override;

signals:
    void placeChanged();

private:
    struct Row {
        qint64 id;
        QString uid;
        QString pwd;
    };
    void setPlace(Place place, const QString& problem = {});
    void moveIn(QList<Row> rows, Moved moved, std::function<void(const Moved&)> done);
    void moveOut(QList<Row> rows, Moved moved, std::function<void(const Moved&)> done);
    void wipeFreedText();

    store::Connection& m_connection;
    Keyring m_keyring;
    Place m_place = Place::Unknown;
    QString m_problem;
};

} // namespace tvx::platform
