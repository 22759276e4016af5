#include "onecopy.h"

#include "messagebox.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace tvx::platform {

namespace {
// How long a later start tries to reach the first copy, which may itself be starting.
constexpr int kReachMs = 5000;
// What a later start asks: the window program comes to the front; a copy without a window only asks.
const QByteArray kToFront = QByteArrayLiteral("front\n");
const QByteArray kWho = QByteArrayLiteral("who\n");
// The first copy's answer: "window" or "run", a tab, its name to the user, a new line.
const QByteArray kWindowKind = QByteArrayLiteral("window");

QString canonicalStore(const QString& storePath)
{
    const QFileInfo info(storePath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
} // namespace

OneCopyGuard::OneCopyGuard(const QString& storePath, QObject* parent)
    : QObject(parent)
    , m_storePath(canonicalStore(storePath))
    , m_lock(m_storePath + QStringLiteral(".lock"))
{
    // A copy that hangs keeps its lock; one that died leaves a lock whose process is gone, which
    // QLockFile takes over at once.
    m_lock.setStaleLockTime(0);
    m_name = QStringLiteral("Tavrinex 的窗口");
}

void OneCopyGuard::setHolder(bool window, const QString& name)
{
    m_window = window;
    m_name = name;
}

OneCopyGuard::~OneCopyGuard() = default;

QString OneCopyGuard::socketName(const QString& storePath)
{
    // Socket names are short (a Unix socket path has 108 bytes); the hash stands for the path.
    return QStringLiteral("tavrinex-") +
           QString::fromLatin1(
               QCryptographicHash::hash(canonicalStore(storePath).toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

bool OneCopyGuard::claim()
{
    if (m_server)
        return true;
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            m_answered = tellTheFirstCopy();
            return false;
        }
        // The lock file cannot be made (a folder the user may not write): the store itself cannot be
        // written either, and the program says so when it tries; there is nothing to guard.
    }
    const QString name = socketName(m_storePath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a copy that was killed would keep the name taken.
    QLocalServer::removeServer(name);
    m_server->listen(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const QByteArray asked = socket->readAll();
                if (!asked.contains('\n'))
                    return;
                socket->write((m_window ? kWindowKind : QByteArrayLiteral("run")) + '\t' + m_name.toUtf8() + '\n');
                // Only the window program comes to the front, and only when a window program asks.
                if (m_window && asked.startsWith(kToFront))
                    emit anotherStart();
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

bool OneCopyGuard::claimOrSay()
{
    if (claim())
        return true;
    if (!m_answered)
        ui::MessageBox::information(
            nullptr, QStringLiteral("另一个 Tavrinex 正在使用配置文件“%1”，但没有响应。请先关闭它，然后再启动程序。")
                         .arg(QDir::toNativeSeparators(m_storePath)));
    else if (!m_holderWindow)
        ui::MessageBox::information(nullptr, QStringLiteral("%1正在使用配置文件“%2”。请等它结束后再启动程序。")
                                                 .arg(m_holderName, QDir::toNativeSeparators(m_storePath)));
    return false;
}

bool OneCopyGuard::tellTheFirstCopy()
{
    // The first copy may have its lock but not yet its socket: try again until it listens.
    const QDeadlineTimer deadline(kReachMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketName(m_storePath));
        if (socket.waitForConnected(500)) {
            socket.write(m_window ? kToFront : kWho);
            const bool sent = socket.waitForBytesWritten(1000);
            if (sent) {
                // The answer names the holder; a copy that does not say is taken for the window program.
                QByteArray answer;
                while (!answer.contains('\n') && socket.waitForReadyRead(1000))
                    answer += socket.readAll();
                answer += socket.readAll();
                const QList<QByteArray> parts = answer.trimmed().split('\t');
                m_holderWindow = parts.value(0) != QByteArrayLiteral("run");
                m_holderName = QString::fromUtf8(parts.value(1));
                socket.disconnectFromServer();
                return true;
            }
            socket.disconnectFromServer();
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace tvx::platform
