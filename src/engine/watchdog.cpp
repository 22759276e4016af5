// The step watchdog: a step that produces no page within the time-out is logged as an error and
// skipped, to the next bookmark of the site or to the next site, so that every run ends.
#include "submissionengine.h"

#include "sitenames.h"
#include "store/programstore.h"

namespace tvx::engine {

void SubmissionEngine::Timer1_Timer()
{
    // The tick waited behind the events pending when it fired; a watchdog disarmed by one of them
    // has no step left to guard.
    if (!m_timer1.isEnabled())
        return;
    if (secondsBetween(m_run.mdtStepStart, m_clock.nowSeconds()) <= m_store.gintTimeout)
        return;
    m_host.addLog(QStringLiteral("向\"") + m_site.WebName + QStringLiteral("\"提交\"") + m_run.mstrURL +
                  QStringLiteral("\"时发生错误！"));
    m_timer1.setEnabled(false);
    if (m_run.mlngCurRow < m_host.rowCount() && m_run.mlngStage == RunStage::AfterSubmit) {
        ++m_run.mlngCurRow;
        openSubmitPage();
        setStage(RunStage::Submit);
        stepStart();
        armWatchdog();
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
    m_browser.stop();
    countDoneStep();
    m_run.mlngCurRow = 1; // the new site starts at its first bookmark
    // A script site gets its login script run, as at run start and after a log-out; opening the
    // script text as an address could never log in.
    openLogin();
    setStage(RunStage::Login);
    stepStart();
    armWatchdog();
}

} // namespace tvx::engine
