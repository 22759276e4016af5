// Builds the delivered store tvx.cfg from the readable sources in this folder:
//   mkcfg OUTPUT schema.sql config.sql sites.sql
// A store that already holds accounts (or a kept URL list, run results, sites of the user's own) is the user's and is never
// replaced; neither is a file that cannot be read as a store (it may still hold accounts worth saving). The new file is written
// beside the target and renamed over it, readable and writable by its owner only.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string readFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mkcfg: cannot read %s\n", path);
        std::exit(1);
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

enum class Existing { None, NoAccounts, HoldsAccounts, Unreadable };

Existing inspect(const std::string& path)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0)
        return Existing::None;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return Existing::Unreadable;
    }
    sqlite3_stmt* stmt = nullptr;
    Existing result = Existing::Unreadable;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Accounts", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        result = sqlite3_column_int64(stmt, 0) > 0 ? Existing::HoldsAccounts : Existing::NoAccounts;
    sqlite3_finalize(stmt);
    // The URL list the program keeps, the results of its runs and the sites the user set up are the
    // user's too.
    for (const char* kept : {"SELECT COUNT(*) FROM UrlList", "SELECT COUNT(*) FROM Runs", "SELECT COUNT(*) FROM UserSites"}) {
        stmt = nullptr;
        if (result == Existing::NoAccounts && sqlite3_prepare_v2(db, kept, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) > 0)
            result = Existing::HoldsAccounts;
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: mkcfg OUTPUT SQLFILE...\n");
        return 2;
    }
    const std::string target = argv[1];
    switch (inspect(target)) {
    case Existing::HoldsAccounts:
        std::printf("mkcfg: %s holds accounts; kept as it is\n", target.c_str());
        return 0;
    case Existing::Unreadable:
        std::printf("mkcfg: %s is not a readable store; kept as it is (move it away to get a new one)\n",
                    target.c_str());
        return 0;
    case Existing::None:
    case Existing::NoAccounts:
        break;
    }

    const std::string temp = target + ".new";
    unlink(temp.c_str());
    const mode_t oldMask = umask(077);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    umask(oldMask);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "mkcfg: cannot create %s: %s\n", temp.c_str(), sqlite3_errmsg(db));
        return 1;
    }
    std::string sql = "BEGIN;\n";
    for (int i = 2; i < argc; ++i)
        sql += readFile(argv[i]) + "\n";
    sql += "COMMIT;\n";
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "mkcfg: %s\n", error ? error : "failed");
        sqlite3_free(error);
        sqlite3_close(db);
        unlink(temp.c_str());
        return 1;
    }
    sqlite3_close(db);
    chmod(temp.c_str(), 0600);
    if (rename(temp.c_str(), target.c_str()) != 0) {
        std::perror("mkcfg: rename");
        return 1;
    }
    std::printf("mkcfg: wrote %s\n", target.c_str());
    return 0;
}
