#include "atspisession.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tvx::test {

namespace {
// Starts `argv` in a process group of its own, its standard output a pipe whose read end is
// returned in `out`; standard error goes nowhere.
pid_t spawn(const std::vector<std::string>& argv, int* out)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(pipeFds[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return -1;
    }
    *out = pipeFds[0];
    return pid;
}

// The first line the process writes, within `ms` milliseconds; empty if none.
QByteArray firstLine(int fd, int ms)
{
    QByteArray line;
    pollfd p{fd, POLLIN, 0};
    while (!line.contains('\n') && poll(&p, 1, ms) > 0) {
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, n);
    }
    close(fd);
    return line.contains('\n') ? line.left(line.indexOf('\n')).trimmed() : QByteArray();
}

// Ends the process group `pid` leads, with what the bus started on demand in it, and collects every
// member: this process is their subreaper, so none is left behind as a zombie.
void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    for (int waited = 0; waited < 5000; waited += 10) {
        int status = 0;
        const pid_t gone = waitpid(-pid, &status, WNOHANG);
        if (gone < 0 && errno == ECHILD)
            return;
        if (gone <= 0)
            usleep(10000);
    }
    kill(-pid, SIGKILL);
    while (waitpid(-pid, nullptr, 0) > 0) {
    }
}
} // namespace

bool AtspiSession::start(QString* error)
{
    // Helpers the bus starts outlive their parent for a moment; they come to this process to be collected.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    if (!m_runtime.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The accessibility bus puts its socket under the runtime folder: a private one keeps it apart.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));

    int out = -1;
    m_xvfb = spawn({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, &out);
    const QByteArray display = m_xvfb > 0 ? firstLine(out, 30000) : QByteArray();
    if (display.isEmpty()) {
        *error = QStringLiteral("Xvfb did not start (package xvfb; bash scripts/deps.sh)");
        return false;
    }
    m_bus = spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, &out);
    const QByteArray address = m_bus > 0 ? firstLine(out, 30000) : QByteArray();
    if (address.isEmpty()) {
        *error = QStringLiteral("dbus-daemon did not start (package dbus; bash scripts/deps.sh)");
        return false;
    }
    if (!QFile::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher"))) {
        *error = QStringLiteral("AT-SPI is not installed (package at-spi2-core; bash scripts/deps.sh)");
        return false;
    }
    qputenv("DISPLAY", ":" + display);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    qunsetenv("AT_SPI_BUS_ADDRESS");
    return true;
}

AtspiSession::~AtspiSession()
{
    stop(m_bus);
    stop(m_xvfb);
}

} // namespace tvx::test
