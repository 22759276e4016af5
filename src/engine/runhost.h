#pragma once

#include "core/bookmark.h"

#include <QString>

#include <optional>

namespace tvx::engine {

// The main window's buttons that a run changes.
enum class RunButton { Add, Remove, Clear, SelAll, UnSelAll, Submit, AllSubmit, Setup };

// What the engine needs of the window that hosts a run: the log, the URL list, the progress bar,
// the buttons and message boxes. The main window is the production host; tests supply fakes.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void addLog(const QString& message) = 0;

    // Number of rows of the URL list, and the bookmark at a 1-based position.
    virtual qint32 rowCount() const = 0;
    virtual Bookmark bookmark(qint32 row) const = 0;
    virtual bool hasSelectedRow() const = 0;
    virtual void focusUrlList() = 0;

    virtual void setProgress(int percent) = 0;
    virtual void setProgressVisible(bool visible) = 0;

    virtual void setButtonEnabled(RunButton button, bool enabled) = 0;
    virtual void setButtonCaption(RunButton button, const QString& caption) = 0;
    virtual QString buttonCaption(RunButton button) const = 0;

    // Modal message boxes titled "提示" (information icon) and "错误" (warning icon); they return
    // when the user has closed them.
    virtual void showInformation(const QString& text) = 0;
    virtual void showError(const QString& text) = 0;

    // The submit-site selection: the chosen site ids ("3,5,12") when the user confirmed.
    virtual std::optional<QString> chooseSubmitSites() = 0;
};

} // namespace tvx::engine
