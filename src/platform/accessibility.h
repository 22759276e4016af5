#pragma once

class QWidget;

namespace tvx::platform {

// How assistive technology (a screen reader, over AT-SPI) is to present a widget where Qt's own
// choice does not fit.

// A top-level window of the program that is a plain widget: presented as a window (a frame), as its
// dialogs are, rather than as an anonymous filler.
void presentAsWindow(QWidget* window);

// A widget the user never sees (a browser placed outside the window): left out of what its parent
// presents, so that its contents (a site's login form in the middle of a run) are never read out.
void hideFromAssistiveTechnology(QWidget* widget);

} // namespace tvx::platform
