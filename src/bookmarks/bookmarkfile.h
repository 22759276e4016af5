#pragma once

#include "importeditem.h"

#include <QList>
#include <QString>

namespace tvx::bookmarks {

enum class FileKind { Netscape, Delimited };

// What a bookmark file holds, read whole: its links, its kind and the encoding it was read in.
struct FileContents {
    QList<ImportedItem> items;
    FileKind kind = FileKind::Delimited;
    QString encoding;
    bool stopped = false; // the read was stopped before the end
};

// Reads the bytes of a bookmark file of either kind, told apart by content, not by name.
FileContents readBookmarkBytes(const QByteArray& bytes, const ReadProgress& progress = {});

// The same for a file; throws FileError when it cannot be read.
FileContents readBookmarkFile(const QString& path, const ReadProgress& progress = {});

// Writes `bytes` to `path` whole or not at all (a new file renamed over the old); throws FileError.
void writeWholeFile(const QString& path, const QByteArray& bytes);

class FileError final : public std::exception {
public:
    explicit FileError(QString description)
        : m_description(std::move(description))
        , m_utf8(m_description.toUtf8())
    {
    }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

} // namespace tvx::bookmarks
