#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace tvx::platform {

// One copy of the program at a time on a store: two copies on one tvx.cfg would each rewrite the kept
// URL list and the accounts over the other's. The first copy holds a lock file beside the store (Qt's
// QLockFile, which a copy that was killed does not keep held) and listens on a local socket named
// after the store's path; a later start finds the lock held, tells the first copy so, and ends.
class OneCopyGuard final : public QObject {
    Q_OBJECT
public:
    explicit OneCopyGuard(const QString& storePath, QObject* parent = nullptr);
    ~OneCopyGuard() override;

    // True when no other copy holds the store: this one now does, until it is destroyed. False when
    // another copy holds it; that copy has been asked to come to the front (as far as it answers
    // within a few seconds).
    bool claim();
    // As claim(); when another copy holds the store but did not answer (it hangs, or runs on another
    // machine that shares the folder), says so in a box, so that a start never ends without a word.
    bool claimOrSay();

    // Who this copy is, as a later start is told when it finds the store held: the window program (the
    // default), or a program that runs without a window (`window` false, named `name` to the user). A
    // copy without a window never brings the window to the front: it only asks who holds the store.
    void setHolder(bool window, const QString& name);
    // After a claim that failed: whether the copy holding the store answered, whether it is the window
    // program, and its name ("Tavrinex 的窗口"); the name is empty when it did not answer.
    bool holderIsWindow() const { return m_holderWindow; }
    QString holderName() const { return m_holderName; }

    // The socket name for a store: the same for every spelling of its path.
    static QString socketName(const QString& storePath);

signals:
    // A later start on the same store asked this copy to come to the front.
    void anotherStart();

private:
    bool tellTheFirstCopy();
    bool m_answered = false;
    bool m_window = true;
    QString m_name;
    bool m_holderWindow = true;
    QString m_holderName;

    QString m_storePath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace tvx::platform
