#include "urllistmodel.h"

#include "platform/plaintext.h"

namespace tvx::ui {

int UrlListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UrlListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

namespace {
// The list shows each bookmark on one line: a summary of several lines (typed, or imported) would make
// the first row, and with it every row, as tall as its lines and cut the rest. The line breaks show as
// blanks; the tooltip and the bookmark keep them.
QString oneLine(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029))
            c = QLatin1Char(' ');
    return text;
}
} // namespace

QVariant UrlListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const QString text = cellText(index);
    if (role == Qt::ToolTipRole)
        return platform::plainToolTip(text);
    return index.column() == Number ? text : oneLine(text);
}

QString UrlListModel::cellText(const QModelIndex& index) const
{
    const Row& row = m_rows.at(index.row());
    switch (index.column()) {
    case Number:
        return QString::number(row.number);
    case Url:
        return row.bookmark.url;
    case Title:
        return row.bookmark.title;
    case Tags:
        return row.bookmark.tags;
    case Summary:
        return row.bookmark.summary;
    default:
        return {};
    }
}

QVariant UrlListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString headers[ColumnCount] = {QStringLiteral("#"), QStringLiteral("网址"), QStringLiteral("标题"),
                                                 QStringLiteral("分类"), QStringLiteral("摘要")};
    return section >= 0 && section < ColumnCount ? headers[section] : QVariant();
}

QString UrlListModel::newKey(qint64 number)
{
    // "K" and the row number, unless a row kept from before a removal already holds that key.
    QString key = QStringLiteral("K%1").arg(number);
    while (m_keys.contains(key))
        key = QStringLiteral("K%1_%2").arg(number).arg(++m_keySerial);
    m_keys.insert(key);
    return key;
}

void UrlListModel::append(const Bookmark& bookmark)
{
    appendMany({bookmark});
}

void UrlListModel::appendMany(const QList<Bookmark>& bookmarks)
{
    if (bookmarks.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(bookmarks.size()) - 1);
    m_rows.reserve(m_rows.size() + bookmarks.size());
    for (const Bookmark& bookmark : bookmarks) {
        const qint64 number = m_rows.size() + 1;
        m_rows.append(Row{number, newKey(number), bookmark});
    }
    endInsertRows();
}

void UrlListModel::removePositions(const QList<int>& positions)
{
    QList<bool> gone(m_rows.size(), false);
    for (int p : positions)
        if (p >= 0 && p < m_rows.size())
            gone[p] = true;
    beginResetModel();
    QList<Row> kept;
    kept.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (gone.at(i))
            m_keys.remove(m_rows.at(i).key);
        else
            kept.append(std::move(m_rows[i]));
    }
    m_rows = std::move(kept);
    endResetModel();
}

void UrlListModel::restore(const QList<Row>& rows)
{
    beginResetModel();
    m_rows.clear();
    m_keys.clear();
    for (const Row& row : rows) {
        Row r = row;
        if (r.key.isEmpty() || m_keys.contains(r.key))
            r.key = newKey(r.number);
        else
            m_keys.insert(r.key);
        m_rows.append(std::move(r));
    }
    endResetModel();
}

void UrlListModel::removeAt(int position)
{
    if (position < 0 || position >= m_rows.size())
        return;
    beginRemoveRows({}, position, position);
    m_keys.remove(m_rows.at(position).key);
    m_rows.removeAt(position);
    endRemoveRows();
}

void UrlListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_keys.clear();
    endResetModel();
}

} // namespace tvx::ui
