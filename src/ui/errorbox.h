#pragma once

#include "bookmarks/bookmarkfile.h"
#include "platform/messagebox.h"
#include "store/storeerror.h"

#include <utility>

class QWidget;

namespace tvx::ui {

// Runs `work`; when it throws a `Failure`, shows the failure's description in the "错误" box over
// `parent`. Returns whether `work` ran to its end.
template <typename Failure, typename Work> bool showingError(QWidget* parent, Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Failure& e) {
        MessageBox::error(parent, e.description());
        return false;
    }
}

template <typename Work> bool showingStoreError(QWidget* parent, Work&& work)
{
    return showingError<store::StoreError>(parent, std::forward<Work>(work));
}

template <typename Work> bool showingFileError(QWidget* parent, Work&& work)
{
    return showingError<bookmarks::FileError>(parent, std::forward<Work>(work));
}

} // namespace tvx::ui
