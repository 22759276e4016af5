#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace tvx::test {

// A small HTTP server on a free port of 127.0.0.1 for tests that drive a real browser. Routes are
// registered by the test (also while the server runs); requests are answered on the server's own
// threads, so a handler must touch only data that is safe to share. Every request is recorded. The
// server stops when the object is destroyed, also while a held page is still waiting.
class TestHttpServer final {
public:
    struct Request {
        QByteArray method;
        QString path;
        QList<QPair<QString, QString>> params; // query and form fields, in order
        QByteArray body;

        QString param(const QString& name) const; // the first value, "" when missing
    };
    struct Reply {
        int status = 200;
        QByteArray contentType = QByteArrayLiteral("text/html; charset=utf-8");
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    using Handler = std::function<Reply(const Request&)>;

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool isListening() const;
    quint16 port() const;
    QString origin() const;                      // http://127.0.0.1:port
    QUrl url(const QString& pathAndQuery) const; // origin + path, e.g. url("/a.html?x=1")

    // An HTML page (UTF-8) at an exact path, for GET and POST.
    void addPage(const QString& path, const QByteArray& html);
    void addRoute(const QString& path, Handler handler);
    // A page that is not finished: `head` is sent at once, `tail` only after releaseHeld(). Until then
    // the connection stays open and the browser keeps loading.
    void addHeldPage(const QString& path, const QByteArray& head, const QByteArray& tail = {});
    void releaseHeld();
    int heldWaiting() const; // held pages sent in part and waiting now

    QList<Request> requests() const;
    int hits(const QString& path) const;

    // Stops listening and ends every connection; held pages are let go unfinished.
    void stop();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace tvx::test
