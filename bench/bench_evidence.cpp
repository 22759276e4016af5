// What keeping failure evidence costs a run: the main window drives real Qt WebEngine through the
// demonstration site's "dead" variant (its submit button does nothing, so every bookmark's step times
// out), once with the evidence recorder on and once with it off, and prints:
//
//   bench_evidence [bookmarks] [rounds]      (default 20 3; runs without a display)
//
//   in handler   time spent inside the recorder's stepFailed per failure (the grab of the worker
//                browser and the request for its document): the only part the run waits for
//   drawn        time from the page's document to its whole-page picture (1280 pixels wide), drawn in
//                a view of its own off screen while the run goes on
//   writer       time on the writer thread per failure (PNG encoding, the two files, the index),
//                measured on the same pictures and documents afterwards
//   run          wall time of the whole run, evidence on and off (a time-out of one second per bookmark)
//   files        bytes kept per failure (picture + document)

#include "benchsupport.h"
#include "demosite.h"
#include "engine/submissionengine.h"
#include "evidence/evidencestore.h"
#include "platform/messagebox.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "ui/evidence/evidencerecorder.h"
#include "ui/evidence/logevidence.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"

#include <QApplication>
#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

using namespace tvx;

namespace {
void makeStore(const QString& path, const std::string& base)
{
    bench::makeStore(path, QString::fromStdString(demosite::siteRowSql(0, "dead", base)) +
                               QStringLiteral("INSERT INTO Accounts VALUES(0,'bench','pw');"));
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct Round {
    double runMs = 0;
    double handlerAvgMs = 0;
    double handlerMaxMs = 0;
    double drawAvgMs = 0;
    int failures = 0;
};

Round runOnce(const demosite::DemoSite& site, int bookmarks, bool evidence, const QString& evidenceRoot)
{
    QTemporaryDir dir;
    const QString storePath = dir.path() + QStringLiteral("/tvx.cfg");
    makeStore(storePath, site.base());
    store::ProgramStore store;
    ui::MainWindow::Options options;
    options.storePath = storePath;
    options.hosts = WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}};
    options.evidenceRoot = evidenceRoot;
    ui::MainWindow window(store, options);
    window.show();
    bool blank = false;
    QObject::connect(window.workerBrowser()->page(), &QWebEnginePage::loadFinished, [&] { blank = true; });
    window.Form_Load();
    waitFor([&] { return blank; }, 30000);
    store.gintTimeout = 1;
    if (!evidence)
        window.engine().removeRecorder(&window.evidence().recorder());
    window.urlListModel()->clear();
    for (int i = 1; i <= bookmarks; ++i)
        window.urlListModel()->append({QStringLiteral("http://example.com/%1").arg(i),
                                       QStringLiteral("标题 %1").arg(i),
                                       QStringLiteral("新闻"),
                                       {}});
    QElapsedTimer run;
    run.start();
    window.engine().cmdAllSubmit_Click();
    if (!waitFor([&] { return !window.engine().state().mblnRunning; }, 600000))
        qFatal("bench_evidence: the run did not end");
    Round r;
    r.runMs = run.nsecsElapsed() / 1e6;
    window.evidence().recorder().flush(60000);
    const ui::EvidenceRecorder::Cost cost = window.evidence().recorder().cost();
    r.failures = cost.failures;
    r.handlerAvgMs = cost.failures ? cost.totalMs / cost.failures : 0;
    r.handlerMaxMs = cost.maxMs;
    r.drawAvgMs = cost.drawn ? cost.drawTotalMs / cost.drawn : 0;
    return r;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}
} // namespace

int main(int argc, char* argv[])
{
    bench::defaultEnvironment();
    QApplication app(argc, argv);
    platform::applyProgramFont(app);
    ui::MessageBox::setAnswerer([](const ui::MessageBox::Shown&) { return true; });
    const int bookmarks = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    demosite::DemoSite site;
    site.start();
    QTemporaryDir evidenceRoot;
    QList<double> on, off, avg, max, drawn;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const Round with = runOnce(site, bookmarks, true, evidenceRoot.path());
        const Round without = runOnce(site, bookmarks, false, evidenceRoot.path());
        on.append(with.runMs);
        off.append(without.runMs);
        avg.append(with.handlerAvgMs);
        max.append(with.handlerMaxMs);
        drawn.append(with.drawAvgMs);
        failures = with.failures;
    }

    // The writer's share, on what the runs kept: each picture encoded again and each entry written again.
    evidence::EvidenceStore store(evidenceRoot.path() + QStringLiteral("/again"));
    QList<double> writer;
    qint64 bytes = 0;
    int kept = 0;
    QDirIterator it(evidenceRoot.path(), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString png = it.next();
        QString htmlPath = png;
        htmlPath.replace(htmlPath.size() - 4, 4, QStringLiteral(".html"));
        QFile html(htmlPath);
        html.open(QIODevice::ReadOnly);
        const QByteArray document = html.readAll();
        const QImage picture(png);
        bytes += QFileInfo(png).size() + document.size();
        ++kept;
        QElapsedTimer t;
        t.start();
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        evidence::Evidence e;
        e.runStart = QDateTime::currentDateTime();
        e.site = QStringLiteral("bench");
        e.bookmark = kept;
        store.add(e, encoded, document);
        writer.append(t.nsecsElapsed() / 1e6);
    }

    std::printf("bench_evidence: %d bookmarks, %d rounds, %d failures per run with evidence\n", bookmarks, rounds,
                failures);
    std::printf("  in handler (per failure)   median of rounds: avg %.2f ms, max %.2f ms\n", median(avg), median(max));
    std::printf("  whole page drawn off screen median of rounds: avg %.2f ms from the document to the picture\n",
                median(drawn));
    std::printf("  writer thread (per failure) median %.2f ms over %d entries\n", median(writer), kept);
    std::printf("  run wall time              evidence on %.0f ms, off %.0f ms (medians; %+.1f %%)\n", median(on),
                median(off), median(off) > 0 ? (median(on) - median(off)) * 100 / median(off) : 0.0);
    std::printf("  files per failure          %.1f KiB\n", kept ? bytes / 1024.0 / kept : 0.0);
    site.stop();
    return 0;
}
