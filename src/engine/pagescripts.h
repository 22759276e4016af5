#pragma once

#include <QString>

// Every script the program puts into pages, in one place: each is a file of its own under
// engine/scripts, compiled in as a resource and loaded here, and handed out with its values filled in.
// (A site's own login script comes from its definition; the add dialog only reads document.title.)
namespace tvx::engine::pagescripts {

// The two scripts that disarm a page's dialogs, injected into every document of the worker browser
// and its frames before the page's own scripts run.
QString disarmShowModalDialog();
QString disarmAlert();

// Replaces the window's close() so that a page's wish to close the window is reported to the
// program (as a console message carrying `token`) instead of being ignored by the browser.
QString windowCloseHook(const QString& token);

// Announces a new top document to the program, as a console message carrying `token`.
QString documentAnnouncement(const QString& token);

// Lets the page step see a form that the page's own script submits: HTMLFormElement's submit() first
// fires the event `eventName` (bubbling) at the form.
QString formSubmitHook(const QString& eventName);

// Lets a page step see the page's own requests and same-document navigations: fetch() and
// XMLHttpRequest fire `eventName`-start and `eventName`-end (with the request's number, and at the end
// its HTTP status) at the window, `eventName`-ask has every request still under way told again, and
// history.pushState, replaceState to another path and a new fragment fire `eventName`-page.
QString requestWatchHook(const QString& eventName);

// The function that carries out one page step; it is called with the step's plan as its argument
// (engine/pageprotocol.h names the plan's parts and those of the report it returns).
const QString& pageStepRunner();

// The field picker of the site definitions window's browser pane, for every document and frame: a pick
// is reported as a console message starting with `token`; `on` is whether a new document starts
// picking.
QString picker(const QString& token, bool on);

// Switches picking on or off in the document shown.
QString pickerSwitch(bool on);

// Answers the document shown as HTML that runs nothing of the page's when opened again (no scripts,
// frames, event attributes or javascript: addresses), with a <base> of the page's address; the live
// page is not changed.
QString inertDocument();

} // namespace tvx::engine::pagescripts
