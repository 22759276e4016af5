#include "pagescripts.h"

#include "pagestep.h"

#include <QFile>
#include <QStringList>

namespace tvx::engine::pagescripts {

namespace {
// The text of engine/scripts/`name`, exactly as the file holds it. The scripts are compiled in: one
// that cannot be read is a broken build, and the program stops at once rather than run pages without it.
QString scriptText(const char* name)
{
    QFile file(QStringLiteral(":/tvx/pagescripts/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("The page script %s is not compiled in", name);
    return QString::fromUtf8(file.readAll());
}

QString literal(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The script that calls `function` (a script's text) with `arguments` (script literals).
QString called(const QString& function, const QStringList& arguments)
{
    return function + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QStringLiteral(");");
}
} // namespace

QString disarmShowModalDialog()
{
    static const QString text = scriptText("disarmshowmodaldialog.js");
    return text;
}

QString disarmAlert()
{
    static const QString text = scriptText("disarmalert.js");
    return text;
}

QString windowCloseHook(const QString& token)
{
    static const QString function = scriptText("windowclosehook.js");
    return called(function, {jsonString(token)});
}

QString documentAnnouncement(const QString& token)
{
    static const QString function = scriptText("documentannouncement.js");
    return called(function, {jsonString(token)});
}

QString requestWatchHook(const QString& eventName)
{
    static const QString function = scriptText("requestwatchhook.js");
    return called(function, {jsonString(eventName)});
}

QString formSubmitHook(const QString& eventName)
{
    static const QString function = scriptText("formsubmithook.js");
    return called(function, {jsonString(eventName)});
}

const QString& pageStepRunner()
{
    static const QString text = scriptText("pagestep.js");
    return text;
}

QString picker(const QString& token, bool on)
{
    static const QString function = scriptText("picker.js");
    return called(function, {jsonString(token), literal(on)});
}

QString pickerSwitch(bool on)
{
    static const QString function = scriptText("pickerswitch.js");
    return called(function, {literal(on)});
}

QString inertDocument()
{
    static const QString function = scriptText("inertdocument.js");
    return called(function, {});
}

} // namespace tvx::engine::pagescripts
