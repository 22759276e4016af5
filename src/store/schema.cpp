#include "schema.h"

#include "catalogue.h"
#include "connection.h"
#include "core/numbers.h"
#include "recordset.h"
#include "sitecolumns.h"
#include "storeerror.h"

#include <algorithm>

namespace tvx::store {

namespace {
QStringList siteColumnNames()
{
    QStringList names;
    for (const SiteColumn& column : siteColumns())
        names.append(column.name);
    return names;
}
} // namespace

const QList<TableColumns>& requiredSchema()
{
    static const QList<TableColumns> schema{
        {QStringLiteral("Config"), {QStringLiteral("ID"), QStringLiteral("Timeout")}},
        {QStringLiteral("BookMarkWeb"), siteColumnNames()},
        {QStringLiteral("Accounts"), {QStringLiteral("ID"), QStringLiteral("Uid"), QStringLiteral("Pwd")}},
    };
    return schema;
}

void checkTable(const Connection& connection, const TableColumns& table)
{
    if (!connection.hasColumn(table.table))
        throw StoreError(QStringLiteral("配置文件“%1”缺少数据表 %2。请用程序附带的 tvx.cfg 替换它。")
                             .arg(connection.path(), table.table));
    for (const QString& column : table.columns)
        if (!connection.hasColumn(table.table, column))
            throw StoreError(QStringLiteral("配置文件“%1”的数据表 %2 缺少列 %3。请用程序附带的 tvx.cfg 替换它。")
                                 .arg(connection.path(), table.table, column));
}

void checkSchema(const Connection& connection)
{
    for (const TableColumns& table : requiredSchema())
        checkTable(connection, table);
}

qint16 loadTimeout(const Connection& connection)
{
    checkTable(connection, requiredSchema().first());
    Recordset config;
    config.open(connection, catalogue::configRow());
    if (config.eof())
        throw StoreError(QStringLiteral("配置文件“%1”的数据表 Config 中没有设置行。请用程序附带的 tvx.cfg 替换它。")
                             .arg(connection.path()));
    const QVariant value = config.value(QStringLiteral("Timeout"));
    if (value.isNull())
        throw StoreError(
            QStringLiteral("配置文件“%1”中没有设置超时时限（Config 表的 Timeout 为空）。请在“设置系统参数”中重新设置。")
                .arg(connection.path()));
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    const std::optional<qint16> timeout = isNumber ? numbers::toInt16(number) : std::nullopt;
    if (!timeout)
        throw StoreError(
            QStringLiteral(
                "配置文件“%1”中的超时时限“%2”无效，应为 -32768 到 32767 之间的整数。请在“设置系统参数”中重新设置。")
                .arg(connection.path(), value.toString()));
    return *timeout;
}

qint32 loadSitePause(const Connection& connection)
{
    if (!connection.hasColumn(QStringLiteral("Config"), QStringLiteral("SitePause")))
        return 0;
    Recordset config;
    config.open(connection, {QStringLiteral("SELECT SitePause FROM Config WHERE ID=0"), {}});
    if (config.eof())
        return 0;
    bool ok = false;
    const qint64 seconds = config.value(QStringLiteral("SitePause")).toLongLong(&ok);
    return ok && seconds > 0 ? qint32(std::min<qint64>(seconds, kMaxSitePause)) : 0;
}

void saveSitePause(Connection& connection, qint32 seconds)
{
    if (!connection.hasColumn(QStringLiteral("Config"), QStringLiteral("SitePause")))
        connection.execute({QStringLiteral("ALTER TABLE Config ADD COLUMN SitePause INTEGER NOT NULL DEFAULT 0"), {}});
    connection.execute({QStringLiteral("UPDATE Config SET SitePause=? WHERE ID=0"), {seconds}});
}

} // namespace tvx::store
