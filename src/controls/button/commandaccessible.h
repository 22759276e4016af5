#pragma once

#include <QAccessibleWidget>

namespace tvx::controls {

class Command;

// What assistive technology sees of a Command: one push button, named by its caption (without the
// "&" of its access key) or by its accessible name, described by its tool tip, with a press action
// and its access key. The caption label and the icon box inside are how the button draws itself, not
// parts of their own, so the button has no accessible children.
class CommandAccessible final : public QAccessibleWidget {
public:
    explicit CommandAccessible(Command* button);

    // Installed once, by the first button made.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    Command* button() const;
};

} // namespace tvx::controls
