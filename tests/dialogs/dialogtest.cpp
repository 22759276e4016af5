#include "dialogtest.h"

#include "controls/button/command.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
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

namespace {
// The button draws its caption with parts of its own; those are the button's business.
bool partOfAButton(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const controls::Command*>(p))
            return true;
    return false;
}
} // namespace

QStringList captions(const QWidget& window)
{
    QStringList out;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (partOfAButton(w))
            continue;
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(w))
            text = label->text();
        else if (const auto* button = qobject_cast<const controls::Command*>(w))
            text = button->caption();
        else if (const auto* frame = qobject_cast<const QGroupBox*>(w))
            text = frame->title();
        else
            continue;
        out.append(w->objectName() + QLatin1Char('=') + text);
    }
    out.sort();
    return out;
}

QString layoutFault(const QWidget& window)
{
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        // Browsers are placed partly or wholly outside on purpose (the status strip, the unseen ones).
        if (w->isWindow() || !w->isVisible() || w->objectName().isEmpty() || partOfAButton(w) ||
            w->inherits("QWebEngineView"))
            continue;
        if (!w->parentWidget()->rect().contains(w->geometry()))
            return w->objectName() + QStringLiteral(" sticks out of its parent");
        const auto* label = qobject_cast<const QLabel*>(w);
        if (!label)
            continue;
        if (label->width() < label->sizeHint().width() || label->height() < label->sizeHint().height())
            return label->objectName() + QStringLiteral(" is clipped");
        // The glyphs, not the label's padding, must stay clear of the other controls.
        const QRect text = textInk(label);
        for (const QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other != label && other->isVisible() && !qobject_cast<const QLabel*>(other) &&
                text.intersects(other->geometry()))
                return label->objectName() + QStringLiteral(" runs into ") + other->objectName();
    }
    return {};
}

bool saveScreenshot(QWidget& window, const QString& file)
{
    QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
    return window.grab().save(QStringLiteral(TVX_SCREENSHOT_DIR "/") + file + QStringLiteral(".png"));
}

} // namespace tvx::test
