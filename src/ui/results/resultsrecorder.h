#pragma once

#include "engine/runrecorder.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QPair>

#include <functional>

namespace tvx::ui {

class ResultWriter;
class UrlListModel;

// What a run tells about each account and bookmark, written to the store as the run's results: the
// bookmarks come from the URL list when the run starts (the list does not change during a run).
class ResultsRecorder final : public engine::RunRecorder {
public:
    ResultsRecorder(ResultWriter& writer, const UrlListModel& list, std::function<void(bool aborted)> ended = {});

    void runStarted(const QDateTime& start, int siteRecords, int bookmarks) override;
    void accountPlanned(int position, const QString& webName, const QString& uid) override;
    void runTagged(qint64 tag) override;
    void accountStarted(int position, const QString& webName, const QString& uid) override;
    void siteAnswered(int position, int row, const QString& answer) override;
    void bookmarkOutcome(int position, int row, Outcome outcome, int stage) override;
    void stepFailed(int stage, int row, Failure failure) override;
    void runEnded(bool aborted) override;

private:
    ResultWriter& m_writer;
    const UrlListModel& m_list;
    std::function<void(bool)> m_ended;
    // When the current account's bookmarks first found nothing to press, by row: "没有找到提交按钮"
    // carries that moment, not the time-out's that decides it later.
    QHash<int, QDateTime> m_nothingToPress;
    QMap<QPair<int, int>, QString> m_answers; // (position, row) -> the site's answer, until its outcome
};

} // namespace tvx::ui
