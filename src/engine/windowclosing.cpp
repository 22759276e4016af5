// A page asked to close the worker browser's window: the window never closes, and the request is
// taken as the end of the step the run waits for.
#include "submissionengine.h"

namespace tvx::engine {

namespace {
const QString kBlank = QStringLiteral("about:blank");
}

void SubmissionEngine::wb_WindowClosing()
{
    // Outside a run the request changes nothing (the window stays all the same), nor during a pause
    // between two submissions, when the run waits for no page.
    if (!m_run.mblnRunning || m_pausing)
        return;
    const qint32 stage = m_run.mlngStage;
    switch (stage) {
    case RunStage::Idle:
    case RunStage::Login:
    case RunStage::AfterLogin:
    case RunStage::Submit:
        // The blank page completes next and is processed as the page this stage expected.
        setStage(stage + 1);
        m_browser.navigate(kBlank);
        break;
    case RunStage::AfterSubmit:
        // Many sites close their "save" window once a bookmark is saved: the request is the result of
        // the submission, as a result page would be. The bookmark is done, and the next submit page,
        // or after the last one the log-out, is opened by the site's own rule (a blank page could
        // take no bookmark).
        if (m_quirks.rerunsLoginAfterClose && nextRow(m_run.mlngCurRow) != 0) {
            // This site's login script brings up the submit page for every bookmark after the first.
            decideSubmitted();
            noteSubmissionEnded();
            countDoneStep();
            m_run.mlngCurRow = nextRow(m_run.mlngCurRow);
            setStage(RunStage::Login);
            m_browser.runScript(m_site.LoginUrl);
            stepStart();
            armWatchdog();
        } else {
            stageAfterSubmitWork();
        }
        break;
    case RunStage::Logout:
        m_browser.navigate(kBlank);
        break;
    default:
        break;
    }
}

} // namespace tvx::engine
