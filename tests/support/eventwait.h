#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tvx::test {

// Waits in a real event loop until `done` holds or `ms` milliseconds have passed. QTest's waits sleep
// between rounds of events, which stretches every exchange with the browser's processes; a whole run
// waited for that way takes many times longer than the program takes.
inline bool waitUntil(const std::function<bool()>& done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= ms)
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    return done();
}

} // namespace tvx::test
