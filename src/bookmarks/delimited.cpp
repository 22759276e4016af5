#include "delimited.h"

#include <algorithm>

namespace tvx::bookmarks::delimited {

namespace {

enum Column { Url = 0, Title, Tags, Summary, ColumnCount };

// Header names, compared without case, blanks and the BOM.
int headerColumn(QString name)
{
    name = name.trimmed().toLower();
    name.remove(QChar(0xFEFF));
    name.remove(QLatin1Char(' '));
    static const QStringList names[ColumnCount] = {
        {QStringLiteral("url"), QStringLiteral("urls"), QStringLiteral("address"), QStringLiteral("link"),
         QStringLiteral("href"), QStringLiteral("uri"), QStringLiteral("网址"), QStringLiteral("链接"),
         QStringLiteral("地址"), QStringLiteral("网站")},
        {QStringLiteral("title"), QStringLiteral("name"), QStringLiteral("标题"), QStringLiteral("名称")},
        {QStringLiteral("tags"), QStringLiteral("tag"), QStringLiteral("categories"), QStringLiteral("category"),
         QStringLiteral("分类"), QStringLiteral("标签")},
        {QStringLiteral("summary"), QStringLiteral("description"), QStringLiteral("notes"), QStringLiteral("note"),
         QStringLiteral("excerpt"), QStringLiteral("摘要"), QStringLiteral("描述"), QStringLiteral("说明"),
         QStringLiteral("备注")},
    };
    for (int c = 0; c < ColumnCount; ++c)
        if (names[c].contains(name))
            return c;
    return -1;
}

// A spreadsheet takes a cell that begins with one of these for a formula (or, for a tab or a carriage
// return, drops what makes it text); titles and summaries come from pages and files, so such a cell
// is written after an apostrophe, which spreadsheets show as text. A cell that is an apostrophe
// before such a cell gets one more, so that reading back takes exactly one away.
bool needsFormulaGuard(QStringView cell)
{
    while (!cell.isEmpty() && cell.front() == QLatin1Char('\''))
        cell = cell.mid(1);
    if (cell.isEmpty())
        return false;
    const QChar c = cell.front();
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@') ||
           c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

QString withoutFormulaGuard(const QString& cell)
{
    return cell.startsWith(QLatin1Char('\'')) && needsFormulaGuard(QStringView(cell).mid(1)) ? cell.mid(1) : cell;
}

QString normalisedLineEnds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

QChar guessSeparator(const QString& text)
{
    int tabs = 0, commas = 0, semicolons = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (tabs + commas + semicolons > 0)
                break;
        } else if (!quoted && c == QLatin1Char('\t'))
            ++tabs;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
    }
    // Titles and summaries are full of commas, a cell hardly ever holds a tab: a record with a tab is
    // tab-separated, however many commas its text has.
    if (tabs > 0)
        return QLatin1Char('\t');
    if (semicolons > commas)
        return QLatin1Char(';');
    return QLatin1Char(',');
}

QList<Record> records(const QString& text, QChar separator, const ReadProgress& progress)
{
    QList<Record> out;
    Record record;
    QString field;
    bool inQuotes = false;
    bool fieldStarted = false; // the record has content (a blank line has none)
    int line = 1;
    record.line = 1;
    const qsizetype n = text.size();
    const auto endField = [&] {
        record.fields.append(field);
        field.clear();
    };
    const auto endRecord = [&](int nextLine) {
        if (fieldStarted || !record.fields.isEmpty()) {
            endField();
            out.append(std::move(record));
        }
        record = Record{};
        field.clear();
        record.line = nextLine;
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (progress && (i & 0xFFFF) == 0 && i > 0 && !progress(i, n))
            return out;
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n') ||
                    (c == QLatin1Char('\r') && !(i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            inQuotes = true;
            fieldStarted = true;
        } else if (c == separator) {
            endField();
            fieldStarted = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord(line);
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    endRecord(line);
    return out;
}

QList<ImportedItem> read(const QString& text, const ReadProgress& progress)
{
    const QList<Record> all = records(text, guessSeparator(text), progress);
    if (all.isEmpty())
        return {};
    int columns[ColumnCount] = {Url, Title, Tags, Summary};
    qsizetype first = 0;
    bool header = false;
    for (const QString& name : all.first().fields)
        header = header || headerColumn(name) == Url;
    if (header) {
        std::fill(std::begin(columns), std::end(columns), -1);
        const QStringList& names = all.first().fields;
        for (int i = 0; i < names.size(); ++i) {
            const int c = headerColumn(names.at(i));
            if (c >= 0 && columns[c] < 0)
                columns[c] = i;
        }
        first = 1;
    }
    QList<ImportedItem> items;
    items.reserve(all.size() - first);
    for (qsizetype r = first; r < all.size(); ++r) {
        const Record& record = all.at(r);
        if (std::all_of(record.fields.begin(), record.fields.end(),
                        [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        const auto field = [&](int c) {
            const int i = columns[c];
            return i >= 0 && i < record.fields.size() ? withoutFormulaGuard(record.fields.at(i)) : QString();
        };
        ImportedItem item;
        item.line = record.line;
        item.bookmark.url = field(Url).trimmed();
        item.bookmark.title = field(Title).trimmed();
        item.bookmark.tags = categoriesFromList(field(Tags));
        item.bookmark.summary = normalisedLineEnds(field(Summary)).trimmed();
        items.append(std::move(item));
    }
    return items;
}

QString csvRecord(const QStringList& fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString& field : fields) {
        const bool guard = needsFormulaGuard(field);
        const QString f = guard ? QLatin1Char('\'') + field : field;
        const bool quote = guard || f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) ||
                           f.contains(QLatin1Char('\n')) || f.contains(QLatin1Char('\r')) ||
                           (!f.isEmpty() && (f.front().isSpace() || f.back().isSpace()));
        if (quote) {
            QString q = f;
            q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            out.append(QLatin1Char('"') + q + QLatin1Char('"'));
        } else {
            out.append(f);
        }
    }
    return out.join(QLatin1Char(','));
}

QByteArray writeCsv(const QList<Bookmark>& bookmarks)
{
    QString text =
        csvRecord({QStringLiteral("网址"), QStringLiteral("标题"), QStringLiteral("分类"), QStringLiteral("摘要")}) +
        QStringLiteral("\r\n");
    for (const Bookmark& b : bookmarks)
        text += csvRecord({b.url, b.title, b.tags, b.summary}) + QStringLiteral("\r\n");
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace tvx::bookmarks::delimited
