#pragma once

#include "pagestep.h"

#include <QLatin1StringView>

#include <array>

// The names the program and the step runner (engine/scripts/pagestep.js) agree on, both ways: the plan
// of a step sent to the page and the report the page gives back. The runner spells each of them the
// same, in double quotes or as a member name, so that searching for one finds both sides.
namespace tvx::engine::pageprotocol {

// The plan: {"presence":lookup|null, "ops":[statement...], "otherwise":[statement...], "probe":bool,
// "deadline":ms, "formSubmitEvent":name, "awaitElements":bool, "answer":text, "requestEvent":name,
// "settleMs":ms, "pressAnswer":text, "answerGraceMs":ms}.
inline constexpr QLatin1StringView kPresence{"presence"};
inline constexpr QLatin1StringView kOps{"ops"};
inline constexpr QLatin1StringView kOtherwise{"otherwise"};
inline constexpr QLatin1StringView kProbe{"probe"};
inline constexpr QLatin1StringView kDeadline{"deadline"};
inline constexpr QLatin1StringView kFormSubmitEvent{"formSubmitEvent"};
inline constexpr QLatin1StringView kAwaitElements{"awaitElements"};
inline constexpr QLatin1StringView kAnswer{"answer"};
inline constexpr QLatin1StringView kRequestEvent{"requestEvent"};
inline constexpr QLatin1StringView kSettleMs{"settleMs"};
inline constexpr QLatin1StringView kPressAnswer{"pressAnswer"};
inline constexpr QLatin1StringView kAnswerGraceMs{"answerGraceMs"};

// A lookup: {"by":"id"|"name", "key":text}. A statement is a lookup with
// {"kind":..., "value":text, "checked":bool, "endIfPressed":bool} besides.
inline constexpr QLatin1StringView kBy{"by"};
inline constexpr QLatin1StringView kById{"id"};
inline constexpr QLatin1StringView kByName{"name"};
inline constexpr QLatin1StringView kKey{"key"};
inline constexpr QLatin1StringView kKind{"kind"};
inline constexpr QLatin1StringView kValue{"value"};
inline constexpr QLatin1StringView kChecked{"checked"};
inline constexpr QLatin1StringView kEndIfPressed{"endIfPressed"};

// The name of every statement kind; the runner knows each of them.
struct StepKindName {
    PageOp::Kind kind;
    QLatin1StringView name;
};
inline constexpr std::array kStepKinds{
    StepKindName{PageOp::FillIfPresent, QLatin1StringView{"fillIfPresent"}},
    StepKindName{PageOp::SetValue, QLatin1StringView{"setValue"}},
    StepKindName{PageOp::SetChecked, QLatin1StringView{"setChecked"}},
    StepKindName{PageOp::Click, QLatin1StringView{"press"}},
    StepKindName{PageOp::SubmitForm, QLatin1StringView{"submitForm"}},
    StepKindName{PageOp::ClickFirstInputByTrimmedValue, QLatin1StringView{"pressFirstInputByTrimmedValue"}},
    StepKindName{PageOp::ClickInputsByValueIgnoringCase, QLatin1StringView{"pressInputsByValueIgnoringCase"}},
    StepKindName{PageOp::FindLinkHref, QLatin1StringView{"findLinkHref"}},
};

constexpr QLatin1StringView stepKindName(PageOp::Kind kind)
{
    for (const StepKindName& k : kStepKinds) {
        if (k.kind == kind)
            return k.name;
    }
    return {}; // a kind without a name: the page reports the statement as failed
}

// The report: {"present":bool, "failed":bool, "outcomes":[int...], "href":text|null, "found":[text...],
// "navigating":bool}, or {"late":true} for a step that reached the page after it was given up, or
// {"waiting":true} for one that waits for its elements and reports later (as a console line).
inline constexpr QLatin1StringView kPresent{"present"};
inline constexpr QLatin1StringView kFailed{"failed"};
inline constexpr QLatin1StringView kOutcomes{"outcomes"};
inline constexpr QLatin1StringView kHref{"href"};
inline constexpr QLatin1StringView kFound{"found"};
inline constexpr QLatin1StringView kNavigating{"navigating"};
inline constexpr QLatin1StringView kLate{"late"};
inline constexpr QLatin1StringView kWaiting{"waiting"};

// What a press that started no navigation brought, as a console line after the plan's `pressAnswer`:
// {"done":true} (its requests answered with success), {"httpStatus":500} (one answered with an HTTP
// error) or {"page":true} (a same-document navigation).
inline constexpr QLatin1StringView kDone{"done"};
inline constexpr QLatin1StringView kHttpStatus{"httpStatus"};
inline constexpr QLatin1StringView kPage{"page"};

} // namespace tvx::engine::pageprotocol
