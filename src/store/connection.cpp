#include "connection.h"

#include "storeerror.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace tvx::store {

namespace {
// How long a statement waits for another program's lock on the file before giving up.
constexpr int kBusyTimeoutMs = 2000;

QString nativePath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}
} // namespace

Connection::~Connection()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void Connection::open(const QString& path)
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_path = nativePath(path);
    const QFileInfo info(m_path);
    if (!info.exists())
        throw StoreError(QStringLiteral("找不到配置文件“%1”。请把程序附带的 tvx.cfg 放回程序所在的文件夹。").arg(m_path));
    if (!info.isFile())
        throw StoreError(QStringLiteral("“%1”不是文件，无法作为配置文件打开。").arg(m_path));

    sqlite3* db = nullptr;
    // READWRITE without CREATE: the file must already exist; a write-protected file opens read-only.
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    m_db = db;
    if (rc != SQLITE_OK) {
        const int code = db ? sqlite3_extended_errcode(db) : rc;
        try {
            fail(code);
        } catch (...) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw;
        }
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    // SQLite reads the header lazily; ask for the schema now so that a file that is not a database is
    // reported when it is opened.
    const int check = sqlite3_exec(m_db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    if (check != SQLITE_OK) {
        try {
            fail(sqlite3_extended_errcode(m_db));
        } catch (...) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw;
        }
    }
}

bool Connection::hasColumn(const QString& table, const QString& column) const
{
    if (!m_db)
        return false;
    const QByteArray t = table.toUtf8();
    const QByteArray c = column.toUtf8();
    return sqlite3_table_column_metadata(m_db, "main", t.constData(), column.isEmpty() ? nullptr : c.constData(),
                                         nullptr, nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void Connection::ensureUsable() const
{
    if (!m_db)
        throw StoreError(QStringLiteral("配置文件没有打开。请确认程序文件夹中的 tvx.cfg 可用后重新启动程序。"));
    int moved = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        throw StoreError(
            QStringLiteral("配置文件“%1”在程序运行期间被删除或替换，更改无法保存。请恢复该文件后重新启动程序。")
                .arg(m_path));
}

sqlite3_stmt* Connection::prepare(const Statement& statement) const
{
    ensureUsable();
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = statement.sql.toUtf8();
    int rc = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db));
    for (qsizetype i = 0; i < statement.params.size(); ++i) {
        const QVariant& v = statement.params.at(i);
        const int slot = int(i) + 1;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, slot);
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(stmt, slot, v.toDouble());
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                   v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(stmt, slot, v.toLongLong());
        } else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, slot, text.constData(), sqlite3_uint64(text.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail(rc);
        }
    }
    return stmt;
}

qint64 Connection::execute(const Statement& statement)
{
    sqlite3_stmt* stmt = prepare(statement);
    int rc;
    do {
        rc = sqlite3_step(stmt);
    } while (rc == SQLITE_ROW);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(sqlite3_extended_errcode(m_db));
    return sqlite3_changes64(m_db);
}

void Connection::fail(int code) const
{
    const QString file = m_path;
    const QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    QString text;
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        text = QStringLiteral("文件“%1”不是有效的配置数据库。请用程序附带的 tvx.cfg 替换它。").arg(file);
        break;
    case SQLITE_CORRUPT:
        text = QStringLiteral("配置文件“%1”已损坏。请用备份或程序附带的 tvx.cfg 替换它。").arg(file);
        break;
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_DBMOVED)
            text = QStringLiteral("配置文件“%1”在程序运行期间被删除或替换，更改无法保存。请恢复该文件后重新启动程序。")
                       .arg(file);
        else
            text = QStringLiteral("配置文件“%1”是只读的，更改无法保存。请允许写入该文件及其所在文件夹后重试。").arg(file);
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        text = QStringLiteral("配置文件“%1”正被其他程序占用。请关闭该程序后重试。").arg(file);
        break;
    case SQLITE_FULL:
        text = QStringLiteral("磁盘空间已满，无法写入配置文件“%1”。请释放磁盘空间后重试。").arg(file);
        break;
    case SQLITE_CANTOPEN:
        text = QStringLiteral("无法打开配置文件“%1”。请检查该文件及其所在文件夹的访问权限。").arg(file);
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        text = QStringLiteral("没有访问配置文件“%1”的权限。请检查该文件的访问权限。").arg(file);
        break;
    case SQLITE_IOERR:
        // A file made read-only while the program has it open fails its writes as an I/O error.
        if (QFileInfo(file).exists() && !QFileInfo(file).isWritable())
            text = QStringLiteral("配置文件“%1”是只读的，更改无法保存。请允许写入该文件及其所在文件夹后重试。").arg(file);
        else
            text = QStringLiteral("读写配置文件“%1”时出错。请检查磁盘后重试。").arg(file);
        break;
    case SQLITE_ERROR:
        text = QStringLiteral("配置文件“%1”不能执行所需的操作，可能缺少数据表或列。").arg(file);
        break;
    default:
        text = QStringLiteral("访问配置文件“%1”时出错。").arg(file);
        break;
    }
    throw StoreError(text + QStringLiteral("（") + detail + QStringLiteral("）"));
}

} // namespace tvx::store
