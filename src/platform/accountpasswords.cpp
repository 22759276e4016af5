#include "accountpasswords.h"

#include "store/connection.h"
#include "store/recordset.h"
#include "store/storeerror.h"

#include <QTimer>

namespace tvx::platform {

namespace {
const QString kProbeKey = QStringLiteral("probe");
const QString kEmpty = QStringLiteral("(Pwd='' OR Pwd IS NULL)");
} // namespace

AccountPasswords::AccountPasswords(store::Connection& connection, const QString& service, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_keyring(service, this)
{
}

QString AccountPasswords::key(qint64 siteId, const QString& uid)
{
    return QString::number(siteId) + QLatin1Char('/') + uid;
}

bool AccountPasswords::keptInStore(const store::Connection& connection)
{
    if (!connection.hasColumn(QStringLiteral("PasswordPlace")))
        return false;
    store::Recordset rs;
    rs.open(connection, {QStringLiteral("SELECT InStore FROM PasswordPlace WHERE ID=0"), {}});
    return !rs.eof() && rs.boolean(QStringLiteral("InStore"));
}

void AccountPasswords::setKeptInStore(store::Connection& connection, bool kept)
{
    // A table of the program's own beside the fixed ones; a store without it keeps the default.
    connection.execute({QStringLiteral("CREATE TABLE IF NOT EXISTS PasswordPlace (ID INTEGER NOT NULL PRIMARY KEY, "
                                       "InStore INTEGER NOT NULL)"),
                        {}});
    connection.execute({QStringLiteral("INSERT OR REPLACE INTO PasswordPlace(ID,InStore) VALUES(0,?)"), {kept ? 1 : 0}});
}

void AccountPasswords::setPlace(Place place, const QString& problem)
{
    m_place = place;
    m_problem = problem;
    emit placeChanged();
}

QString AccountPasswords::placeText() const
{
    switch (m_place) {
    case Place::Keyring:
        return QStringLiteral("密码保存在桌面的钥匙环中。");
    case Place::StoreNoKeyring:
        return QStringLiteral("%1，密码保存在配置文件中。").arg(m_problem);
    case Place::StoreByChoice:
        return QStringLiteral("按系统参数的设置，密码保存在配置文件中。");
    case Place::Unknown:
        break;
    }
    return QString();
}

void AccountPasswords::settle(std::function<void(const Moved&)> done)
{
    const auto finish = [done](const Moved& moved) {
        if (done)
            done(moved);
    };
    QList<Row> rows;
    bool inStore = false;
    try {
        inStore = keptInStore();
        // What a password leaves behind when it is rewritten is overwritten, not only freed.
        m_connection.execute({QStringLiteral("PRAGMA secure_delete=ON"), {}});
        store::Recordset rs;
        rs.open(m_connection, {QStringLiteral("SELECT ID,Uid,Pwd FROM Accounts WHERE ") +
                                   (inStore ? kEmpty : QStringLiteral("NOT ") + kEmpty),
                               {}});
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            rows.append({rs.value(QStringLiteral("ID")).toLongLong(), rs.text(QStringLiteral("Uid")),
                         rs.text(QStringLiteral("Pwd"))});
    } catch (const store::StoreError& e) {
        setPlace(Place::StoreNoKeyring, e.description());
        QTimer::singleShot(0, this, [finish] { finish({}); });
        return;
    }
    if (inStore) {
        setPlace(Place::StoreByChoice);
        moveOut(rows, {}, finish);
        return;
    }
    // A keyring that is there but locked, or refuses, is found out by a write, also with nothing to move.
    m_keyring.write(kProbeKey, kProbeKey, [this, rows, finish](const Keyring::Result& probe) {
        if (!probe.ok) {
            setPlace(Place::StoreNoKeyring, probe.problem);
            finish({0, int(rows.size())});
            return;
        }
        m_keyring.remove(kProbeKey, [](const Keyring::Result&) {});
        moveIn(rows, {}, finish);
    });
}

// One password after the other: written, read back, and only then taken out of the store.
void AccountPasswords::moveIn(QList<Row> rows, Moved moved, std::function<void(const Moved&)> done)
{
    if (rows.isEmpty()) {
        if (moved.moved > 0)
            wipeFreedText();
        setPlace(Place::Keyring);
        done(moved);
        return;
    }
    const Row row = rows.takeFirst();
    const auto stop = [this, rows, moved, done](const QString& problem) {
        Moved now = moved;
        now.left += int(rows.size()) + 1;
        if (now.moved > 0)
            wipeFreedText();
        setPlace(Place::StoreNoKeyring, problem);
        done(now);
    };
    m_keyring.write(key(row.id, row.uid), row.pwd, [this, row, rows, moved, done, stop](const Keyring::Result& written) {
        if (!written.ok) {
            stop(written.problem);
            return;
        }
        m_keyring.read(key(row.id, row.uid), [this, row, rows, moved, done, stop](const Keyring::Result& back) {
            if (!back.ok || back.password != row.pwd) {
                stop(back.ok ? QStringLiteral("钥匙环没有正确保存密码") : back.problem);
                return;
            }
            Moved now = moved;
            try {
                // Only the password that was moved: a row the user changed meanwhile keeps its own.
                m_connection.execute({QStringLiteral("UPDATE Accounts SET Pwd='' WHERE ID=? AND Uid=? AND Pwd=?"),
                                      {row.id, row.uid, row.pwd}});
                ++now.moved;
            } catch (const store::StoreError& e) {
                stop(e.description());
                return;
            }
            moveIn(rows, now, done);
        });
    });
}

void AccountPasswords::moveOut(QList<Row> rows, Moved moved, std::function<void(const Moved&)> done)
{
    if (rows.isEmpty()) {
        done(moved);
        return;
    }
    const Row row = rows.takeFirst();
    m_keyring.read(key(row.id, row.uid), [this, row, rows, moved, done](const Keyring::Result& found) {
        Moved now = moved;
        bool back = false;
        if (found.ok) {
            try {
                m_connection.execute({QStringLiteral("UPDATE Accounts SET Pwd=? WHERE ID=? AND Uid=? AND ") + kEmpty,
                                      {found.password, row.id, row.uid}});
                back = true;
            } catch (const store::StoreError&) {
            }
        }
        if (back) {
            ++now.moved;
            m_keyring.remove(key(row.id, row.uid), [](const Keyring::Result&) {});
        } else {
            ++now.left;
        }
        moveOut(rows, now, done);
    });
}

// The store's file keeps no copy of a moved password: its freed space was overwritten (secure_delete)
// and the file is rebuilt without free pages; a write-ahead log is emptied.
void AccountPasswords::wipeFreedText()
{
    try {
        m_connection.execute({QStringLiteral("VACUUM"), {}});
        m_connection.execute({QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), {}});
    } catch (const store::StoreError&) {
        // The passwords are in the keyring and out of the rows; secure_delete has overwritten them.
    }
}

void AccountPasswords::keep(qint64 siteId, const QString& uid, const QString& password, std::function<void(bool)> done)
{
    bool inStore = false;
    try {
        inStore = keptInStore();
    } catch (const store::StoreError&) {
    }
    if (inStore) {
        setPlace(Place::StoreByChoice);
        QTimer::singleShot(0, this, [done] { done(false); });
        return;
    }
    m_keyring.write(key(siteId, uid), password, [this, siteId, uid, password, done](const Keyring::Result& written) {
        if (!written.ok) {
            setPlace(Place::StoreNoKeyring, written.problem);
            done(false);
            return;
        }
        m_keyring.read(key(siteId, uid), [this, password, done](const Keyring::Result& back) {
            const bool there = back.ok && back.password == password;
            setPlace(there ? Place::Keyring : Place::StoreNoKeyring,
                     there ? QString() : (back.ok ? QStringLiteral("钥匙环没有正确保存密码") : back.problem));
            done(there);
        });
    });
}

void AccountPasswords::forget(qint64 siteId, const QString& uid)
{
    m_keyring.remove(key(siteId, uid), [](const Keyring::Result&) {});
}

void AccountPasswords::password(const QString& webName, const QString& uid, const QString& stored, Done done)
{
    if (!stored.isEmpty()) {
        QTimer::singleShot(0, this, [stored, done] { done({stored, {}}); });
        return;
    }
    std::optional<qint64> siteId;
    QString problem = QStringLiteral("找不到这个帐号");
    try {
        store::Recordset rs;
        rs.open(m_connection, {QStringLiteral("SELECT A.ID FROM Accounts A JOIN BookMarkWeb B ON B.ID=A.ID "
                                              "WHERE B.WebName=? AND A.Uid=? AND (A.Pwd='' OR A.Pwd IS NULL)"),
                               {webName, uid}});
        if (!rs.eof())
            siteId = rs.value(QStringLiteral("ID")).toLongLong();
    } catch (const store::StoreError& e) {
        problem = e.description();
    }
    if (!siteId) {
        QTimer::singleShot(0, this, [problem, done] { done({std::nullopt, problem}); });
        return;
    }
    kept(*siteId, uid, std::move(done));
}

void AccountPasswords::kept(qint64 siteId, const QString& uid, Done done)
{
    m_keyring.read(key(siteId, uid), [done](const Keyring::Result& found) {
        if (found.ok)
            done({found.password, {}});
        else
            done({std::nullopt, found.problem});
    });
}

} // namespace tvx::platform
