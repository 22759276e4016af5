// The step watchdog: a step that produces no page within the time-out is logged as an error and
// skipped, to the next bookmark of the site or to the next site, so that every run ends. A step the site
// refused (an HTTP error or a failed load for an answer) is skipped the same way, at once.
#include "submissionengine.h"

#include "store/programstore.h"

namespace tvx::engine {

void SubmissionEngine::Timer1_Timer()
{
    // The tick waited behind the events pending when it fired; a watchdog disarmed by one of them, or
    // by the end of its run, has no step left to guard.
    if (!m_run.mblnRunning || !m_timer1.isEnabled())
        return;
    // A pause between two submissions to one site is no part of any step's time-out.
    if (endPause())
        return;
    // A delayed login's settle time does not count against the time-out.
    const qint64 limit = m_store.gintTimeout + (m_settling ? kSettleSeconds : 0);
    if (secondsBetween(m_run.mdtStepStart, m_clock.nowSeconds()) <= limit)
        return;
    giveUpStep(RunRecorder::Failure::TimedOut);
}

bool SubmissionEngine::judgesAnswer() const
{
    const qint32 stage = m_run.mlngStage;
    return stage == RunStage::Login || stage == RunStage::AfterLogin || stage == RunStage::AfterSubmit;
}

// The current step is given up, because no page came within the time-out or because the site refused
// it (`answer` says how): its error line, its failure, and the run goes on with the next bookmark of the
// site after a submission, or else with the next site.
void SubmissionEngine::giveUpStep(RunRecorder::Failure failure, const QString& answer)
{
    m_host.addLog(QStringLiteral("向\"") + m_site.WebName + QStringLiteral("\"提交\"") + m_run.mstrURL +
                  QStringLiteral("\"时发生错误！"));
    m_timer1.setEnabled(false);
    // The step is given up, a delayed pass still pending for it too.
    m_timer2.setEnabled(false);
    tell([&](RunRecorder& r) { r.stepFailed(m_run.mlngStage, m_run.mlngCurRow, failure); });
    if (m_run.mlngStage == RunStage::Submit || m_run.mlngStage == RunStage::AfterSubmit)
        noteSubmissionEnded();
    const qint32 next = nextRow(m_run.mlngCurRow);
    const bool nextBookmark = next != 0 && m_run.mlngStage == RunStage::AfterSubmit;
    if (answer.isEmpty())
        decideTimedOut(!nextBookmark);
    else
        decideRefused(answer, !nextBookmark);
    if (nextBookmark) {
        m_run.mlngCurRow = next;
        goToSubmitPage();
        return;
    }
    if (m_run.mrsSites.eof())
        return;
    moveToNextSite();
}

// Every other time-out leaves the site: its remaining bookmarks, and its log-out, are skipped.
void SubmissionEngine::moveToNextSite()
{
    m_run.mrsSites.moveNext();
    refreshSite();
    if (m_run.mrsSites.eof()) {
        finishRun();
        return;
    }
    // The account given up goes with its browser (a session its log-out never ended, a load still
    // under way); the next starts in one of its own.
    m_browser.freshSession();
    startAccount(m_account + 1);
    countDoneStep();
    m_run.mlngCurRow = firstRow(); // the new site starts at its first bookmark
    // A script site gets its login script run, as at run start and after a log-out; opening the
    // script text as an address could never log in.
    withPassword([this] { beginLogin(); });
}

} // namespace tvx::engine
