#include "pagestep.h"

#include "pagescripts.h"

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
QString encodeLookup(const ElementLookup& lookup)
{
    return QLatin1Char('[') + QString::number(int(lookup.by)) + QLatin1Char(',') + jsonString(lookup.key) +
           QLatin1Char(']');
}

QString encodeOps(const QList<PageOp>& ops)
{
    QString out = QStringLiteral("[");
    for (qsizetype i = 0; i < ops.size(); ++i) {
        const PageOp& op = ops.at(i);
        if (i > 0)
            out += QLatin1Char(',');
        out += QLatin1Char('[') + QString::number(int(op.kind)) + QLatin1Char(',') + encodeLookup(op.target) +
               QLatin1Char(',') + jsonString(op.value) + QLatin1Char(',') +
               (op.checked ? QLatin1String("true") : QLatin1String("false")) + QLatin1Char(',') +
               (op.endIfPressed ? QLatin1String("true") : QLatin1String("false")) + QLatin1Char(']');
    }
    return out + QLatin1Char(']');
}
} // namespace

QString encodePageStep(const PageStep& step, const StepGuard& guard)
{
    const QString plan = QStringLiteral("{\"p\":") +
                         (step.presence ? encodeLookup(*step.presence) : QStringLiteral("null")) +
                         QStringLiteral(",\"a\":") + encodeOps(step.ops) + QStringLiteral(",\"b\":") +
                         encodeOps(step.otherwise) + QStringLiteral(",\"d\":") +
                         (step.probe ? QLatin1String("true") : QLatin1String("false")) + QStringLiteral(",\"g\":") +
                         QString::number(qMax<qint64>(guard.deadlineMs, 0)) + QStringLiteral(",\"t\":") +
                         jsonString(guard.formSubmitEvent) + QLatin1Char('}');
    return pagescripts::pageStepRunner() + QLatin1Char('(') + plan + QLatin1Char(')');
}

StepResult decodeStepResult(const QVariant& value)
{
    StepResult result;
    if (value.typeId() != QMetaType::QVariantMap)
        return result;
    const QVariantMap map = value.toMap();
    if (!map.contains(QStringLiteral("p")) || !map.contains(QStringLiteral("o")))
        return result;
    result.delivered = true;
    result.present = map.value(QStringLiteral("p")).toBool();
    result.failed = map.value(QStringLiteral("f")).toBool();
    const QVariantList outcomes = map.value(QStringLiteral("o")).toList();
    for (const QVariant& o : outcomes)
        result.outcomes.append(o.toInt());
    for (const QVariant& f : map.value(QStringLiteral("e")).toList())
        result.found.append(f.toString());
    result.navigating = map.value(QStringLiteral("n")).toBool();
    const QVariant href = map.value(QStringLiteral("h"));
    if (href.isValid() && !href.isNull() && href.typeId() == QMetaType::QString) {
        result.href = href.toString();
        result.hrefFound = true;
    }
    return result;
}

} // namespace tvx::engine
