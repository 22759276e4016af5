// bench/run's start-up probe, loaded into the real `tavrinex` executable with LD_PRELOAD (the program
// itself is not changed): when the application object is made it watches every event, and at the
// first paint of a top-level window it prints "painted T S" (T: CLOCK_MONOTONIC in nanoseconds, S: the
// milliseconds since the process's creation by the kernel's clock) and ends the event loop.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const double now = double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    return (now - fields.at(19).toDouble() / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

class FirstPaint final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_done && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            m_done = true;
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::printf("painted %lld %.1f\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec,
                        msSinceProcessStart());
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return false;
    }

private:
    bool m_done = false;
};

void watch()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watch)
