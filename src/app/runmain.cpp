#include "commandrun.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    // The worker browser needs no screen: without a platform asked for, it runs offscreen, so that a
    // timer of the user's session manager can run the command with no display at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrinex"));
    QApplication::setApplicationVersion(QStringLiteral(TVX_VERSION));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return tvx::app::CommandRun::run(arguments);
}
