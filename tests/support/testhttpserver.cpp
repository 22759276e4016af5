#include "testhttpserver.h"

#include <httplib.h>

#include <QHash>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace tvx::test {

namespace {
std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

struct HeldPage {
    QByteArray head;
    QByteArray tail;
};
} // namespace

struct TestHttpServer::State {
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> listenEnded = false;
    int port = -1;

    mutable std::mutex mutex;
    std::condition_variable changed;
    QHash<QString, Handler> routes;
    QHash<QString, HeldPage> held;
    QList<Request> requests;
    quint64 releases = 0; // counts releaseHeld() calls
    int waiting = 0;
    bool stopping = false;

    void answer(const httplib::Request& in, httplib::Response& out);
    void serveHeld(const HeldPage& page, httplib::Response& out);
};

QString TestHttpServer::Request::param(const QString& name) const
{
    for (const auto& [key, value] : params) {
        if (key == name)
            return value;
    }
    return {};
}

void TestHttpServer::State::answer(const httplib::Request& in, httplib::Response& out)
{
    Request request;
    request.method = QByteArray::fromStdString(in.method);
    request.path = fromStd(in.path);
    request.body = QByteArray::fromStdString(in.body);
    for (const auto& [key, value] : in.params)
        request.params.append({fromStd(key), fromStd(value)});

    Handler handler;
    std::optional<HeldPage> heldPage;
    {
        std::lock_guard lock(mutex);
        requests.append(request);
        if (routes.contains(request.path))
            handler = routes.value(request.path);
        else if (held.contains(request.path))
            heldPage = held.value(request.path);
    }
    if (heldPage) {
        serveHeld(*heldPage, out);
        return;
    }
    if (!handler) {
        out.status = 404;
        out.set_content("<html><head><title>Not Found</title></head><body>Not Found</body></html>",
                        "text/html; charset=utf-8");
        return;
    }
    const Reply reply = handler(request);
    out.status = reply.status;
    for (const auto& [name, value] : reply.headers)
        out.set_header(toStd(name), toStd(value));
    out.set_content(toStd(reply.body), toStd(reply.contentType));
}

void TestHttpServer::State::serveHeld(const HeldPage& page, httplib::Response& out)
{
    quint64 releasesAtStart;
    {
        std::lock_guard lock(mutex);
        releasesAtStart = releases;
    }
    // The declared length covers head and tail, so a page let go unfinished is cut short for the client
    // whatever the server does with the connection afterwards.
    const QByteArray tail = page.tail.isEmpty() ? QByteArrayLiteral("\n") : page.tail;
    const size_t length = size_t(page.head.size() + tail.size());
    auto sentHead = std::make_shared<bool>(false);
    out.set_content_provider(
        length, "text/html; charset=utf-8",
        [this, head = page.head, tail, sentHead, releasesAtStart](size_t, size_t, httplib::DataSink& sink) {
            if (!*sentHead) {
                *sentHead = true;
                if (!head.isEmpty())
                    return sink.write(head.constData(), size_t(head.size()));
                return true;
            }
            std::unique_lock lock(mutex);
            ++waiting;
            // Wake now and then to notice a browser that went away.
            while (!stopping && releases == releasesAtStart) {
                changed.wait_for(lock, std::chrono::milliseconds(100));
                if (sink.is_writable && !sink.is_writable())
                    break;
            }
            --waiting;
            const bool finish = !stopping && releases != releasesAtStart;
            lock.unlock();
            if (!finish)
                return false; // the connection is dropped with the page unfinished
            return sink.write(tail.constData(), size_t(tail.size()));
        });
}

TestHttpServer::TestHttpServer()
    : m_state(std::make_shared<State>())
{
    State* state = m_state.get();
    // Short keep-alive waits, so that stopping does not wait for idle browser connections.
    state->server.set_keep_alive_timeout(1);
    state->server.set_read_timeout(2, 0);
    const auto answer = [state](const httplib::Request& in, httplib::Response& out) {
        state->answer(in, out);
    };
    state->server.Get(".*", answer);
    state->server.Post(".*", answer);
    state->port = state->server.bind_to_any_port("127.0.0.1");
    if (state->port > 0)
        state->thread = std::thread([state] {
            state->server.listen_after_bind();
            state->listenEnded = true;
        });
}

TestHttpServer::~TestHttpServer()
{
    stop();
}

bool TestHttpServer::isListening() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->port > 0 && !m_state->stopping;
}

quint16 TestHttpServer::port() const
{
    return m_state->port > 0 ? quint16(m_state->port) : 0;
}

QString TestHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

QUrl TestHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl(origin() + pathAndQuery);
}

void TestHttpServer::addPage(const QString& path, const QByteArray& html)
{
    addRoute(path, [html](const Request&) {
        Reply reply;
        reply.body = html;
        return reply;
    });
}

void TestHttpServer::addRoute(const QString& path, Handler handler)
{
    std::lock_guard lock(m_state->mutex);
    m_state->held.remove(path);
    m_state->routes.insert(path, std::move(handler));
}

void TestHttpServer::addHeldPage(const QString& path, const QByteArray& head, const QByteArray& tail)
{
    std::lock_guard lock(m_state->mutex);
    m_state->routes.remove(path);
    m_state->held.insert(path, HeldPage{head, tail});
}

void TestHttpServer::releaseHeld()
{
    {
        std::lock_guard lock(m_state->mutex);
        ++m_state->releases;
    }
    m_state->changed.notify_all();
}

int TestHttpServer::heldWaiting() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->waiting;
}

QList<TestHttpServer::Request> TestHttpServer::requests() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->requests;
}

int TestHttpServer::hits(const QString& path) const
{
    std::lock_guard lock(m_state->mutex);
    int count = 0;
    for (const Request& r : m_state->requests) {
        if (r.path == path)
            ++count;
    }
    return count;
}

void TestHttpServer::stop()
{
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->stopping)
            return;
        m_state->stopping = true;
    }
    m_state->changed.notify_all();
    if (m_state->port > 0) {
        // stop() can come before the listening thread has started to listen; wait for it first.
        while (!m_state->listenEnded && !m_state->server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_state->server.stop();
    }
    if (m_state->thread.joinable())
        m_state->thread.join();
}

} // namespace tvx::test
