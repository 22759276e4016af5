#pragma once

#include <QString>

// Every script the program puts into pages, in one place.
namespace tvx::engine::pagescripts {

// The two scripts that disarm a page's dialogs, injected into every document of the worker browser
// and its frames before the page's own scripts run.
QString disarmShowModalDialog();
QString disarmAlert();

// Replaces the window's close() so that a page's wish to close the window is reported to the
// program (as a console message carrying `token`) instead of being ignored by the browser.
QString windowCloseHook(const QString& token);

// Lets the page step see a form that the page's own script submits: HTMLFormElement's submit() first
// fires the event `eventName` (bubbling) at the form.
QString formSubmitHook(const QString& eventName);

// The function that carries out one page step; it is called with the step as its argument.
const QString& pageStepRunner();

} // namespace tvx::engine::pagescripts
