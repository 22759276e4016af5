// What the benchmark programs share: the browser's settings for a machine without a screen, and a
// store made from the delivered data files.
#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <sqlite3.h>
#include <unistd.h>

namespace tvx::bench {

// Offscreen, no GPU, and no sandbox for root; what the caller's environment sets is kept.
inline void defaultEnvironment()
{
    const auto setDefault = [](const char* name, const char* value) {
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, value);
    };
    setDefault("QT_QPA_PLATFORM", "offscreen");
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (geteuid() == 0)
        setDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

#ifdef TVX_DATA_DIR
inline QString readDataFile(const char* name)
{
    QFile file(QStringLiteral(TVX_DATA_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return QString::fromUtf8(file.readAll());
}

// A store at `path` with the delivered tables and settings, and then `sql`.
inline void makeStore(const QString& path, const QString& sql)
{
    const QString all = readDataFile("schema.sql") + readDataFile("config.sql") + sql;
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, all.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("cannot make the store %s: %s", qPrintable(path), error ? error : "");
    sqlite3_close(db);
}
#endif

} // namespace tvx::bench
