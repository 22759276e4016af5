#pragma once

#include "core/bookmark.h"

#include <QObject>

class QLineEdit;
class QTreeView;
class QWidget;

namespace tvx::engine {
class Clock;
}
namespace tvx::controls {
class Command;
}

namespace tvx::ui {

class UrlListModel;

// The URL list of the main window: the address box txtURL, the list lvwURLList and the five buttons
// that change it (添加, 移除, 清空, 全部选择, 取消选择). The list lives in its model; the engine reads
// it through bookmark() while a run goes on, when the buttons are disabled.
class UrlListController final : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit* txtURL = nullptr;
        QTreeView* lvwURLList = nullptr;
        controls::Command* cmdAdd = nullptr;
        controls::Command* cmdRemove = nullptr;
        controls::Command* cmdClear = nullptr;
        controls::Command* cmdSelAll = nullptr;
        controls::Command* cmdUnSelAll = nullptr;
    };

    // The add dialog measures its load time-out on `clock`; it opens over `window`.
    UrlListController(const Controls& controls, const engine::Clock& clock, QWidget* window);

    UrlListModel* model() const { return m_model; }
    const Controls& controls() const { return m_c; }

    qint32 rowCount() const;
    // The bookmark at a 1-based position; an empty one outside the list.
    Bookmark bookmark(qint32 row) const;
    bool hasSelectedRow() const;
    void focusList();

    void txtURL_GotFocus();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdClear_Click();
    void cmdSelAll_Click();
    void cmdUnSelAll_Click();

    // The list's selected row (0-based): the current row when it is selected (the row the user
    // clicked last), otherwise the topmost selected row; -1 when no row is selected.
    int selectedRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Controls m_c;
    const engine::Clock& m_clock;
    QWidget* m_window;
    UrlListModel* m_model;
};

} // namespace tvx::ui
