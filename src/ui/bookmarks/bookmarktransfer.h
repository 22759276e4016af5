#pragma once

#include "bookmarks/bookmarkfile.h"
#include "bookmarks/importsort.h"

#include <QList>
#include <QObject>

#include <optional>

class QWidget;

namespace tvx::ui {

class UrlListModel;

// Brings bookmark files into the URL list and writes the list out again: the file dialogs, reading a
// long file in the background behind a progress dialog that can cancel it, and the boxes that say
// what happened.
class BookmarkTransfer final : public QObject {
    Q_OBJECT
public:
    BookmarkTransfer(QWidget* window, UrlListModel& model, QObject* parent = nullptr);

    // "导入书签": asks for a file and adds its bookmarks to the end of the list.
    void importBookmarks();
    // Adds the bookmarks of a file, as after choosing it; returns what was done (nothing when the read
    // was cancelled or failed).
    bookmarks::ImportOutcome importFile(const QString& path);

    // "导出书签": the whole list, or the rows at `positions`, to a Netscape bookmark file or CSV.
    void exportBookmarks(const QList<int>& positions = {}, bool selectedOnly = false);

    // Files from this size on (bytes) are read in the background behind a progress dialog; smaller
    // ones take a moment and are read at once.
    void setBackgroundFrom(qint64 bytes) { m_backgroundFrom = bytes; }

signals:
    // The progress dialog of a read has been shown (tests cancel it through this).
    void progressShown(QWidget* dialog);

private:
    // Reads a file, a long one on a thread of its own while the window stays live; nullopt when
    // cancelled or failed (the failure reported).
    std::optional<bookmarks::FileContents> read(const QString& path);

    QWidget* m_window;
    UrlListModel& m_model;
    qint64 m_backgroundFrom = 512 * 1024;
};

} // namespace tvx::ui
