#include "pagestep.h"

#include "pageprotocol.h"
#include "pagescripts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tvx::engine {

QString jsonString(const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u >= 0x20 && u < 0x7f && u != u'<' && u != u'>') {
            out += c;
        } else {
            // Everything else as \uXXXX, one UTF-16 unit at a time: the script stays pure ASCII, and
            // line separators, NULs, markup and lone surrogates arrive exactly.
            out += QLatin1String("\\u");
            out += QLatin1Char(hex[(u >> 12) & 0xf]);
            out += QLatin1Char(hex[(u >> 8) & 0xf]);
            out += QLatin1Char(hex[(u >> 4) & 0xf]);
            out += QLatin1Char(hex[u & 0xf]);
        }
    }
    out += QLatin1Char('"');
    return out;
}

namespace {
using namespace pageprotocol;

// `"name":`
QString member(QLatin1StringView name)
{
    return QLatin1Char('"') + name + QStringLiteral("\":");
}

QString literal(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString lookupMembers(const ElementLookup& lookup)
{
    return member(kBy) + jsonString(lookup.by == ElementLookup::Id ? kById : kByName) + QLatin1Char(',') +
           member(kKey) + jsonString(lookup.key);
}

QString encodeOps(const QList<PageOp>& ops)
{
    QString out = QStringLiteral("[");
    for (qsizetype i = 0; i < ops.size(); ++i) {
        const PageOp& op = ops.at(i);
        if (i > 0)
            out += QLatin1Char(',');
        out += QLatin1Char('{') + member(kKind) + jsonString(stepKindName(op.kind)) + QLatin1Char(',') +
               lookupMembers(op.target) + QLatin1Char(',') + member(kValue) + jsonString(op.value) + QLatin1Char(',') +
               member(kChecked) + literal(op.checked) + QLatin1Char(',') + member(kEndIfPressed) +
               literal(op.endIfPressed) + QLatin1Char('}');
    }
    return out + QLatin1Char(']');
}
} // namespace

QString encodePageStep(const PageStep& step, const StepGuard& guard)
{
    const QString presence =
        step.presence ? QLatin1Char('{') + lookupMembers(*step.presence) + QLatin1Char('}') : QStringLiteral("null");
    const QString plan = QLatin1Char('{') + member(kPresence) + presence + QLatin1Char(',') + member(kOps) +
                         encodeOps(step.ops) + QLatin1Char(',') + member(kOtherwise) + encodeOps(step.otherwise) +
                         QLatin1Char(',') + member(kProbe) + literal(step.probe) + QLatin1Char(',') +
                         member(kDeadline) + QString::number(qMax<qint64>(guard.deadlineMs, 0)) + QLatin1Char(',') +
                         member(kFormSubmitEvent) + jsonString(guard.formSubmitEvent) + QLatin1Char(',') +
                         member(kAwaitElements) + literal(step.awaitElements) + QLatin1Char(',') +
                         member(kAnswer) + jsonString(guard.answer) + QLatin1Char(',') + member(kRequestEvent) +
                         jsonString(guard.requestEvent) + QLatin1Char(',') + member(kSettleMs) +
                         QString::number(kPageSettleMs) + QLatin1Char(',') + member(kPressAnswer) +
                         jsonString(guard.pressAnswer) + QLatin1Char(',') + member(kAnswerGraceMs) +
                         QString::number(kPressAnswerGraceMs) + QLatin1Char('}');
    return pagescripts::pageStepRunner() + QLatin1Char('(') + plan + QLatin1Char(')');
}

PressAnswer decodePressAnswer(const QString& json)
{
    PressAnswer answer;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject())
        return answer;
    const QJsonObject object = document.object();
    const int status = object.value(kHttpStatus).toInt();
    if (status >= 400 && status <= 599) {
        answer.delivered = true;
        answer.httpStatus = status;
    } else if (object.value(kPage).toBool()) {
        answer.delivered = true;
        answer.page = true;
    } else if (object.value(kDone).toBool()) {
        answer.delivered = true;
    }
    return answer;
}

StepResult decodeStepResult(const QVariant& value)
{
    StepResult result;
    if (value.typeId() != QMetaType::QVariantMap)
        return result;
    const QVariantMap map = value.toMap();
    if (map.value(kWaiting).toBool()) {
        result.waiting = true;
        return result;
    }
    if (!map.contains(kPresent) || !map.contains(kOutcomes))
        return result;
    result.delivered = true;
    result.present = map.value(kPresent).toBool();
    result.failed = map.value(kFailed).toBool();
    const QVariantList outcomes = map.value(kOutcomes).toList();
    for (const QVariant& o : outcomes)
        result.outcomes.append(o.toInt());
    for (const QVariant& f : map.value(kFound).toList())
        result.found.append(f.toString());
    result.navigating = map.value(kNavigating).toBool();
    const QVariant href = map.value(kHref);
    if (href.isValid() && !href.isNull() && href.typeId() == QMetaType::QString) {
        result.href = href.toString();
        result.hrefFound = true;
    }
    return result;
}

} // namespace tvx::engine
