#include "platform/paths.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "ui/main/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrinex"));
    tvx::platform::applyProgramFont(app);

    tvx::store::ProgramStore store;
    tvx::ui::MainWindow window(store, {tvx::platform::storePath(), tvx::platform::helpPath(),
                                       tvx::WebHosts::production()});
    window.show();
    window.Form_Load();
    return app.exec();
}
