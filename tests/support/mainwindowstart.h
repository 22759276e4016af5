#pragma once

#include "ui/main/mainwindow.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace tvx::test {

// Shows the main window and loads it as the program's start does; true once the worker browser has
// its blank page, after which a run can start.
inline bool startMainWindow(ui::MainWindow& window)
{
    window.show();
    QSignalSpy blanked(window.workerBrowser()->page(), &QWebEnginePage::loadFinished);
    window.Form_Load();
    return blanked.wait(30000);
}

} // namespace tvx::test
