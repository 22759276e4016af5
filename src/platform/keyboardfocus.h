#pragma once

class QWebEngineView;

namespace tvx::platform {

// Keeps a browser out of the keyboard focus for good: neither Tab nor a click takes the focus into it
// or into the widgets Qt WebEngine puts inside it, navigations do not claim it, and focus given to it
// any other way (a page's script, the engine) goes straight back where it was. So keys the user types
// never reach its page: the worker browser's site forms, the information panes, the add dialog's
// hidden page.
void keepOutOfKeyboardFocus(QWebEngineView* view);

// A browser the user never sees (the worker browser, the add dialog's title fetcher) takes no input
// at all: it is disabled for input, so that neither keys nor the pointer nor a focus request can reach
// its page, and kept out of the keyboard focus as above; nor is it shown to assistive technology. It
// loads and runs its pages all the same.
void keepOutOfUserInput(QWebEngineView* view);

} // namespace tvx::platform
