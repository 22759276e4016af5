// Appends lines to the run log of the real main window, one line per turn of the event loop as a run
// writes them, and prints what a line costs at the start and at the end, and how quickly the window
// answers once the log is long.
//
//   bench_runlog [lines]      (default 100000; runs without a display)

#include "benchsupport.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "ui/main/mainrunhost.h"
#include "ui/main/mainwindow.h"
#include "ui/main/runlogmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>


using namespace tvx;

namespace {
struct Figures {
    double mean = 0;
    double median = 0;
    double p99 = 0;
};

// Microseconds per line over [from, to).
Figures figures(const std::vector<qint64>& ns, size_t from, size_t to)
{
    std::vector<qint64> part(ns.begin() + qsizetype(from), ns.begin() + qsizetype(to));
    Figures f;
    if (part.empty())
        return f;
    f.mean = double(std::accumulate(part.begin(), part.end(), qint64(0))) / double(part.size()) / 1000.0;
    std::sort(part.begin(), part.end());
    f.median = double(part[part.size() / 2]) / 1000.0;
    f.p99 = double(part[std::min(part.size() - 1, part.size() * 99 / 100)]) / 1000.0;
    return f;
}

void printRange(const char* what, const std::vector<qint64>& ns, size_t from, size_t to)
{
    const Figures f = figures(ns, from, to);
    std::printf("%-28s lines %6zu-%6zu: mean %8.1f us, median %8.1f us, 99th percentile %8.1f us\n", what,
                from + 1, to, f.mean, f.median, f.p99);
}

// Milliseconds one action takes, with the events it causes (layout, painting) handled.
template <typename Action> double timed(Action action)
{
    QElapsedTimer t;
    t.start();
    action();
    QCoreApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}
} // namespace

int main(int argc, char* argv[])
{
    bench::defaultEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    platform::applyProgramFont(app);

    const int lines = argc > 1 ? std::max(2000, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    const size_t sample = 1000;

    store::ProgramStore store;
    // The panes point at a closed port; the store is never opened, only the log is used.
    ui::MainWindow window(store,
                          {QString(), QString(),
                           WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}, nullptr});
    window.show();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();

    const QStringList sites = {QStringLiteral("演示站点"), QStringLiteral("Face Book"),
                               QStringLiteral("饭否"), QStringLiteral("百度书签")};
    std::vector<qint64> ns(size_t(lines), 0);
    QElapsedTimer total;
    total.start();
    QElapsedTimer t;
    for (int i = 0; i < lines; ++i) {
        const QString& site = sites.at(i % sites.size());
        const QString message =
            i % 5 == 4 ? QStringLiteral("向\"%1\"提交\"http://127.0.0.1:38517/bookmark/%2\"时发生错误！")
                             .arg(site)
                             .arg(i)
                       : QStringLiteral("正在向\"%1\"提交信息... (%2)").arg(site).arg(i);
        t.start();
        window.runHost().addLog(message);
        QCoreApplication::processEvents();
        ns[size_t(i)] = t.nsecsElapsed();
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;

    std::printf("bench_runlog: %d log lines through MainWindow::addLog, events processed after each line\n",
                lines);
    printRange("start", ns, 0, sample);
    const size_t step = size_t(lines) / 10;
    for (size_t from = 0; from + step <= size_t(lines); from += step)
        printRange("  block", ns, from, from + step);
    printRange("end", ns, size_t(lines) - sample, size_t(lines));
    const Figures first = figures(ns, 0, sample);
    const Figures last = figures(ns, size_t(lines) - sample, size_t(lines));
    std::printf("end / start (median): %.2f   total %.1f s\n", last.median / first.median, seconds);

    // Responsiveness with the long log.
    auto* log = window.findChild<QAbstractItemView*>(QStringLiteral("lvwLog"));
    QScrollBar* bar = log->verticalScrollBar();
    std::printf("with %d lines:\n", window.runLogModel()->rowCount());
    std::printf("  repaint the whole window      %8.2f ms\n", timed([&] { window.repaint(); }));
    std::printf("  scroll the log to the top     %8.2f ms\n", timed([&] {
                    bar->setValue(0);
                    log->viewport()->repaint();
                }));
    std::printf("  page down in the log          %8.2f ms\n", timed([&] {
                    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
                    log->viewport()->repaint();
                }));
    std::printf("  jump to the middle            %8.2f ms\n", timed([&] {
                    bar->setValue(bar->maximum() / 2);
                    log->viewport()->repaint();
                }));
    std::printf("  select a line                 %8.2f ms\n", timed([&] {
                    log->setCurrentIndex(window.runLogModel()->index(lines / 2, 1));
                    log->viewport()->repaint();
                }));
    std::printf("  resize the window             %8.2f ms\n", timed([&] {
                    window.resize(1000, 800);
                    window.repaint();
                }));
    std::printf("  one more line while scrolled  %8.2f ms\n",
                timed([&] { window.runHost().addLog(QStringLiteral("再一行")); }));
    return 0;
}
