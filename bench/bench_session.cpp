// What a browser of its own costs an account: before each account's login the run drops the page the
// last account used and goes on in a fresh off-the-record profile and page (made ahead, while the last
// account went on). This loads the demonstration site's login page in a fresh session, and beside it
// the same page again in the session the last load used, and prints the medians of ROUNDS rounds (run
// by hand).
//
//   bench_session [ROUNDS]
#include "benchsupport.h"
#include "demosite.h"
#include "platform/webbrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tvx;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    bench::defaultEnvironment();
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    demosite::DemoSite site;
    site.start();
    const QString login = QString::fromStdString(site.base()) + QStringLiteral("/byid/login");

    QWebEngineView view;
    view.resize(1024, 768);
    view.show();
    platform::WebBrowser browser(&view);

    // The time from the request to the page event of the login page, in milliseconds.
    const auto load = [&](bool fresh) {
        QEventLoop loop;
        const auto done = QObject::connect(&browser, &platform::WebBrowser::pageCompleted, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, [] { qFatal("the login page did not load"); });
        QElapsedTimer timer;
        timer.start();
        if (fresh)
            browser.freshSession();
        browser.navigate(login);
        loop.exec();
        QObject::disconnect(done);
        return double(timer.nsecsElapsed()) / 1e6;
    };

    // An account's own pages take a while: the next session's page gets that time to start.
    const auto accountGoesOn = [] {
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
    };

    load(true); // the first renderer and the site's first answers are not counted
    std::vector<double> freshMs, sameMs;
    for (int i = 0; i < rounds; ++i) {
        accountGoesOn();
        freshMs.push_back(load(true));
        sameMs.push_back(load(false));
    }
    const double fresh = median(freshMs);
    const double same = median(sameMs);
    std::printf("login page in a fresh session (new profile, page and renderer): %.1f ms (median of %d)\n", fresh,
                rounds);
    std::printf("login page again in the same session:                           %.1f ms\n", same);
    std::printf("a browser of its own costs an account:                          %.1f ms\n", fresh - same);
    return 0;
}
