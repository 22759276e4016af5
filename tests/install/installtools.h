#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tvx::test {

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

// Runs a program to its end (or kills it after `timeoutMs`), with `env` added to this process's
// environment.
RunResult runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env = {},
                     int timeoutMs = 120000);

QString readText(const QString& path);

// The targets of a process's open file descriptors, and its executable.
QStringList openFiles(qint64 pid);
QString executableOf(qint64 pid);
// Processes whose executable lies under `dir`.
QList<qint64> processesUnder(const QString& dir);

// SQL on a store file, outside the program.
void execSql(const QString& path, const QString& sql);
QString scalarSql(const QString& path, const QString& sql);

// Lines of a program's stderr that report a failure, less the ones known to be harmless offscreen.
QStringList errorLines(const QString& stderrText);

// The value of `key` in the [Desktop Entry] group of a desktop file.
QString desktopValue(const QString& desktopFile, const QString& key);

} // namespace tvx::test
