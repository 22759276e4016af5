#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace tvx::engine {

// How an element is found on a page: by id, or as the first element of a name.
struct ElementLookup {
    enum By : int { Id, Name };
    By by = Id;
    QString key;

    friend bool operator==(const ElementLookup&, const ElementLookup&) = default;
};

// One statement of a page step. Each runs guarded on its own in the page: a statement that fails
// (an element that is not there, a member it lacks) is skipped and reported, and the next one runs.
struct PageOp {
    enum Kind : int {
        FillIfPresent,                  // write `value` into the element when it exists (no failure when absent)
        SetValue,                       // write `value` into the element
        SetChecked,                     // set the element's check state to `checked`
        Click,                          // press the element as a user's click would
        SubmitForm,                     // submit the element as a form, without pressing a button
        ClickFirstInputByTrimmedValue,  // press the first input whose blank-trimmed value equals `value`
        ClickInputsByValueIgnoringCase, // press every input whose value equals `value` in any case
        FindLinkHref,                   // the href of the first link whose text is exactly `value`
    };
    Kind kind = SetValue;
    ElementLookup target;
    QString value;
    bool checked = false;
    // For the login scan of the delayed filler: when it presses, the step ends there.
    bool endIfPressed = false;

    friend bool operator==(const PageOp&, const PageOp&) = default;
};

// Everything one handler does to the page, sent as one script. With a presence test, `ops` run when
// the element exists and `otherwise` runs when it does not.
struct PageStep {
    std::optional<ElementLookup> presence;
    QList<PageOp> ops;
    QList<PageOp> otherwise;
    // A probe looks every element up by the same rules and reports what it found, but writes, presses
    // and submits nothing (the site check).
    bool probe = false;
    // A page whose script draws its form after the load: when the elements the statements name (or
    // the presence test's element) are not there yet, the page waits for them until they appear or the
    // page has settled without them, at most until the step is given up; then the step runs.
    bool awaitElements = false;

    bool isEmpty() const { return !presence && ops.isEmpty() && otherwise.isEmpty(); }
};

// What the page reports back.
struct StepResult {
    bool delivered = false; // false: no answer came (the document went away, or the page hung)
    bool present = true;    // the presence test found the element (true when there was no test)
    bool failed = false;    // some statement failed
    // One entry per statement of the branch that ran, in order, up to where the step ended:
    // 1 done, 0 failed; for the scans the number of elements pressed.
    QList<int> outcomes;
    QString href;           // FindLinkHref: the link's address
    bool hrefFound = false;
    // A probe: per statement, the element found ("input type=text id=f_uid"), empty when none.
    QStringList found;
    bool navigating = false; // a press started (or scheduled) a navigation of the page
    // The page waits for the step's elements; the step's report comes later, as a console line that
    // starts with the guard's `answer` (decodeStepResult of the rest, read as JSON).
    bool waiting = false;

    int outcome(int index) const { return index >= 0 && index < outcomes.size() ? outcomes.at(index) : 0; }
    bool ran(int index) const { return index >= 0 && index < outcomes.size(); }
};

// How the page guards a step: a step that starts after `deadlineMs` (milliseconds since the epoch,
// 0: never) has been given up and does nothing; `formSubmitEvent` names the event by which the page
// announces a form its own script submits (empty: none).
// A step that waits for its elements reports as a console line starting with `answer` (no waiting
// without one), and sees the page's own requests under way by the events of `requestEvent`
// (engine/pagescripts.h requestWatchHook).
// A press that starts no navigation reports what its requests (or a same-document navigation) brought
// as a console line starting with `pressAnswer` (none without one; decodePressAnswer of the rest).
struct StepGuard {
    qint64 deadlineMs = 0;
    QString formSubmitEvent;
    QString answer;
    QString requestEvent;
    QString pressAnswer;
};

// What a press that started no navigation brought: its requests answered (with success, or with the HTTP
// error `httpStatus`), or a same-document navigation. Not delivered: no such report.
struct PressAnswer {
    bool delivered = false;
    int httpStatus = 0; // 400-599: one of its requests answered with this error; 0: all with success
    bool page = false;  // a same-document navigation (history.pushState, replaceState to another path,
                        // a new fragment)
};

// How long after the press's requests have all been answered with success a navigation of the window
// may still begin (the page's own answer to them), which then judges the press instead.
inline constexpr int kPressAnswerGraceMs = 100;

// How long a page must stay still (no change of its document, none of its own requests under way)
// before a step that waits for its elements takes it as settled without them.
inline constexpr int kPageSettleMs = 500;

// The script that carries out `step` in the page's isolated world and returns its result object
// (engine/pageprotocol.h names the parts of both). Every value is JSON-encoded into pure ASCII, never
// spliced into script text.
QString encodePageStep(const PageStep& step, const StepGuard& guard = {});

// Reads the object the page script returned. An invalid or malformed value reads as not delivered.
StepResult decodeStepResult(const QVariant& value);

// Reads a press's report (the JSON text after the guard's `pressAnswer`).
PressAnswer decodePressAnswer(const QString& json);

// A JavaScript string literal holding `text` exactly (every non-ASCII unit escaped).
QString jsonString(const QString& text);

} // namespace tvx::engine
