#pragma once

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

namespace tvx::platform {

// Turns away what a run never looks at: images, media, fonts, favicons and plugin content. Style
// sheets, scripts, frames and the page's own requests go through (sites' forms depend on them).
class FormOnlyInterceptor final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

// The worker browser's page: it never shows a dialog, never opens a window, keeps console messages
// out of the user's way, and reports a page's wish to close the window. The run's worker page also
// fetches only what a form needs (fetchOnlyWhatFormsNeed).
class WorkerPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WorkerPage(QObject* parent = nullptr);
    // A page of its own profile (cookies, cache and storage apart from the worker browser's).
    WorkerPage(QWebEngineProfile* profile, QObject* parent);

    // The console line by which the injected close hook reports a close request.
    const QString& closeToken() const { return m_closeToken; }
    // The event by which a form that the page's script submits is announced to a page step.
    const QString& formSubmitEvent() const { return m_formSubmitEvent; }
    // The events by which the page's own requests under way are told to a waiting page step.
    const QString& requestEvent() const { return m_requestEvent; }
    // The start of the console line by which a page step that waited for its elements reports.
    const QString& stepToken() const { return m_stepToken; }
    // The start of the console line by which a press that started no navigation reports its answer.
    const QString& pressToken() const { return m_pressToken; }

    // From now on the page loads no images, media, fonts or favicons, and has no plugins and no PDF
    // viewer: a run never looks at a picture. Style sheets and scripts still load.
    void fetchOnlyWhatFormsNeed();

signals:
    void closeRequested();
    // A new document has been made in the top frame (the one a navigation brought, before its own
    // scripts run).
    void documentCreated();
    // A page step that waited reported: the console line after stepToken().
    void stepReported(const QString& report);
    // A press reported what its requests brought: the console line after pressToken().
    void pressReported(const QString& report);

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void installScripts();

    QString m_closeToken;
    QString m_documentToken;
    QString m_formSubmitEvent;
    QString m_requestEvent;
    QString m_stepToken;
    QString m_pressToken;
};

} // namespace tvx::platform
