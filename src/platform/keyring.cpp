#include "keyring.h"

#include <qt6keychain/keychain.h>

#include <QPointer>
#include <QTimer>

#include <memory>

namespace tvx::platform {

namespace {
QString problemText(QKeychain::Error error, const QString& detail)
{
    switch (error) {
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("没有可用的钥匙环");
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        return QStringLiteral("钥匙环拒绝访问或仍然锁定");
    case QKeychain::EntryNotFound:
        return QStringLiteral("钥匙环中没有这个密码");
    case QKeychain::CouldNotDeleteEntry:
        return QStringLiteral("钥匙环无法删除这个密码");
    default:
        // No Secret Service on the session bus (nor one it could start), or no session bus at all.
        if (detail.contains(QLatin1String("org.freedesktop.secrets")) || detail.contains(QLatin1String("ServiceUnknown")) ||
            detail.contains(QLatin1String("was not provided by any .service files")) ||
            detail.contains(QLatin1String("DBUS_SESSION_BUS_ADDRESS")) || detail.contains(QLatin1String("D-Bus")))
            return QStringLiteral("没有可用的钥匙环");
        return detail.isEmpty() ? QStringLiteral("钥匙环没有完成操作") : QStringLiteral("钥匙环无法使用（%1）").arg(detail);
    }
}
} // namespace

Keyring::Keyring(QString service, QObject* parent)
    : QObject(parent)
    , m_service(std::move(service))
{
}

template <typename JobType> void Keyring::run(JobType* job, Done done)
{
    // Whichever comes first answers: the job, or the guard. The answer always comes from the event
    // loop, also when the job fails at once.
    auto answered = std::make_shared<bool>(false);
    auto finish = [answered, done](const Result& result) {
        if (std::exchange(*answered, true))
            return;
        done(result);
    };
    job->setAutoDelete(true);
    job->setInsecureFallback(false); // never a file of the keyring's own in plain text
    connect(job, &QKeychain::Job::finished, this, [this, finish](QKeychain::Job* finished) {
        Result result;
        result.ok = finished->error() == QKeychain::NoError;
        result.missing = finished->error() == QKeychain::EntryNotFound;
        if (!result.ok)
            result.problem = problemText(finished->error(), finished->errorString());
        if (auto* reader = qobject_cast<QKeychain::ReadPasswordJob*>(finished); reader && result.ok)
            result.password = reader->textData();
        QTimer::singleShot(0, this, [finish, result] { finish(result); });
    });
    QTimer::singleShot(kGuardMs, this, [finish] {
        Result late;
        late.problem = QStringLiteral("钥匙环没有应答");
        finish(late);
    });
    job->start();
}

void Keyring::write(const QString& key, const QString& password, Done done)
{
    auto* job = new QKeychain::WritePasswordJob(m_service, this);
    job->setKey(key);
    job->setTextData(password);
    run(job, std::move(done));
}

void Keyring::read(const QString& key, Done done)
{
    auto* job = new QKeychain::ReadPasswordJob(m_service, this);
    job->setKey(key);
    run(job, std::move(done));
}

void Keyring::remove(const QString& key, Done done)
{
    auto* job = new QKeychain::DeletePasswordJob(m_service, this);
    job->setKey(key);
    run(job, std::move(done));
}

} // namespace tvx::platform
