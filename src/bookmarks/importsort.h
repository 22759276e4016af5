#pragma once

#include "importeditem.h"

#include <QList>
#include <QSet>

namespace tvx::bookmarks {

// Why an address was refused.
struct Refusal {
    int line = 0;
    QString url;
    QString reason;
};

// What an import does with the bookmarks of a file: those added (in the file's order), how many were
// skipped because the list (or the file before them) already holds their address, and those refused.
struct ImportOutcome {
    QList<Bookmark> added;
    int skipped = 0;
    QList<Refusal> refused;
};

// The reason an address cannot be submitted, or empty when it is an http(s) URL with a host.
QString refusalReason(const QString& url);

// The form in which two addresses count as the same: scheme and host in lower case, an empty path as
// "/", the default port left out. Addresses that differ otherwise are different bookmarks.
QString addressKey(const QString& url);

// Sorts what a file holds against the addresses already in the list (`known`, as addressKey gives
// them). With `foldersAsCategories`, each folder a bookmark was filed under becomes a category.
ImportOutcome sortImported(const QList<ImportedItem>& items, const QSet<QString>& known, bool foldersAsCategories);

} // namespace tvx::bookmarks
