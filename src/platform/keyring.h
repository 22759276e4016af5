#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace tvx::platform {

// The desktop's keyring: the Secret Service on the session bus (GNOME Keyring, KWallet, KeePassXC),
// reached through QtKeychain, with the program's entries under one service name. Every call answers
// exactly once, later (never within the call), on this thread; a call the keyring leaves unanswered
// (a prompt nobody answers, a daemon that hangs) is answered as failed after kGuardMs.
class Keyring final : public QObject {
    Q_OBJECT
public:
    static constexpr int kGuardMs = 20000;

    struct Result {
        bool ok = false;
        QString password;  // what a read found
        bool missing = false; // a read found no such entry
        QString problem;   // why it failed, in the user's words
    };
    using Done = std::function<void(const Result&)>;

    explicit Keyring(QString service = QStringLiteral("Tavrinex"), QObject* parent = nullptr);

    void write(const QString& key, const QString& password, Done done);
    void read(const QString& key, Done done);
    void remove(const QString& key, Done done);

private:
    template <typename JobType> void run(JobType* job, Done done);

    QString m_service;
};

} // namespace tvx::platform
