#pragma once

#include <QAbstractTableModel>
#include <QList>

namespace tvx::ui {

// The run log: time-stamped lines that are only ever appended.
class RunLogModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time = 0, Message, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const QString& time, const QString& message);

private:
    struct Line {
        QString time;
        QString message;
    };
    QList<Line> m_lines;
};

} // namespace tvx::ui
