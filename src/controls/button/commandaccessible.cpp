#include "commandaccessible.h"

#include "command.h"

#include <QKeySequence>

namespace tvx::controls {

namespace {
// "添加(&A)" reads "添加(A)"; "&&" is a plain "&".
QString withoutAccessKey(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        out.append(caption.at(i));
    }
    return out;
}
} // namespace

CommandAccessible::CommandAccessible(Command* button)
    : QAccessibleWidget(button, QAccessible::Button)
{
}

QAccessibleInterface* CommandAccessible::factory(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<Command*>(object))
        return new CommandAccessible(button);
    return nullptr;
}

Command* CommandAccessible::button() const
{
    return static_cast<Command*>(widget());
}

QString CommandAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return button()->accessibleName().isEmpty() ? withoutAccessKey(button()->caption())
                                                    : button()->accessibleName();
    case QAccessible::Accelerator:
        return QKeySequence::mnemonic(button()->caption()).toString(QKeySequence::NativeText);
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State CommandAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.pressed = button()->isDown() || button()->state() == Command::Pressed;
    s.defaultButton = button()->isDefault();
    return s;
}

QStringList CommandAccessible::actionNames() const
{
    if (!button()->isEnabled())
        return {};
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void CommandAccessible::doAction(const QString& actionName)
{
    if (!button()->isEnabled())
        return;
    // The click comes a moment later, from the event loop: a window that the click opens modally must
    // not hold up the answer to the assistive technology that asked for it.
    if (actionName == pressAction())
        button()->animateClick();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList CommandAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction()) {
        const QKeySequence key = QKeySequence::mnemonic(button()->caption());
        if (!key.isEmpty())
            return {key.toString(QKeySequence::NativeText)};
    }
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

} // namespace tvx::controls
