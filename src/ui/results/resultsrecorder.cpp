#include "resultsrecorder.h"

#include "engine/runstage.h"
#include "resultwriter.h"
#include "ui/main/urllistmodel.h"

namespace tvx::ui {

using store::results::Outcome;

namespace {
Outcome stored(engine::RunRecorder::Outcome outcome)
{
    switch (outcome) {
    case engine::RunRecorder::Outcome::Submitted:
        return Outcome::Submitted;
    case engine::RunRecorder::Outcome::NoButton:
        return Outcome::NoButton;
    case engine::RunRecorder::Outcome::TimedOut:
        return Outcome::TimedOut;
    case engine::RunRecorder::Outcome::SiteSkipped:
        return Outcome::SiteSkipped;
    case engine::RunRecorder::Outcome::Refused:
        return Outcome::Refused;
    case engine::RunRecorder::Outcome::NotChosen:
        return Outcome::NotChosen;
    }
    return Outcome::NotReached;
}
} // namespace

ResultsRecorder::ResultsRecorder(ResultWriter& writer, const UrlListModel& list, std::function<void(bool)> ended)
    : m_writer(writer)
    , m_list(list)
    , m_ended(std::move(ended))
{
}

void ResultsRecorder::runStarted(const QDateTime& start, int siteRecords, int bookmarks)
{
    QList<store::results::RunBookmark> list;
    const int rows = std::min(bookmarks, m_list.rowCount());
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const UrlListModel::Row& r = m_list.rowAt(i);
        list.append({r.number, r.bookmark.url, r.bookmark.title});
    }
    m_writer.beginRun(start, list);
    // Every account the run is to visit has its column from the start, named when the run comes to
    // it: a run stopped early shows the accounts it never came to as not reached, and counts them.
    for (int a = 0; a < siteRecords; ++a)
        m_writer.account(a, {});
}

void ResultsRecorder::accountPlanned(int position, const QString& webName, const QString& uid)
{
    m_writer.account(position - 1, {webName, uid});
}

void ResultsRecorder::runTagged(qint64 tag)
{
    // A run of chosen pairs is the retry of the run its tag names.
    m_writer.markRetry(tag);
}

void ResultsRecorder::accountStarted(int position, const QString& webName, const QString& uid)
{
    m_writer.account(position - 1, {webName, uid});
    m_nothingToPress.clear();
}

void ResultsRecorder::stepFailed(int stage, int row, Failure failure)
{
    // Only the submit page's own press; a login that found nothing to press ends as a time-out.
    if (stage == engine::RunStage::Submit && failure == Failure::NothingToPress && !m_nothingToPress.contains(row))
        m_nothingToPress.insert(row, QDateTime::currentDateTime());
}

void ResultsRecorder::siteAnswered(int position, int row, const QString& answer)
{
    m_answers.insert({position, row}, answer);
}

void ResultsRecorder::bookmarkOutcome(int position, int row, Outcome outcome, int stage)
{
    const QDateTime at = outcome == Outcome::NoButton ? m_nothingToPress.value(row, QDateTime::currentDateTime())
                                                      : QDateTime::currentDateTime();
    m_writer.cell({position - 1, row - 1, stored(outcome), stage, at, m_answers.take({position, row})});
}

void ResultsRecorder::runEnded(bool aborted)
{
    m_writer.finishRun(QDateTime::currentDateTime(), aborted);
    if (m_ended)
        m_ended(aborted);
}

} // namespace tvx::ui
