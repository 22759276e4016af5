#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tvx::engine {

// Where a run gets an account's password when the account starts: the store's Pwd as it is, or the
// desktop's keyring when the store keeps none. Without a source the run types the store's Pwd.
class PasswordSource {
public:
    struct Answer {
        std::optional<QString> password; // none: the password could not be read
        QString problem;                 // why not, in the user's words
    };
    using Done = std::function<void(const Answer&)>;

    virtual ~PasswordSource() = default;

    // The password of the account `uid` on the site `webName`, whose Pwd in the store is `stored`.
    // `done` is called exactly once, always later (never within this call), on this thread.
    virtual void password(const QString& webName, const QString& uid, const QString& stored, Done done) = 0;
};

} // namespace tvx::engine
