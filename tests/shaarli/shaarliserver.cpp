#include "shaarliserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <QXmlStreamReader>

#include <httplib.h>

namespace tvx::test {

namespace {
const QString kShaarli = QStringLiteral("/usr/share/shaarli");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Pretty URLs (/login, /admin/shaare) go to index.php, as Shaarli's .htaccess does for Apache;
// files that exist (styles, scripts, images) are served as they are.
const char* kRouter = R"PHP(<?php
$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH);
if ($path !== '/' && is_file(__DIR__ . '/app' . $path))
    return false;
$_SERVER['SCRIPT_NAME'] = '/index.php';
$_SERVER['SCRIPT_FILENAME'] = __DIR__ . '/app/index.php';
chdir(__DIR__ . '/app');
require __DIR__ . '/app/index.php';
)PHP";
} // namespace

ShaarliServer::ShaarliServer() = default;

ShaarliServer::~ShaarliServer()
{
    stop();
}

QString ShaarliServer::start(const QString& user, const QString& password)
{
    const QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
    if (php.isEmpty())
        return QStringLiteral("php is not installed (Debian package php-cli; scripts/deps.sh installs it)");
    if (!QFileInfo::exists(kShaarli + QStringLiteral("/index.php")))
        return QStringLiteral("Shaarli is not installed (Debian package shaarli; scripts/deps.sh installs it)");
    const QString root = m_dir.path();
    const QString app = root + QStringLiteral("/app");
    const QString data = root + QStringLiteral("/data");
    const QString cache = root + QStringLiteral("/cache");
    for (const QString& d : QStringList{app, data, cache + QStringLiteral("/tmp"), cache + QStringLiteral("/cache"),
                                        cache + QStringLiteral("/pagecache"), root + QStringLiteral("/sessions")})
        QDir().mkpath(d);

    // The code is copied with its paths moved; what it only reads is linked.
    const auto copy = [&](const QString& from, const QString& to) {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = in.readAll();
        if (from.endsWith(QLatin1String(".php"))) {
            text.replace("/usr/share/shaarli/autoload.php", (app + QStringLiteral("/autoload.php")).toUtf8());
            text.replace("/var/lib/shaarli/data", data.toUtf8());
            text.replace("/var/cache/shaarli", cache.toUtf8());
        }
        QDir().mkpath(QFileInfo(to).absolutePath());
        return writeFile(to, text);
    };
    QDirIterator it(kShaarli + QStringLiteral("/application"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!copy(file, app + file.mid(kShaarli.size())))
            return QStringLiteral("cannot copy ") + file;
    }
    for (const char* file : {"index.php", "init.php", "autoload.php", "shaarli_version.php"})
        if (!copy(kShaarli + QLatin1Char('/') + QLatin1String(file), app + QLatin1Char('/') + QLatin1String(file)))
            return QStringLiteral("cannot copy ") + QLatin1String(file);
    for (const char* dir : {"assets", "inc", "plugins", "tpl"})
        QFile::link(kShaarli + QLatin1Char('/') + QLatin1String(dir), app + QLatin1Char('/') + QLatin1String(dir));
    writeFile(root + QStringLiteral("/router.php"), kRouter);

    // The first user, as Shaarli's installation page would write it: the hash is SHA-1 of the password,
    // the login and the salt. Nothing is fetched from the network (no metadata, thumbnails or updates).
    const QString salt = QStringLiteral("d4c1b0f1e2a3b4c5d6e7f8091a2b3c4d5e6f7081");
    const QByteArray hash =
        QCryptographicHash::hash((password + user + salt).toUtf8(), QCryptographicHash::Sha1).toHex();
    const QJsonObject config{
        {QStringLiteral("credentials"), QJsonObject{{QStringLiteral("login"), user},
                                                    {QStringLiteral("salt"), salt},
                                                    {QStringLiteral("hash"), QString::fromLatin1(hash)}}},
        {QStringLiteral("general"), QJsonObject{{QStringLiteral("timezone"), QStringLiteral("UTC")},
                                                {QStringLiteral("title"), QStringLiteral("Tavrinex test")},
                                                {QStringLiteral("enable_async_metadata"), false},
                                                {QStringLiteral("retrieve_description"), false}}},
        {QStringLiteral("updates"), QJsonObject{{QStringLiteral("check_updates"), false}}},
        {QStringLiteral("thumbnails"), QJsonObject{{QStringLiteral("mode"), QStringLiteral("none")}}},
        {QStringLiteral("translation"), QJsonObject{{QStringLiteral("language"), QStringLiteral("en")}}},
        {QStringLiteral("privacy"), QJsonObject{{QStringLiteral("default_private_links"), false}}},
    };
    if (!writeFile(data + QStringLiteral("/config.json.php"),
                   "<?php /*" + QJsonDocument(config).toJson(QJsonDocument::Compact) + "*/ ?>"))
        return QStringLiteral("cannot write Shaarli's configuration");

    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return QStringLiteral("no free port");
        m_port = probe.serverPort();
    }
    m_php.setWorkingDirectory(app);
    m_php.setProcessChannelMode(QProcess::MergedChannels);
    m_php.setStandardOutputFile(root + QStringLiteral("/php.log"));
    m_php.start(php, {QStringLiteral("-d"), QStringLiteral("session.save_path=") + root + QStringLiteral("/sessions"),
                      QStringLiteral("-d"), QStringLiteral("error_reporting=E_ALL & ~E_DEPRECATED"),
                      QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("-t"), app,
                      root + QStringLiteral("/router.php")});
    if (!m_php.waitForStarted(10000))
        return QStringLiteral("php did not start: ") + m_php.errorString();
    // Ready once its login page answers.
    httplib::Client client("127.0.0.1", m_port);
    client.set_connection_timeout(1);
    for (int i = 0; i < 200; ++i) {
        if (const auto res = client.Get("/login"); res && res->status == 200)
            return logInOnce(user, password);
        if (m_php.state() != QProcess::Running)
            break;
        QThread::msleep(50);
    }
    QFile log(root + QStringLiteral("/php.log"));
    log.open(QIODevice::ReadOnly);
    return QStringLiteral("Shaarli did not answer: ") + QString::fromUtf8(log.readAll().right(2000));
}

// Shaarli makes its first bookmarks (its own introduction) at the first request of a logged-in user.
// They are made here, so that a test sees only what it does itself.
QString ShaarliServer::logInOnce(const QString& user, const QString& password)
{
    httplib::Client client("127.0.0.1", m_port);
    const auto page = client.Get("/login");
    if (!page)
        return QStringLiteral("Shaarli's login page did not come");
    const std::string cookie =
        page->get_header_value("Set-Cookie").substr(0, page->get_header_value("Set-Cookie").find(';'));
    const std::string& html = page->body;
    const std::string mark = "name=\"token\" value=\"";
    const size_t at = html.find(mark);
    if (at == std::string::npos)
        return QStringLiteral("no token on Shaarli's login page");
    const std::string token = html.substr(at + mark.size(), html.find('"', at + mark.size()) - at - mark.size());
    const httplib::Params form{{"login", user.toStdString()}, {"password", password.toStdString()}, {"token", token}};
    const auto login = client.Post("/login", {{"Cookie", cookie}}, form);
    if (!login || login->status != 302)
        return QStringLiteral("could not log in to Shaarli once");
    // Logging in starts a new session: its cookies replace the first one.
    std::string cookies;
    const auto [from, to] = login->headers.equal_range("Set-Cookie");
    for (auto it = from; it != to; ++it)
        cookies += (cookies.empty() ? "" : "; ") + it->second.substr(0, it->second.find(';'));
    const httplib::Headers headers{{"Cookie", cookies.empty() ? cookie : cookies}};
    const auto home = client.Get("/", headers);
    if (!home || home->body.find("/admin/logout") == std::string::npos)
        return QStringLiteral("could not log in to Shaarli once");
    client.Get("/admin/logout", headers);
    return {};
}

void ShaarliServer::stop()
{
    if (m_php.state() == QProcess::NotRunning)
        return;
    m_php.terminate();
    if (!m_php.waitForFinished(5000)) {
        m_php.kill();
        m_php.waitForFinished(5000);
    }
}

QString ShaarliServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QList<ShaarliServer::Bookmark> ShaarliServer::bookmarks() const
{
    httplib::Client client("127.0.0.1", m_port);
    const auto res = client.Get("/feed/atom?nb=all");
    QList<Bookmark> list;
    if (!res || res->status != 200)
        return list;
    QXmlStreamReader xml(QByteArray::fromStdString(res->body));
    Bookmark current;
    bool inEntry = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("entry")) {
                inEntry = true;
                current = {};
            } else if (inEntry && xml.name() == QLatin1String("title")) {
                current.title = xml.readElementText();
            } else if (inEntry && xml.name() == QLatin1String("link") && current.url.isEmpty()) {
                current.url = xml.attributes().value(QLatin1String("href")).toString();
            } else if (inEntry && xml.name() == QLatin1String("content")) {
                current.description = xml.readElementText();
            } else if (inEntry && xml.name() == QLatin1String("category")) {
                current.tags.append(xml.attributes().value(QLatin1String("term")).toString());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("entry")) {
            inEntry = false;
            list.append(current);
        }
    }
    return list;
}

} // namespace tvx::test
