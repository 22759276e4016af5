#include "enginefakes.h"

#include "engine/submissionengine.h"

namespace tvx::test {

engine::StepResult FakePage::run(const engine::PageStep& step) const
{
    using engine::PageOp;
    engine::StepResult r;
    r.delivered = true;
    // A presence test with nothing to do when the element is there asks whether the page after the
    // login still holds the login form: only when the site refuses the login.
    if (step.presence)
        r.present = has(*step.presence) && (refusesLogin || !step.ops.isEmpty());
    for (const PageOp& op : r.present ? step.ops : step.otherwise) {
        int outcome = 1;
        switch (op.kind) {
        case PageOp::FillIfPresent:
            break;
        case PageOp::SetValue:
        case PageOp::SetChecked:
        case PageOp::Click:
        case PageOp::SubmitForm:
            if (!has(op.target)) {
                outcome = 0;
                r.failed = true;
            }
            break;
        case PageOp::ClickFirstInputByTrimmedValue:
            outcome = inputValues.contains(op.value.trimmed()) ? 1 : 0;
            break;
        case PageOp::ClickInputsByValueIgnoringCase:
            outcome = 0;
            for (const QString& v : inputValues)
                outcome += v.compare(op.value, Qt::CaseInsensitive) == 0 ? 1 : 0;
            break;
        case PageOp::FindLinkHref:
            outcome = logoutHref.isEmpty() ? 0 : 1;
            if (outcome) {
                r.href = logoutHref;
                r.hrefFound = true;
            }
            break;
        }
        r.outcomes.append(outcome);
        if (op.endIfPressed && outcome > 0)
            break;
    }
    return r;
}

QStringList FakeBrowser::navigations() const
{
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(QLatin1String("navigate ")))
            out.append(c.mid(9));
    return out;
}

QString FakeHost::buttonCaption(engine::RunButton b) const
{
    if (captions.contains(b))
        return captions.value(b);
    if (b == engine::RunButton::Submit)
        return engine::SubmissionEngine::kSubmitCaption;
    if (b == engine::RunButton::AllSubmit)
        return engine::SubmissionEngine::kAllSubmitCaption;
    return {};
}

void FakeRecorder::runStarted(const QDateTime& start, int siteRecords, int bookmarks)
{
    started = start;
    calls.append(QStringLiteral("run %1 accounts, %2 bookmarks").arg(siteRecords).arg(bookmarks));
}

void FakeRecorder::accountStarted(int position, const QString& webName, const QString& uid)
{
    calls.append(QStringLiteral("account %1: %2 %3").arg(position).arg(webName, uid));
}

void FakeRecorder::bookmarkOutcome(int position, int row, Outcome outcome, int stage)
{
    static const char* const names[] = {"submitted", "no button", "timed out", "site skipped", "refused"};
    calls.append(QStringLiteral("%1/%2 %3 at %4").arg(position).arg(row).arg(QLatin1String(names[int(outcome)])).arg(stage));
}

void FakeRecorder::siteAnswered(int position, int row, const QString& answer)
{
    calls.append(QStringLiteral("%1/%2 answered %3").arg(position).arg(row).arg(answer));
}

void FakeRecorder::stepFailed(int stage, int row, Failure failure)
{
    static const char* const names[] = {"timed out", "nothing to press", "statement failed", "no answer", "site refused"};
    calls.append(QStringLiteral("failed at %1, row %2: %3").arg(stage).arg(row).arg(QLatin1String(names[int(failure)])));
    if (onFailure)
        onFailure();
}

void FakeRecorder::runEnded(bool aborted)
{
    calls.append(aborted ? QStringLiteral("aborted") : QStringLiteral("ended"));
}

} // namespace tvx::test
