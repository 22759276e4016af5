#pragma once

#include <memory>
#include <string>
#include <vector>

// A small bookmarking web site of our own, served on 127.0.0.1: login form, page after login with a
// "退出" link, submit form, result page and log-out page, in the variants the program's site rows can
// describe (fields by id, by name, buttons by value, a login script, frames, share pages, pages whose
// buttons do nothing, a login page that never finishes...). It records what each user submitted.
namespace tvx::demosite {

struct Submission {
    std::string site; // the variant's path, e.g. "byid"
    std::string user;
    std::string title;
    std::string url;
    std::string tags;
    std::string summary;
    std::string other1; // "true"/"false" for a check box
    std::string other2;
};

struct Login {
    std::string site;
    std::string user;
    std::string password;
};

// One request the site answered: "GET", "/byid/login", what the browser said it was for (the
// Sec-Fetch-Dest header: "document", "style", "script", "image", "font", "empty"...; empty when not
// sent), the status of the answer, and when.
struct Request {
    std::string method;
    std::string path;
    std::string dest;
    int status = 0;
    long long atNs = 0; // when it was answered: the steady clock (CLOCK_MONOTONIC), nanoseconds
};

class DemoSite {
public:
    DemoSite();
    ~DemoSite();
    DemoSite(const DemoSite&) = delete;
    DemoSite& operator=(const DemoSite&) = delete;

    // Serves on 127.0.0.1 from a background thread; port 0 picks a free port. Returns the port, or
    // throws std::runtime_error.
    int start(int port = 0);
    void stop();
    int port() const;
    std::string base() const; // "http://127.0.0.1:<port>"

    std::vector<Submission> submissions() const;
    std::vector<Login> logins() const;
    std::vector<std::string> logouts() const; // "site/user"
    std::vector<Request> requests() const;    // every request since the start or the last clearRecords()
    long pagesServed() const;
    void clearRecords();
    // Holds every answer to a posted form back by `ms` milliseconds (0: none), as a slower site would.
    void setPostDelayMs(int ms);
    // A port of 127.0.0.1 where nothing listens: the variant "refused-result" posts its submit form there.
    void setClosedPort(int port);
    // Holds the answers to `user`'s submissions back by `ms` milliseconds (0: none).
    void setSlowAnswerFor(const std::string& user, int ms);

private:
    struct State;
    std::unique_ptr<State> m;
};

// The variants the site serves, by path.
std::vector<std::string> siteKeys();

// An INSERT of the BookMarkWeb row that describes variant `key` as served under `base`, with `id`.
std::string siteRowSql(int id, const std::string& key, const std::string& base);

// The variants delivered in tvx.cfg, in ID order 0, 1, 2, ...
std::vector<std::string> deliveredKeys();
// The delivered data/sites.sql text for the demonstration site on `base`.
std::string deliveredSitesSql(const std::string& base);

// A JSON string literal holding `text` (UTF-8 passed through, control characters escaped).
std::string jsonString(const std::string& text);

// JSON of the records, as served at /_records.
std::string recordsJson(const std::vector<Submission>& submissions);

} // namespace tvx::demosite
