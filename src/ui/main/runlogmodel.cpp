#include "runlogmodel.h"

#include "platform/plaintext.h"

namespace tvx::ui {

int RunLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int RunLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RunLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Line& line = m_lines.at(index.row());
    const QString& text = index.column() == Time ? line.time : line.message;
    return role == Qt::ToolTipRole ? platform::plainToolTip(text) : text;
}

QVariant RunLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == Time)
        return QStringLiteral("时间");
    if (section == Message)
        return QStringLiteral("信息");
    return {};
}

void RunLogModel::append(const QString& time, const QString& message)
{
    const int position = int(m_lines.size());
    beginInsertRows({}, position, position);
    m_lines.append(Line{time, message});
    endInsertRows();
}

} // namespace tvx::ui
