#pragma once

#include "core/bookmark.h"

#include <QStringList>

#include <functional>

namespace tvx::bookmarks {

// One bookmark as read from a file, with where it stood (the line its record or link begins on) and
// the folders it was filed under, outermost first.
struct ImportedItem {
    Bookmark bookmark;
    int line = 0;
    QStringList folders;
};

// Told how far a long read has come (`done` of `total`, in the reader's own units); answers false to
// stop the read, which then returns what it has without finishing.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

// The program keeps categories as one text with single blanks between them. A category from another
// program may hold blanks of its own ("open source"): they become underscores so that it stays one.
QString categoryWord(const QString& name);

// Categories from a list separated by commas (also "，", "、", ";", "；"), blanks or both, without
// repeats, joined with single blanks.
QString categoriesFromList(const QString& list);

// `tags` with the words of `more` added after it, without repeats.
QString mergeCategories(const QString& tags, const QStringList& more);

} // namespace tvx::bookmarks
