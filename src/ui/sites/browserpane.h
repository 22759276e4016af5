#pragma once

#include "sites/fieldpick.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QWebEngineProfile;
class QWebEngineView;

namespace tvx::controls {
class Command;
}
namespace tvx::platform {
class PickerPage;
class WebBrowser;
} // namespace tvx::platform

namespace tvx::ui {

// The site definitions window's browser: an address box, the page, and a line that says what the
// picker took. It has a profile of its own, kept in memory only, so nothing of it (cookies of a login
// by hand, for one) reaches the worker browser of a run; pages get no dialogs and open no windows.
class BrowserPane final : public QWidget {
    Q_OBJECT
public:
    explicit BrowserPane(QWidget* parent = nullptr);
    ~BrowserPane() override;

    void open(const QString& address);
    // The address shown ("" for the blank page).
    QString address() const;

    void startPicking(const QString& what);
    void stopPicking();
    bool picking() const;
    void setStatus(const QString& text);
    QString status() const;
    // While a site check drives the page, the address box and picking are off.
    void setDriven(bool driven);

    QWebEngineView* view() const { return m_view; }
    platform::PickerPage* page() const { return m_page; }
    // The engine's browser interface on this pane's page (for the site check).
    platform::WebBrowser* browser() const { return m_browser; }

signals:
    void picked(const sites::PickedElement& element);
    void pickCancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the address typed in the address box.
    void openTyped();

    QWebEngineProfile* m_profile = nullptr;
    QLineEdit* m_addressEdit = nullptr;
    controls::Command* m_openButton = nullptr;
    QLabel* m_status = nullptr;
    QWebEngineView* m_view = nullptr;
    platform::PickerPage* m_page = nullptr;
    platform::WebBrowser* m_browser = nullptr;
};

} // namespace tvx::ui
