#include "urllistmodel.h"

namespace tvx::ui {

int UrlListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UrlListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UrlListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
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

void UrlListModel::append(const engine::Bookmark& bookmark)
{
    const qint64 number = m_rows.size() + 1;
    // "K" and the row number, unless a row kept from before a removal already holds that key.
    QString key = QStringLiteral("K%1").arg(number);
    while (m_keys.contains(key))
        key = QStringLiteral("K%1_%2").arg(number).arg(++m_keySerial);
    const int position = int(m_rows.size());
    beginInsertRows({}, position, position);
    m_rows.append(Row{number, key, bookmark});
    m_keys.insert(key);
    endInsertRows();
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
