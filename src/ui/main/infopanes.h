#pragma once

#include <QObject>
#include <QString>

class QWebEngineView;

namespace tvx::ui {

// The two information panes of the main window: the banner wbADS across the top and the status strip
// wbStatus at the bottom. Each loads its page from the information host at start-up; a pane whose
// page cannot be loaded (refused, unknown host, an HTTP error) is hidden and shows no error page.
// Neither takes the keyboard focus.
class InfoPanes final : public QObject {
    Q_OBJECT
public:
    InfoPanes(QWebEngineView* wbADS, QWebEngineView* wbStatus, QString host, QObject* parent);

    void load();

private:
    void paneFailed(QWebEngineView* pane);

    QWebEngineView* m_wbADS;
    QWebEngineView* m_wbStatus;
    QString m_host;
};

} // namespace tvx::ui
