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
    // While held, carries out nothing: what is queued is dropped, the load is stopped, navigations and
    // scripts go nowhere and every page step is answered as not delivered, in a fresh session too. 中止
    // holds the browser when it is pressed, and the abort releases it once handled, so that nothing the
    // run asks for while the abort waits behind a step in flight reaches a site.
    virtual void hold(bool held) = 0;
    // No script-error dialogs from the pages.
    virtual void setSilent(bool silent) = 0;
    // Runs a site's own script in the page's main world; its result is not awaited.
    virtual void runScript(const QString& code) = 0;
    // Runs one page step and reports its result, always exactly once and never from inside this call.
    virtual void runStep(const PageStep& step, std::function<void(const StepResult&)> done) = 0;
};

// What the site answered with a top-level page that completed, when that was not a page of its own:
// an HTTP error, or no answer at all (the load failed).
struct PageAnswer {
    int httpStatus = 0; // 400-599: the site's HTTP error; 0: none
    QString noAnswer;   // why no answer came, in the user's words ("连接被拒绝"); empty: an answer came
    // The answer came to a press on a page that stays (a login by fetch()): its login form may stay on
    // it whatever the site said, so it tells nothing of a refused login.
    bool pageStayed = false;

    bool failed() const { return httpStatus != 0 || !noAnswer.isEmpty(); }
    // The answer as the results name it: "网站拒绝（HTTP 500）", "没有应答（连接被拒绝）".
    QString describe() const
    {
        if (httpStatus != 0)
            return QStringLiteral("网站拒绝（HTTP %1）").arg(httpStatus);
        return noAnswer.isEmpty() ? QString() : QStringLiteral("没有应答（%1）").arg(noAnswer);
    }
};

// Browser events delivered to the engine.
class BrowserEvents {
public:
    virtual ~BrowserEvents() = default;
    // The top-level page whose pageComplete comes next is an HTTP error or a failed load; told right
    // before it.
    virtual void pageFailed(const PageAnswer& answer) { (void)answer; }
    // A document finished loading (successfully or with an error page). `topLevel` is false for frames.
    virtual void pageComplete(bool topLevel) = 0;
    // A page asked to close the browser window; the window never closes.
    virtual void windowClosing() = 0;
    // The last page step's press started no navigation, and what it started has answered: its requests
    // with success, or with the HTTP error `answer` tells (answer.failed()), or the page moved to another
    // address of the same document. It stands for the page the press would have brought.
    virtual void pressAnswered(const PageAnswer& answer) { (void)answer; }
};

} // namespace tvx::engine
