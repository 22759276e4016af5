#pragma once

#include <QStringList>

namespace tvx::app {

// tavrinex-run: the kept URL list submitted to the accounts without a window, by the same engine, store,
// results and evidence as the window program (its main window is made but never seen; the worker
// browser is offscreen). The run log's lines go to standard output with their times, the results'
// counts at the end; what goes wrong goes to standard error in Chinese.
//
// Exit status: 0 every pair submitted (or the check found no fault), 1 some failed, 2 it could not run.
struct CommandRun {
    enum Exit { AllSubmitted = 0, SomeFailed = 1, CouldNotRun = 2 };

    // Runs the command line `arguments` (without the program's name); the application exists.
    static int run(const QStringList& arguments);
    static QString helpText();
};

} // namespace tvx::app
