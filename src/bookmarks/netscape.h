#pragma once

#include "importeditem.h"

#include <QByteArray>
#include <QList>

namespace tvx::bookmarks {

// Netscape bookmark files, which browsers (Firefox, Chrome, Edge) and bookmarking services (Shaarli,
// Pinboard, ...) all export: every link's address, text, TAGS attribute (comma-separated) and the
// <DD> text after it, with the folders (<H3> followed by <DL>) it is filed under.
namespace netscape {

// Whether the bytes look like such a file rather than a table of values.
bool looksLike(const QByteArray& bytes);

// Reads the links of a file. The files are rarely well-formed (no </DT>, </DD> or </p>), so they are
// read with libxml2's tolerant HTML parser, which closes what is left open as a browser would.
// Stopped by `progress`, it returns the links read so far.
QList<ImportedItem> read(const QString& text, const ReadProgress& progress = {});

// Writes bookmarks as such a file in UTF-8, one folder-less list; categories become the TAGS
// attribute, the summary the <DD> text. `addDate` is the Unix time stamped on every link.
QByteArray write(const QList<Bookmark>& bookmarks, qint64 addDate);

} // namespace netscape
} // namespace tvx::bookmarks
