#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QWidget>

namespace tvx::platform {

namespace {
constexpr char kRole[] = "tvx_accessible_role";
constexpr char kUnseen[] = "tvx_accessible_unseen";

bool unseen(const QAccessibleInterface* iface)
{
    return iface && iface->object() && iface->object()->property(kUnseen).toBool();
}

// A widget with the role chosen for it, whose unseen children are left out of what it presents.
class PresentedWidget final : public QAccessibleWidget {
public:
    PresentedWidget(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface* child(int index) const override { return shownChildren().value(index); }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return int(shownChildren().indexOf(const_cast<QAccessibleInterface*>(child)));
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        QAccessibleInterface* at = QAccessibleWidget::childAt(x, y);
        return unseen(at) ? nullptr : at;
    }

private:
    QList<QAccessibleInterface*> shownChildren() const
    {
        QList<QAccessibleInterface*> shown;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface* c = QAccessibleWidget::child(i);
            if (c && !unseen(c))
                shown.append(c);
        }
        return shown;
    }
};

QAccessibleInterface* factory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRole);
    if (!role.isValid())
        return nullptr;
    return new PresentedWidget(static_cast<QWidget*>(object), QAccessible::Role(role.toInt()));
}

void present(QWidget* widget, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(&factory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kRole, int(role));
    // A widget made while assistive technology listens has its interface already; the next one asked
    // for comes from the factory.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
} // namespace

void presentAsWindow(QWidget* window)
{
    present(window, QAccessible::Window);
}

void hideFromAssistiveTechnology(QWidget* widget)
{
    widget->setProperty(kUnseen, true);
    QWidget* parent = widget->parentWidget();
    if (!parent || parent->property(kRole).isValid())
        return;
    if (qobject_cast<QDialog*>(parent))
        present(parent, QAccessible::Dialog);
    else
        present(parent, parent->isWindow() ? QAccessible::Window : QAccessible::Client);
}

} // namespace tvx::platform
