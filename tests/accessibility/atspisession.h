#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

namespace tvx::test {

// A desktop of the test's own, with no screen and no terminal: a virtual X server (Xvfb), a private
// D-Bus session bus, and on it, started on demand, the AT-SPI accessibility bus and registry. Windows
// are shown on that X server through Qt's xcb platform (the offscreen platform has no AT-SPI bridge),
// and an AT-SPI client reads them as a screen reader would. Nothing of the machine's own session is
// touched, so it runs the same in CI, as root, and beside other tests.
class AtspiSession final {
public:
    AtspiSession() = default;
    ~AtspiSession();
    AtspiSession(const AtspiSession&) = delete;
    AtspiSession& operator=(const AtspiSession&) = delete;

    // Starts the X server and the bus and sets this process's environment for them (DISPLAY,
    // DBUS_SESSION_BUS_ADDRESS, the xcb platform, the accessibility bridge always on). Call it before
    // the QApplication exists. On failure, says why.
    bool start(QString* error);

private:
    pid_t m_xvfb = -1;
    pid_t m_bus = -1;
    QTemporaryDir m_runtime;
};

} // namespace tvx::test
