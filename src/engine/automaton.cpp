// The page-load automaton: every completed top-level page of the worker browser is taken for what the
// stage of the current site expects.
#include "submissionengine.h"

namespace tvx::engine {

void SubmissionEngine::wb_DocumentComplete()
{
    // A page that completes while the run waits out a pause is no step of the run.
    if (!m_run.mblnRunning || m_pausing)
        return;
    m_stepFailed = false;
    m_timer1.setEnabled(false);
    // An HTTP error or a failed load is no login page, no login and no submission: the site refused the
    // step, and the run goes on as after its time-out, without the wait.
    if (m_answer.failed() && judgesAnswer()) {
        giveUpStep(RunRecorder::Failure::SiteRefused, m_answer.describe());
        return;
    }
    switch (m_run.mlngStage) {
    case RunStage::Idle:
        stageIdle();
        break;
    case RunStage::Login:
        stageLogin();
        break;
    case RunStage::AfterLogin:
        stageAfterLogin();
        break;
    case RunStage::Submit:
        stageSubmit();
        break;
    case RunStage::AfterSubmit:
        stageAfterSubmitWork();
        endEvent();
        break;
    case RunStage::Logout:
        stageLogout();
        break;
    default:
        endEvent();
        break;
    }
}

// The end of a page event: when some statement failed, the watchdog guards the step.
void SubmissionEngine::endEvent()
{
    if (m_stepFailed && m_run.mblnRunning)
        armWatchdog();
}

void SubmissionEngine::stageIdle()
{
    m_browser.runScript(m_site.LoginUrl);
    setStage(RunStage::Login);
    stepStart();
    armWatchdog();
    endEvent();
}

void SubmissionEngine::stageLogin()
{
    if (m_quirks.delayedLoginFill) {
        // This site's login form is filled by the delayed filler once the page has settled. The
        // watchdog guards the wait from the first login page of the step, so a page that reloads
        // itself before it settles cannot hold the run for ever.
        if (!m_settling) {
            m_settling = true;
            stepStart();
        }
        m_run.mdtWaitStart = m_clock.nowSeconds();
        m_timer2.setEnabled(true);
        armWatchdog();
        return;
    }
    PageStep step;
    step.awaitElements = true; // a login form drawn by the page's script after the load
    forms::FillLoginFields(step.ops, m_site);
    const forms::Press press = forms::PressLoginButton(step.ops, m_site, m_quirks);
    SubmitPlan submit;
    if (m_site.IsScript) {
        // A script site whose login page has no user-id field is logged in already: the page is
        // taken for the submit page.
        step.presence = forms::lookup(m_site.UidFieldId, m_site.UidFieldName);
        submit = planSubmitPage(step.otherwise);
    }
    sendStep(step, [this, press, submit](const StepResult& result) {
        noteFailures(result);
        if (!result.present) {
            applySubmitPage(submit, result);
            return;
        }
        reportStep(result, pressedNothing(press, result));
        log(QStringLiteral("正在登录 "), QStringLiteral("..."));
        if (press.count(result) > 0) {
            setStage(RunStage::AfterLogin);
            stepStart();
            armWatchdog();
        }
        endEvent();
    });
}

void SubmissionEngine::stageAfterLogin()
{
    // A login the site refused answers with the login form again: the page still holds the password
    // field the row names. The same step finds the "退出" link of a site that logs out by it.
    PageStep step;
    const bool checksRefusal = !m_answer.pageStayed && (!m_site.PwdFieldId.isEmpty() || !m_site.PwdFieldName.isEmpty());
    if (checksRefusal)
        step.presence = forms::lookup(m_site.PwdFieldId, m_site.PwdFieldName);
    if (m_quirks.logsOutByLink)
        (checksRefusal ? step.otherwise : step.ops).append(PageOp{PageOp::FindLinkHref, {}, QStringLiteral("退出")});
    if (step.isEmpty()) {
        loggedIn();
        return;
    }
    sendStep(step, [this, checksRefusal](const StepResult& result) {
        if (checksRefusal && result.delivered && result.present) {
            giveUpStep(RunRecorder::Failure::SiteRefused, kLoginRefused);
            return;
        }
        if (m_quirks.logsOutByLink) {
            noteFailures(result);
            reportStep(result, false);
            if (result.hrefFound)
                m_run.mstrLogoutLink = result.href;
        }
        loggedIn();
    });
}

// The site took the login: its first bookmark's submit page.
void SubmissionEngine::loggedIn()
{
    log(QStringLiteral("已经登录到"), QStringLiteral("..."));
    m_run.mlngCurRow = firstRow();
    goToSubmitPage();
    endEvent();
}

SubmissionEngine::SubmitPlan SubmissionEngine::planSubmitPage(QList<PageOp>& ops) const
{
    SubmitPlan plan;
    if (m_quirks.pressesShareButton) {
        plan.kind = SubmitPlan::ShareButton;
        plan.press.op = int(ops.size());
        ops.append(PageOp{PageOp::Click, {ElementLookup::Id, QStringLiteral("submit")}});
    } else if (m_quirks.delayedSubmitFill) {
        plan.kind = SubmitPlan::DelayedFill;
    } else {
        plan.kind = SubmitPlan::Form;
        forms::FillSubmitFields(ops, m_site, m_quirks, bookmarkAt(m_run.mlngCurRow));
        plan.press = forms::PressSubmitButton(ops, m_site);
    }
    return plan;
}

void SubmissionEngine::stageSubmit()
{
    PageStep step;
    step.awaitElements = true; // a submit form drawn by the page's script after the load
    const SubmitPlan plan = planSubmitPage(step.ops);
    if (step.ops.isEmpty()) {
        StepResult nothing;
        nothing.delivered = true;
        applySubmitPage(plan, nothing);
        return;
    }
    sendStep(step, [this, plan](const StepResult& result) {
        noteFailures(result);
        applySubmitPage(plan, result);
    });
}

// The submit page's work once the page has carried out its statements.
void SubmissionEngine::applySubmitPage(const SubmitPlan& plan, const StepResult& result)
{
    if (plan.kind != SubmitPlan::DelayedFill) {
        noteSubmitPress(plan.press, result);
        reportStep(result, pressedNothing(plan.press, result));
    }
    if (m_run.mlngCurRow == firstRow())
        log(QStringLiteral("正在向"), QStringLiteral("提交信息..."));
    LoadCurrentBookmark();
    switch (plan.kind) {
    case SubmitPlan::ShareButton:
        stageAfterSubmitWork();
        break;
    case SubmitPlan::DelayedFill:
        m_timer2.setEnabled(true);
        return;
    case SubmitPlan::Form:
        if (plan.press.count(result) > 0) {
            stepStart();
            armWatchdog();
            setStage(RunStage::AfterSubmit);
        }
        if (m_quirks.submittedOnPress)
            stageAfterSubmitWork();
        break;
    }
    endEvent();
}

// The result of a submission: the next bookmark's submit page, or after the last one the log-out.
void SubmissionEngine::stageAfterSubmitWork()
{
    decideSubmitted();
    noteSubmissionEnded();
    countDoneStep();
    const qint32 next = nextRow(m_run.mlngCurRow);
    if (next == 0) {
        log(QStringLiteral("向"), QStringLiteral("提交信息完毕!"));
        m_browser.navigate(m_quirks.logsOutByLink ? m_run.mstrLogoutLink : m_site.LogoutUrl);
        setStage(RunStage::Logout);
    } else {
        m_run.mlngCurRow = next;
        goToSubmitPage();
        return;
    }
    stepStart();
    armWatchdog();
}

void SubmissionEngine::stageLogout()
{
    if (m_run.mrsSites.eof()) {
        finishRun();
        return;
    }
    m_run.mrsSites.moveNext();
    refreshSite();
    if (m_run.mrsSites.eof()) {
        finishRun();
        return;
    }
    // A new site starts at the first bookmark, also when its login script finds the user logged in
    // already and the page after login (which would set it) never comes.
    m_run.mlngCurRow = firstRow();
    // The account done leaves nothing to the next: its log-out page has loaded, and its browser goes.
    m_browser.freshSession();
    startAccount(m_account + 1);
    withPassword([this] { beginLogin(); });
    endEvent();
}

} // namespace tvx::engine
