// A page asked to close the worker browser's window: the window never closes, and the request is
// taken as the end of the step the run waits for.
#include "submissionengine.h"

#include "sitenames.h"

namespace tvx::engine {

namespace {
const QString kBlank = QStringLiteral("about:blank");
}

void SubmissionEngine::wb_WindowClosing()
{
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
        if (m_run.mlngCurRow < m_host.rowCount()) {
            ++m_run.mlngCurRow;
            if (m_site.WebName == sites::Delicious) {
                // This site's login script brings up the submit page for every bookmark after the first.
                setStage(RunStage::Login);
                m_browser.runScript(m_site.LoginUrl);
                stepStart();
                armWatchdog();
            } else {
                setStage(RunStage::Submit);
                m_browser.navigate(kBlank);
            }
        } else {
            log(QStringLiteral("向"), QStringLiteral("提交信息完毕!"));
            setStage(RunStage::Logout);
            m_browser.navigate(kBlank);
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
