#include "keyboardfocus.h"

#include "accessibility.h"

#include <QApplication>
#include <QChildEvent>
#include <QPointer>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace tvx::platform {

namespace {
class FocusGuard final : public QObject {
public:
    explicit FocusGuard(QWebEngineView* view)
        : QObject(view)
        , m_view(view)
    {
        refuse(view);
        connect(qApp, &QApplication::focusChanged, this, &FocusGuard::focusChanged);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Qt WebEngine adds the widget that shows the page later, and again after a renderer restart.
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType())
                refuse(static_cast<QWidget*>(child));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void refuse(QWidget* widget)
    {
        widget->setFocusPolicy(Qt::NoFocus);
        widget->removeEventFilter(this);
        widget->installEventFilter(this);
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            refuse(child);
    }

    bool inside(const QWidget* widget) const { return widget && (widget == m_view || m_view->isAncestorOf(widget)); }

    void focusChanged(QWidget* old, QWidget* now)
    {
        if (m_restoring || !inside(now))
            return;
        m_restoring = true;
        if (old && !inside(old) && old->isVisible() && old->isEnabled())
            old->setFocus(Qt::OtherFocusReason);
        else
            now->clearFocus();
        m_restoring = false;
    }

    QWebEngineView* m_view;
    bool m_restoring = false;
};
} // namespace

void keepOutOfKeyboardFocus(QWebEngineView* view)
{
    view->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    new FocusGuard(view);
}

void keepOutOfUserInput(QWebEngineView* view)
{
    view->setEnabled(false);
    keepOutOfKeyboardFocus(view);
    hideFromAssistiveTechnology(view);
}

} // namespace tvx::platform
