// The page-step encoder: whatever the values, the script is pure ASCII, the step runner stands
// unchanged before the plan, no value can end a script element or a string early, and reading the
// plan back as JSON gives every statement with its exact values.
#include "engine/pageprotocol.h"
#include "engine/pagescripts.h"
#include "engine/pagestep.h"
#include "fuzzinput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tvx;
using engine::ElementLookup;
using engine::PageOp;
using engine::PageStep;
using fuzz::check;

namespace {
ElementLookup anyLookup(FuzzedDataProvider& in)
{
    return {in.ConsumeBool() ? ElementLookup::Id : ElementLookup::Name, fuzz::anyText(in, 24)};
}

QList<PageOp> anyOps(FuzzedDataProvider& in)
{
    QList<PageOp> ops;
    const int count = in.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < count; ++i) {
        PageOp op;
        const auto& kinds = engine::pageprotocol::kStepKinds;
        op.kind = kinds[in.ConsumeIntegralInRange<size_t>(0, kinds.size() - 1)].kind;
        op.target = anyLookup(in);
        op.value = fuzz::anyText(in, 80);
        op.checked = in.ConsumeBool();
        op.endIfPressed = in.ConsumeBool();
        ops.append(op);
    }
    return ops;
}

// The lookup's members of `o` (a lookup of its own, or a statement).
void checkLookup(const QJsonObject& o, const ElementLookup& lookup, const QString& where)
{
    check(o.value(QStringLiteral("by")).toString() ==
              (lookup.by == ElementLookup::Id ? QStringLiteral("id") : QStringLiteral("name")),
          "the lookup's kind", where);
    check(o.value(QStringLiteral("key")).isString() && o.value(QStringLiteral("key")).toString() == lookup.key,
          "the lookup's key arrives exactly", where);
}

void checkOps(const QJsonValue& value, const QList<PageOp>& ops, const QString& where)
{
    const QJsonArray a = value.toArray();
    check(a.size() == ops.size(), "every statement is there", where);
    for (qsizetype i = 0; i < ops.size(); ++i) {
        const QJsonObject op = a.at(i).toObject();
        check(op.size() == 6, "a statement is kind, lookup (by, key), value, checked, end", where);
        check(op.value(QStringLiteral("kind")).toString() == engine::pageprotocol::stepKindName(ops.at(i).kind) &&
                  !op.value(QStringLiteral("kind")).toString().isEmpty(),
              "the statement's kind", where);
        checkLookup(op, ops.at(i).target, where);
        const QJsonValue value = op.value(QStringLiteral("value"));
        check(value.isString() && value.toString() == ops.at(i).value, "the value arrives exactly", ops.at(i).value);
        const QJsonValue checked = op.value(QStringLiteral("checked"));
        check(checked.isBool() && checked.toBool() == ops.at(i).checked, "the check state", where);
        const QJsonValue end = op.value(QStringLiteral("endIfPressed"));
        check(end.isBool() && end.toBool() == ops.at(i).endIfPressed, "the end flag", where);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    PageStep step;
    if (in.ConsumeBool())
        step.presence = anyLookup(in);
    step.ops = anyOps(in);
    step.otherwise = anyOps(in);
    step.probe = in.ConsumeBool();
    engine::StepGuard guard;
    guard.deadlineMs = in.ConsumeIntegralInRange<qint64>(0, qint64(1) << 50);
    guard.formSubmitEvent = fuzz::anyText(in, 40);
    guard.pressAnswer = fuzz::anyText(in, 40);

    const QString script = engine::encodePageStep(step, guard);
    for (const QChar c : script)
        check(c.unicode() < 0x80, "the script is pure ASCII", script);
    const QString& runner = engine::pagescripts::pageStepRunner();
    check(script.startsWith(runner + QLatin1Char('(')) && script.endsWith(QLatin1Char(')')),
          "the runner is called with the plan");
    const QString plan = script.mid(runner.size() + 1, script.size() - runner.size() - 2);
    // Nothing in the plan can close a script element, open a comment or end a line of script.
    check(!plan.contains(QLatin1Char('<')) && !plan.contains(QLatin1Char('>')), "no markup in the plan", plan);
    for (const QChar c : plan)
        check(c.unicode() >= 0x20, "no control character in the plan", plan);

    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(plan.toLatin1(), &error);
    check(error.error == QJsonParseError::NoError && doc.isObject(), "the plan is JSON",
          error.errorString() + QStringLiteral(" in ") + plan);
    const QJsonObject object = doc.object();
    check(object.size() == 12, "the plan has its twelve parts", plan);
    const QJsonValue probe = object.value(QStringLiteral("probe"));
    check(probe.isBool() && probe.toBool() == step.probe, "the probe flag", plan);
    check(object.value(QStringLiteral("deadline")).toDouble(-1) == double(guard.deadlineMs), "the deadline", plan);
    check(object.value(QStringLiteral("formSubmitEvent")).toString() == guard.formSubmitEvent,
          "the event name arrives exactly", plan);
    check(object.value(QStringLiteral("pressAnswer")).toString() == guard.pressAnswer,
          "the press's answer line arrives exactly", plan);
    if (step.presence) {
        const QJsonObject presence = object.value(QStringLiteral("presence")).toObject();
        check(presence.size() == 2, "a lookup is by and key", plan);
        checkLookup(presence, *step.presence, plan);
    } else {
        check(object.value(QStringLiteral("presence")).isNull(), "no presence test", plan);
    }
    checkOps(object.value(QStringLiteral("ops")), step.ops, plan);
    checkOps(object.value(QStringLiteral("otherwise")), step.otherwise, plan);

    // A single value on its own.
    const QString value = fuzz::anyText(in, 200);
    const QString literal = engine::jsonString(value);
    const QJsonDocument one = QJsonDocument::fromJson("[" + literal.toLatin1() + "]");
    check(one.isArray() && one.array().at(0).toString() == value, "a string literal reads back exactly", value);
    return 0;
}
