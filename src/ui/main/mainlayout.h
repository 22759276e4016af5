#pragma once

namespace tvx::ui {

// Where the main window's movable controls go for a client area of W x H pixels. Sizes never go
// below zero, however small the window.
struct MainLayout {
    int columnLeft = 0;   // right-hand button column and the exit button
    int helpLeft = 0;     // help button, left of the column
    int adsWidth = 0;     // banner pane
    int listWidth = 0;    // URL list, log and progress bar
    int bottomRowTop = 0; // run-all, set-up, help and exit buttons
    int logTop = 0;
    int progressTop = 0;
    int logLabelTop = 0;
    int listHeight = 0; // the URL list is the one control that grows in both directions
    int statusTop = 0;  // status strip, 25 pixels at the bottom edge
    int statusWidth = 0;

    static MainLayout compute(int width, int height);
};

} // namespace tvx::ui
