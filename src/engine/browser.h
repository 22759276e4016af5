#pragma once

#include "pagestep.h"

#include <QString>

#include <functional>

namespace tvx::engine {

// The worker browser as the engine sees it. Production drives Qt WebEngine; tests use fakes.
class Browser {
public:
    virtual ~Browser() = default;
    // Opens an address exactly as given; the empty address opens the blank page.
    virtual void navigate(const QString& address) = 0;
    // Cancels the navigation under way.
    virtual void stop() = 0;
    // Drops the page the run has used, with what it had queued and everything the sites left in it
    // (cookies, storage, cache, service workers), and goes on in a browser of its own that no site has
    // seen yet: every account starts in one, and none outlives its account.
    virtual void freshSession() = 0;
    // No script-error dialogs from the pages.
    virtual void setSilent(bool silent) = 0;
    // Runs a site's own script in the page's main world; its result is not awaited.
    virtual void runScript(const QString& code) = 0;
    // Runs one page step and reports its result, always exactly once and never from inside this call.
    virtual void runStep(const PageStep& step, std::function<void(const StepResult&)> done) = 0;
};

// Browser events delivered to the engine.
class BrowserEvents {
public:
    virtual ~BrowserEvents() = default;
    // A document finished loading (successfully or with an error page). `topLevel` is false for frames.
    virtual void pageComplete(bool topLevel) = 0;
    // A page asked to close the browser window; the window never closes.
    virtual void windowClosing() = 0;
};

} // namespace tvx::engine
