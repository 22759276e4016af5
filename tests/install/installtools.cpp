#include "installtools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <sqlite3.h>

namespace tvx::test {

RunResult runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert(env);
    process.setProcessEnvironment(all);
    process.start(program, args);
    RunResult result;
    if (!process.waitForStarted()) {
        result.err = process.errorString();
        return result;
    }
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList openFiles(qint64 pid)
{
    QStringList targets;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        targets.append(QFile::symLinkTarget(fds.filePath(fd)));
    return targets;
}

QString executableOf(qint64 pid)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
}

QList<qint64> processesUnder(const QString& dir)
{
    const QString prefix = QFileInfo(dir).canonicalFilePath() + QLatin1Char('/');
    QList<qint64> pids;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (number && executableOf(pid).startsWith(prefix))
            pids.append(pid);
    }
    return pids;
}

void execSql(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("SQL on %s failed: %s", qPrintable(path), error ? error : sqlite3_errmsg(db));
    sqlite3_close(db);
}

QString scalarSql(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

QStringList errorLines(const QString& stderrText)
{
    static const QRegularExpression failure(
        QStringLiteral("error|fatal|critical|fail|cannot|can't|could not|unable|abort|segmentation|denied|"
                       "not supported|qt\\.qpa"),
        QRegularExpression::CaseInsensitiveOption);
    // Said by Qt WebEngine wherever there is no GPU and no display; nothing fails because of them.
    static const QStringList harmless = {
        QStringLiteral("No suitable graphics backend found"),
        QStringLiteral("WebEngineContext used before QtWebEngineCore::initialize() or OpenGL context creation failed."),
    };
    QStringList lines;
    for (const QString& line : stderrText.split(QLatin1Char('\n'))) {
        if (line.contains(failure) && !harmless.contains(line.trimmed()))
            lines.append(line);
    }
    return lines;
}

QString desktopValue(const QString& desktopFile, const QString& key)
{
    bool inEntry = false;
    for (const QString& line : readText(desktopFile).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

} // namespace tvx::test
