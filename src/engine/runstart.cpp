// Starting and aborting a run.
#include "submissionengine.h"

#include "store/catalogue.h"
#include "store/programstore.h"
#include "store/storeerror.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tvx::engine {

namespace {
const QString kNoAccounts = QStringLiteral("请先设置您在各网摘的帐号后再进行提交！");

// The chosen site ids as the submit-site selection hands them back ("3,5,12"); nothing when the text
// is not such a list.
std::optional<QList<qint64>> parseSiteIds(const QString& text)
{
    QList<qint64> ids;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const qint64 id = part.toLongLong(&ok);
        if (!ok || part.trimmed() != part || part.isEmpty())
            return std::nullopt;
        ids.append(id);
    }
    return ids;
}
} // namespace

void SubmissionEngine::startAllSites()
{
    try {
        if (m_run.mrsSites.state() == store::Recordset::Open)
            m_run.mrsSites.close();
        m_run.mrsSites.open(m_store.gcnnStore, store::catalogue::runQueryAllSites());
        if (m_run.mrsSites.eof()) {
            m_host.showInformation(kNoAccounts);
            return;
        }
        if (m_host.rowCount() == 0) {
            m_host.showInformation(QStringLiteral("请先添加要提交的网址及相关内容！"));
            return;
        }
        beginRun(RunButton::AllSubmit, {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear,
                                        RunButton::SelAll, RunButton::UnSelAll, RunButton::Submit});
    } catch (const store::StoreError& e) {
        m_host.showError(e.description());
    }
}

void SubmissionEngine::startChosenSites()
{
    if (!m_host.hasSelectedRow()) {
        // A selected row is only the condition for starting; the run still covers every row.
        m_host.showInformation(QStringLiteral("请选择要提交的网址！"));
        m_host.focusUrlList();
        return;
    }
    const std::optional<QString> chosen = m_host.chooseSubmitSites();
    if (!chosen)
        return;
    try {
        const std::optional<QList<qint64>> ids = parseSiteIds(*chosen);
        if (!ids)
            throw store::StoreError(QStringLiteral("所选网摘站点的编号“%1”无效。").arg(*chosen));
        if (m_run.mrsSites.state() == store::Recordset::Open)
            m_run.mrsSites.close();
        m_run.mrsSites.open(m_store.gcnnStore, store::catalogue::runQueryChosenSites(*ids));
        if (m_run.mrsSites.eof()) {
            m_host.showInformation(kNoAccounts);
            return;
        }
        beginRun(RunButton::Submit, {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear,
                                     RunButton::SelAll, RunButton::UnSelAll, RunButton::AllSubmit});
    } catch (const store::StoreError& e) {
        m_host.showError(e.description());
    }
}

void SubmissionEngine::startChosenPairs(const QList<ChosenAccount>& accounts, qint64 tag)
{
    // What the press meant is kept with it, as a button's caption is.
    if (!m_run.mblnRunning) {
        m_pendingPairs = accounts;
        m_pendingTag = tag;
    }
    post(Event::StartPairs);
}

void SubmissionEngine::leaveOutTheRest()
{
    const auto notChosen = [this](int position, qint32 row) {
        tell([&](RunRecorder& r) { r.bookmarkOutcome(position, row, RunRecorder::Outcome::NotChosen, 0); });
    };
    for (qint32 row = m_decidedRows + 1; row <= m_host.rowCount(); ++row)
        if (!chosenRow(row))
            notChosen(m_account, row);
    for (int position = m_account + 1; position <= m_planned.size(); ++position) {
        const QList<qint32> rows = m_pairs.value(m_planned.at(position - 1));
        for (qint32 row = 1; row <= m_host.rowCount(); ++row)
            if (!rows.contains(row))
                notChosen(position, row);
    }
}

void SubmissionEngine::startPairs()
{
    const QList<ChosenAccount> accounts = std::exchange(m_pendingPairs, {});
    QList<QPair<QString, QString>> who;
    QHash<QPair<QString, QString>, QList<qint32>> pairs;
    for (const ChosenAccount& a : accounts) {
        QList<qint32> rows;
        for (qint32 row : a.rows)
            if (row >= 1 && row <= m_host.rowCount() && !rows.contains(row))
                rows.append(row);
        if (rows.isEmpty())
            continue;
        std::sort(rows.begin(), rows.end());
        who.append({a.webName, a.uid});
        pairs[{a.webName, a.uid}] += rows;
    }
    try {
        if (m_run.mrsSites.state() == store::Recordset::Open)
            m_run.mrsSites.close();
        if (who.isEmpty()) {
            m_host.showInformation(QStringLiteral("没有要重试的提交：所有帐号和网址都已不在了。"));
            return;
        }
        m_run.mrsSites.open(m_store.gcnnStore, store::catalogue::runQueryAccounts(who));
        if (m_run.mrsSites.eof()) {
            m_host.showInformation(kNoAccounts);
            return;
        }
        m_pairs = pairs;
        m_pairsRun = true;
        beginRun(RunButton::AllSubmit, {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear,
                                        RunButton::SelAll, RunButton::UnSelAll, RunButton::Submit},
                 m_pendingTag);
    } catch (const store::StoreError& e) {
        m_host.showError(e.description());
    }
}

void SubmissionEngine::beginRun(RunButton own, const QList<RunButton>& locked, qint64 tag)
{
    // The step count is checked before anything changes, so an overflow leaves no half-started run.
    qint64 total = qint64(m_run.mrsSites.recordCount()) * qint64(m_host.rowCount());
    QList<QPair<QString, QString>> planned;
    for (m_run.mrsSites.moveFirst(); !m_run.mrsSites.eof(); m_run.mrsSites.moveNext())
        planned.append({m_run.mrsSites.text(QStringLiteral("WebName")), m_run.mrsSites.text(QStringLiteral("Uid"))});
    if (m_pairsRun) {
        total = 0;
        for (const auto& who : planned)
            total += m_pairs.value(who).size();
    }
    if (total > std::numeric_limits<qint32>::max())
        throw store::StoreError(
            QStringLiteral("要提交的步骤太多（%1 个帐号 × %2 个网址），请减少网址或帐号后重试。")
                .arg(m_run.mrsSites.recordCount())
                .arg(m_host.rowCount()));

    ++m_runSerial;
    m_browser.setSilent(true);
    for (RunButton b : locked)
        m_host.setButtonEnabled(b, false);
    m_host.setButtonCaption(own, kAbortCaption);
    m_run.mblnRunning = true;
    m_run.mrsSites.moveFirst();
    refreshSite();
    m_run.mlngCurRow = firstRow();
    m_lastSubmission.clear();
    m_pausing = false;
    m_run.mlngTotalSteps = qint32(total);
    m_run.mlngDoneSteps = 0;
    m_host.setProgress(0);
    m_host.setProgressVisible(true);
    m_timer2.setEnabled(false); // no delayed pass of an earlier run acts on this one
    const QDateTime started = m_clock.localDateTime();
    tell([&](RunRecorder& r) { r.runStarted(started, int(m_run.mrsSites.recordCount()), m_host.rowCount()); });
    m_browser.hold(false); // an abort that came too late for its run held the browser
    m_planned = planned;
    for (int i = 0; i < planned.size(); ++i)
        tell([&](RunRecorder& r) { r.accountPlanned(i + 1, planned.at(i).first, planned.at(i).second); });
    if (m_pairsRun)
        tell([&](RunRecorder& r) { r.runTagged(tag); });
    m_browser.freshSession();
    startAccount(1);
    withPassword([this] { beginLogin(); });
}

void SubmissionEngine::abortRun(RunButton own)
{
    m_timer1.setEnabled(false);
    // A delayed pass still pending would press a control and re-arm the watchdog on the stopped run.
    m_timer2.setEnabled(false);
    m_run.mblnRunning = false;
    const bool all = own == RunButton::AllSubmit;
    m_host.setButtonCaption(own, all ? kAllSubmitCaption : kSubmitCaption);
    for (RunButton b : {RunButton::Setup, RunButton::Add, RunButton::Remove, RunButton::Clear, RunButton::SelAll,
                        RunButton::UnSelAll})
        m_host.setButtonEnabled(b, true);
    m_host.setButtonEnabled(all ? RunButton::Submit : RunButton::AllSubmit, true);
    // The account's browser goes at once, with what it had queued: nothing more reaches its site.
    m_browser.freshSession();
    m_browser.hold(false);
    if (m_pairsRun)
        leaveOutTheRest();
    tell([](RunRecorder& r) { r.runEnded(true); });
}

} // namespace tvx::engine
