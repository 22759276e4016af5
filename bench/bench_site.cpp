// The demonstration site for bench/run, in a process of its own so that neither side's figures include
// it. It serves on 127.0.0.1 (a free port) and answers one command a line on its standard input:
//   stats   one JSON line: the HTML pages it served, its record of logins, log-outs and submissions, and
//           the requests it answered counted by what they were for (the Sec-Fetch-Dest header)
//   requests  one JSON line: every request answered since the last reset, with when (CLOCK_MONOTONIC)
//   reset   forgets the record (the page counter only grows; take differences)
//   pace MS   holds every answer to a posted form back by MS milliseconds (0: none)
//   quit    (or the end of the input) stops it
// The page count is what the site itself served: every HTML page answered to a GET, plus the page
// answered to each login and to each submission (the site records those two as it serves them).
#include "demosite.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

using namespace tvx::demosite;

namespace {

std::string oneLine(std::string text)
{
    // Strings in the JSON carry their control characters escaped, so every raw line break is layout.
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    return text;
}

std::string stats(const DemoSite& site)
{
    std::string out = "{\"pagesServed\":" + std::to_string(site.pagesServed()) + ",\"logins\":[";
    bool first = true;
    for (const Login& l : site.logins()) {
        out += std::string(first ? "" : ",") + "{\"site\":" + jsonString(l.site) + ",\"user\":" + jsonString(l.user) +
               ",\"password\":" + jsonString(l.password) + "}";
        first = false;
    }
    out += "],\"logouts\":[";
    first = true;
    for (const std::string& l : site.logouts()) {
        out += std::string(first ? "" : ",") + jsonString(l);
        first = false;
    }
    // The requests by what the browser said they were for ("document", "style", "image", ...).
    std::map<std::string, int> byDest;
    for (const Request& r : site.requests())
        ++byDest[r.dest.empty() ? r.method : r.dest];
    out += "],\"requests\":{";
    first = true;
    for (const auto& [dest, count] : byDest) {
        out += std::string(first ? "" : ",") + jsonString(dest) + ":" + std::to_string(count);
        first = false;
    }
    return out + "},\"submissions\":" + oneLine(recordsJson(site.submissions())) + "}";
}

// Every request since the last reset: [method, path, destination, status, microseconds of CLOCK_MONOTONIC].
std::string requestLog(const DemoSite& site)
{
    std::string out = "[";
    bool first = true;
    for (const Request& r : site.requests()) {
        out += std::string(first ? "" : ",") + "[" + jsonString(r.method) + "," + jsonString(r.path) + "," +
               jsonString(r.dest) + "," + std::to_string(r.status) + "," + std::to_string(r.atNs / 1000) + "]";
        first = false;
    }
    return out + "]";
}
} // namespace

int main()
{
    DemoSite site;
    try {
        site.start(0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_site: %s\n", e.what());
        return 1;
    }
    std::printf("ready %s\n", site.base().c_str());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "stats") {
            std::printf("%s\n", stats(site).c_str());
        } else if (line == "requests") {
            std::printf("%s\n", requestLog(site).c_str());
        } else if (line.rfind("pace ", 0) == 0) {
            site.setPostDelayMs(std::atoi(line.c_str() + 5));
            std::printf("ok\n");
        } else if (line == "reset") {
            site.clearRecords();
            std::printf("ok\n");
        } else if (line == "quit") {
            break;
        } else {
            std::printf("error unknown command\n");
        }
        std::fflush(stdout);
    }
    site.stop();
    return 0;
}
