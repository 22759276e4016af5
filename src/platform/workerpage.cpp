#include "workerpage.h"

#include "engine/pagescripts.h"

#include <QUuid>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

namespace tvx::platform {

namespace {
QWebEngineScript mainWorldScript(const QString& name, const QString& source, bool subFrames)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(subFrames);
    return script;
}
} // namespace

WorkerPage::WorkerPage(QObject* parent)
    : WorkerPage(nullptr, parent)
{
}

WorkerPage::WorkerPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile ? profile : QWebEngineProfile::defaultProfile(), parent)
    , m_closeToken(QStringLiteral("tavrinex-close-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_documentToken(QStringLiteral("tavrinex-document-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_formSubmitEvent(QStringLiteral("tavrinex-submit-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_requestEvent(QStringLiteral("tavrinex-request-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_stepToken(QStringLiteral("tavrinex-step-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_pressToken(QStringLiteral("tavrinex-press-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings()->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    installScripts();
    connect(this, &QWebEnginePage::windowCloseRequested, this, &WorkerPage::closeRequested);
}

void WorkerPage::fetchOnlyWhatFormsNeed()
{
    settings()->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings()->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
    settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    // A child, so that it outlives the page's own teardown.
    setUrlRequestInterceptor(new FormOnlyInterceptor(this));
}

void WorkerPage::installScripts()
{
    // Before any script of the page runs, in every document and frame: the page's alert and
    // showModalDialog become empty functions; in the top document window.close() reports to the
    // program, a new top document announces itself, a form submitted by the page's script is
    // announced to the page step, and so are the page's own requests and same-document navigations.
    scripts().insert(mainWorldScript(QStringLiteral("tvx-disarm-showModalDialog"),
                                     engine::pagescripts::disarmShowModalDialog(), true));
    scripts().insert(mainWorldScript(QStringLiteral("tvx-disarm-alert"), engine::pagescripts::disarmAlert(), true));
    scripts().insert(mainWorldScript(QStringLiteral("tvx-close-hook"),
                                     engine::pagescripts::windowCloseHook(m_closeToken), false));
    scripts().insert(mainWorldScript(QStringLiteral("tvx-document-hook"),
                                     engine::pagescripts::documentAnnouncement(m_documentToken), false));
    scripts().insert(mainWorldScript(QStringLiteral("tvx-form-submit-hook"),
                                     engine::pagescripts::formSubmitHook(m_formSubmitEvent), false));
    scripts().insert(mainWorldScript(QStringLiteral("tvx-request-watch-hook"),
                                     engine::pagescripts::requestWatchHook(m_requestEvent), false));
}

void FormOnlyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
        info.block(true);
        break;
    default:
        break;
    }
}

// Dialogs that slip past the injected scripts are answered at once, the way a headless browser
// answers them: nothing is shown, confirm() is false and prompt() is cancelled. An unattended run
// never waits for a dialog.
void WorkerPage::javaScriptAlert(const QUrl&, const QString&)
{
}

bool WorkerPage::javaScriptConfirm(const QUrl&, const QString&)
{
    return false;
}

bool WorkerPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

void WorkerPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                          const QString&)
{
    if (message == m_closeToken)
        emit closeRequested();
    else if (message == m_documentToken)
        emit documentCreated();
    else if (message.startsWith(m_stepToken))
        emit stepReported(message.mid(m_stepToken.size()));
    else if (message.startsWith(m_pressToken))
        emit pressReported(message.mid(m_pressToken.size()));
}

QWebEnginePage* WorkerPage::createWindow(WebWindowType)
{
    // Pop-up windows are not opened.
    return nullptr;
}

} // namespace tvx::platform
