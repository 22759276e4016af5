// The program's main window in a process of its own, meant to be killed: it starts up on a store
// (restoring the list kept there), then changes its URL list without pause, printing "done <step>"
// after each change has returned.
//
//   listworker <tvx.cfg> <first step>
#include "listops.h"
#include "platform/messagebox.h"
#include "store/programstore.h"
#include "ui/main/mainwindow.h"

#include <QApplication>

#include <cstdio>

using namespace tvx;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    ui::MessageBox::setAnswerer([](const ui::MessageBox::Shown& shown) {
        std::printf("box %s\n", shown.text.toUtf8().constData());
        std::fflush(stdout);
        return true;
    });
    store::ProgramStore store;
    ui::MainWindow w(store, {QString::fromLocal8Bit(argv[1]), QString(),
                             WebHosts{QStringLiteral("http://127.0.0.1:9"), QString(), QString()}});
    w.Form_Load();
    std::printf("ready %d\n", w.urlListModel()->rowCount());
    std::fflush(stdout);
    for (int step = std::atoi(argv[2]);; ++step) {
        test::listops::apply(*w.urlListModel(), step);
        std::printf("done %d\n", step);
        std::fflush(stdout);
    }
}
