#include "pickerpage.h"

#include "engine/pagescripts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace tvx::platform {

namespace {
const QString kScriptName = QStringLiteral("tvx-picker");
} // namespace

PickerPage::PickerPage(QWebEngineProfile* profile, QObject* parent)
    : WorkerPage(profile, parent)
    , m_token(QStringLiteral("tavrinex-pick-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    installPickScript();
}

void PickerPage::installPickScript()
{
    const QList<QWebEngineScript> old = scripts().find(kScriptName);
    for (const QWebEngineScript& s : old)
        scripts().remove(s);
    QWebEngineScript script;
    script.setName(kScriptName);
    script.setSourceCode(engine::pagescripts::picker(m_token, m_picking));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    scripts().insert(script);
}

void PickerPage::setPicking(bool on)
{
    if (m_picking == on)
        return;
    m_picking = on;
    // Documents made from now on start in the new state; the one shown is told at once.
    installPickScript();
    runJavaScript(engine::pagescripts::pickerSwitch(on), QWebEngineScript::ApplicationWorld);
}

void PickerPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                          const QString& sourceID)
{
    if (!message.startsWith(m_token)) {
        WorkerPage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
        return;
    }
    const QJsonObject o = QJsonDocument::fromJson(message.mid(m_token.size()).toUtf8()).object();
    if (!m_picking)
        return;
    setPicking(false);
    if (o.value(QStringLiteral("cancel")).toBool()) {
        emit pickCancelled();
        return;
    }
    sites::PickedElement e;
    e.tag = o.value(QStringLiteral("tag")).toString();
    e.type = o.value(QStringLiteral("type")).toString();
    e.id = o.value(QStringLiteral("id")).toString();
    e.name = o.value(QStringLiteral("name")).toString();
    e.value = o.value(QStringLiteral("value")).toString();
    e.inFrame = o.value(QStringLiteral("inFrame")).toBool();
    e.otherOrigin = o.value(QStringLiteral("otherOrigin")).toBool();
    e.inputsWithText = o.value(QStringLiteral("inputsWithText")).toInt();
    e.inBody = o.value(QStringLiteral("inBody")).toBool();
    e.firstWithId = o.value(QStringLiteral("firstWithId")).toBool();
    e.nameIndex = o.value(QStringLiteral("nameIndex")).toInt();
    e.nameCount = o.value(QStringLiteral("nameCount")).toInt();
    e.sameTextBefore = o.value(QStringLiteral("sameTextBefore")).toInt();
    e.sameTextAnyCase = o.value(QStringLiteral("sameTextAnyCase")).toInt();
    emit picked(e);
}

} // namespace tvx::platform
