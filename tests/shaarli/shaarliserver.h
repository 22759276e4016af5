#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tvx::test {

// A private Shaarli (Debian's package, /usr/share/shaarli) served by PHP's built-in server on
// 127.0.0.1 for one test: the application is copied with its data, cache and session paths moved into
// a temporary folder, and its first user is written into its configuration, so nothing of the
// system's Shaarli is read or written and no network is needed.
class ShaarliServer final {
public:
    struct Bookmark {
        QString url;
        QString title;
        QStringList tags;
        QString description; // the feed entry's content as text (Shaarli adds its permalink)
    };

    ShaarliServer();
    ~ShaarliServer();

    // Empty when it runs; otherwise what is missing or went wrong.
    QString start(const QString& user, const QString& password);
    void stop();
    QString base() const; // "http://127.0.0.1:<port>"

    // The public bookmarks, as Shaarli's Atom feed lists them (newest first).
    QList<Bookmark> bookmarks() const;

private:
    QString logInOnce(const QString& user, const QString& password);

    QTemporaryDir m_dir;
    QProcess m_php;
    quint16 m_port = 0;
};

} // namespace tvx::test
