// The delayed filler: the login page of a site with a delayed login fill (百度书签) is filled once it
// has settled for five seconds, and the submit page of one with a delayed submit fill (Windows Live)
// one tick after it completed.
#include "submissionengine.h"

namespace tvx::engine {

void SubmissionEngine::Timer2_Timer()
{
    // A tick that waited behind the end of its run, or behind whatever disabled the filler, has no
    // pass left to run.
    if (!m_run.mblnRunning || !m_timer2.isEnabled())
        return;
    m_timer2.setEnabled(false);
    if (m_run.mlngStage == RunStage::Login)
        loginPass();
    else
        submitPass();
}

void SubmissionEngine::loginPass()
{
    if (m_quirks.delayedLoginFill && secondsBetween(m_run.mdtWaitStart, m_clock.nowSeconds()) < kSettleSeconds) {
        m_timer2.setEnabled(true);
        return;
    }
    // One step for the login and the submit pass that may follow it on the same document; a login
    // button found by the value scan ends the step when it is pressed.
    PageStep step;
    forms::FillLoginFields(step.ops, m_site);
    const forms::Press login = forms::PressLoginButton(step.ops, m_site, m_quirks, true);
    forms::FillSubmitFields(step.ops, m_site, m_quirks, bookmarkAt(m_run.mlngCurRow));
    const forms::Press submit = forms::PressSubmitButton(step.ops, m_site);
    sendStep(step, [this, login, submit](const StepResult& result) {
        reportStep(result, pressedNothing(login, result) && pressedNothing(submit, result));
        log(QStringLiteral("正在登录 "), QStringLiteral("..."));
        if (login.byScan) {
            if (login.count(result) > 0) {
                setStage(RunStage::AfterLogin);
                stepStart();
                armWatchdog();
                return;
            }
        } else {
            stepStart();
            armWatchdog();
            setStage(RunStage::AfterLogin);
        }
        applySubmitPass(submit, result);
    });
}

void SubmissionEngine::submitPass()
{
    PageStep step;
    forms::FillSubmitFields(step.ops, m_site, m_quirks, bookmarkAt(m_run.mlngCurRow));
    const forms::Press submit = forms::PressSubmitButton(step.ops, m_site);
    sendStep(step, [this, submit](const StepResult& result) {
        reportStep(result, pressedNothing(submit, result));
        applySubmitPass(submit, result);
    });
}

void SubmissionEngine::applySubmitPass(const forms::Press& press, const StepResult& result)
{
    // The submit pass that follows a login on the login page itself is no submit step of the bookmark
    // unless it pressed something.
    if (m_run.mlngStage == RunStage::Submit || !pressedNothing(press, result))
        noteSubmitPress(press, result);
    LoadCurrentBookmark();
    if (press.count(result) > 0) {
        stepStart();
        armWatchdog();
        setStage(RunStage::AfterSubmit);
    }
    if (m_quirks.delayedSubmitFill) {
        setStage(RunStage::AfterSubmit);
        m_browser.navigate(QString()); // opens the blank page, whose completion moves the run on
    }
}

} // namespace tvx::engine
