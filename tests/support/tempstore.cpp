#include "tempstore.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

namespace tvx::test {

QString dataFile(const QString& name)
{
    QFile file(QStringLiteral(TVX_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read data file %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

TempStore::TempStore(const QString& extraSql, bool withDeliveredSites)
    : m_path(m_dir.path() + QStringLiteral("/tvx.cfg"))
{
    QString sql = dataFile(QStringLiteral("schema.sql")) + dataFile(QStringLiteral("config.sql"));
    if (withDeliveredSites)
        sql += dataFile(QStringLiteral("sites.sql"));
    exec(sql + extraSql);
}

void TempStore::exec(const QString& sql) const
{
    sqlite3* db = nullptr;
    if (sqlite3_open(m_path.toUtf8().constData(), &db) != SQLITE_OK)
        qFatal("cannot open %s", qPrintable(m_path));
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("SQL failed: %s", error);
    sqlite3_close(db);
}

QString TempStore::scalar(const QString& sql) const
{
    sqlite3* db = nullptr;
    sqlite3_open(m_path.toUtf8().constData(), &db);
    sqlite3_stmt* stmt = nullptr;
    QString result;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                   sqlite3_column_bytes(stmt, 0));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

} // namespace tvx::test

namespace tvx::test {

ReadOnlyFile::ReadOnlyFile(QString path)
    : m_path(std::move(path))
{
    QFile::setPermissions(m_path, QFileDevice::ReadOwner);
    if (geteuid() == 0) {
        m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_path}) == 0;
        m_ok = m_immutable;
    } else {
        m_ok = true;
    }
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace tvx::test
