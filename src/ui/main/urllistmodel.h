#pragma once

#include "core/bookmark.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>

namespace tvx::ui {

// The rows of the URL list: row number given when the row was added, a unique key, and the bookmark.
// Rows are addressed by their 0-based position here (the engine's 1-based `mlngCurRow` less one).
class UrlListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number = 0, Url, Title, Tags, Summary, ColumnCount };

    struct Row {
        qint64 number = 0;
        QString key;
        Bookmark bookmark;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends a row numbered (rows before adding) + 1, with a key no other row holds.
    void append(const Bookmark& bookmark);
    // Appends rows as one change, each numbered as if added one after another.
    void appendMany(const QList<Bookmark>& bookmarks);
    void removeAt(int position);
    // Removes the rows at these positions as one change (the model is reset).
    void removePositions(const QList<int>& positions);
    void clear();
    // Replaces every row with rows kept from before (numbers and keys as they were).
    void restore(const QList<Row>& rows);

    const Row& rowAt(int position) const { return m_rows.at(position); }

private:
    QString cellText(const QModelIndex& index) const;
    QString newKey(qint64 number);

    QList<Row> m_rows;
    QSet<QString> m_keys;
    qint64 m_keySerial = 0;
};

} // namespace tvx::ui
