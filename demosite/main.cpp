// tvx-demosite: serves the demonstration site on 127.0.0.1 until it is stopped.
//   tvx-demosite [PORT]      (default: the port the delivered tvx.cfg names)
#include "demosite.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}
} // namespace

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : TVX_DEMO_PORT;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    tvx::demosite::DemoSite site;
    try {
        site.start(port);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvx-demosite: %s\n", e.what());
        return 1;
    }
    std::printf("tvx-demosite: serving %s\n", site.base().c_str());
    std::fflush(stdout);
    while (!g_stop)
        pause();
    site.stop();
    return 0;
}
