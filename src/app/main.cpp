#include "platform/onecopy.h"
#include "platform/paths.h"
#include "platform/programfont.h"
#include "platform/programlanguage.h"
#include "store/programstore.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    // Qt WebEngine shares OpenGL contexts with the widgets; this must be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrinex"));
    // Desktops match the window to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tavrinex"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavrinex")));
    tvx::platform::applyProgramFont(app);
    tvx::platform::applyProgramLanguage(app);

    // A second copy on the same store brings the first one's window to the front and ends.
    tvx::platform::OneCopyGuard oneCopy(tvx::platform::storePath());
    if (!oneCopy.claimOrSay())
        return 0;

    tvx::store::ProgramStore store;
    tvx::ui::MainWindow::Options options{tvx::platform::storePath(), tvx::platform::helpPath(),
                                         tvx::WebHosts::production(), nullptr, true};
    options.keyringService = QStringLiteral("Tavrinex"); // the accounts' passwords in the desktop's keyring
    tvx::ui::MainWindow window(store, options);
    QObject::connect(&oneCopy, &tvx::platform::OneCopyGuard::anotherStart, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.show();
    window.Form_Load();
    return app.exec();
}
