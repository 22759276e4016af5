#include "dialogtest.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QTest>
#include <QTimer>

namespace tvx::test {

void whenModal(const QString& name, std::function<void(QDialog*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, name, action, deadline] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == name && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        } else if (deadline.hasExpired()) {
            qWarning("modal dialog %s never came up", qPrintable(name));
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

bool saveScreenshot(QWidget& window, const QString& file)
{
    QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
    return window.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/") + file + QStringLiteral(".png"));
}

} // namespace tvx::test
