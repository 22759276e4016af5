#pragma once

#include <QString>
#include <QTemporaryDir>

#include <initializer_list>

namespace tvx::test {

// A store file in a fresh temporary folder, made from the delivered schema and settings row, with
// optional extra SQL (site rows, accounts, damage).
class TempStore {
public:
    explicit TempStore(const QString& extraSql = {}, bool withDeliveredSites = false);
    const QString& path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    // Runs SQL directly on the file, outside the program.
    void exec(const QString& sql) const;
    // One column of the first row of a query, as text ("" for null).
    QString scalar(const QString& sql) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Makes a file read-only for this process, also when the tests run as root (where permission bits
// are not enforced: the file is then marked immutable). The mark is taken off again on destruction.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(QString path);
    ~ReadOnlyFile();
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_ok = false;
};

// The delivered SQL sources.
QString dataFile(const QString& name);

} // namespace tvx::test
