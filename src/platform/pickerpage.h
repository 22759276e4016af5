#pragma once

#include "sites/fieldpick.h"
#include "workerpage.h"

namespace tvx::platform {

// The page of the site definitions window's browser pane: a worker page (no dialogs, no pop-ups) that
// can pick elements. While picking, the element under the pointer is outlined and the next click
// picks it; the page's own handlers see nothing of that click. The picking script lives in an isolated
// world, out of the page's reach, and reports through a console line only it can write.
class PickerPage final : public WorkerPage {
    Q_OBJECT
public:
    PickerPage(QWebEngineProfile* profile, QObject* parent);

    void setPicking(bool on);
    bool picking() const { return m_picking; }

signals:
    void picked(const sites::PickedElement& element);
    // The user pressed Esc in the page while picking.
    void pickCancelled();

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    void installPickScript();

    QString m_token;
    bool m_picking = false;
};

} // namespace tvx::platform
