#pragma once

#include "importeditem.h"

#include <QByteArray>
#include <QList>

namespace tvx::bookmarks {

// Comma- and tab-separated text (CSV, TSV) as spreadsheets write it: RFC 4180 records, whose fields
// may be quoted to hold the separator, doubled quotes and line breaks.
namespace delimited {

// One record's fields and the line it begins on (1-based).
struct Record {
    QStringList fields;
    int line = 0;
};

// The separator of the text: a tab when the first record (outside quotes) has one, else a comma or a
// semicolon, whichever it uses more; a comma when it uses none.
QChar guessSeparator(const QString& text);

// Splits text into records. Blank lines are no records. A quote inside an unquoted field, and text after
// a closing quote, are kept as they stand, as spreadsheets read them.
QList<Record> records(const QString& text, QChar separator, const ReadProgress& progress = {});

// The bookmarks of a table: the first record is a header when it names the address column ("url",
// "网址", ...; also title/标题, tags/分类, summary/摘要 and their usual synonyms) and the columns are
// taken by name, in any order; otherwise the columns are address, title, categories, summary.
QList<ImportedItem> read(const QString& text, const ReadProgress& progress = {});

// The list as CSV for a spreadsheet: UTF-8 with a byte-order mark, a header row 网址,标题,分类,摘要,
// CR LF between records, fields quoted where they hold a comma, a quote, a line break or blanks at
// their ends.
QByteArray writeCsv(const QList<Bookmark>& bookmarks);

// One CSV record (without its line end), quoting as above.
QString csvRecord(const QStringList& fields);

} // namespace delimited
} // namespace tvx::bookmarks
