#pragma once

#include "engine/submissionengine.h"
#include "store/resulttables.h"

#include <QList>

namespace tvx::ui {

class UrlListModel;

// What a retry of a kept run submits: for each of its accounts that did not succeed everywhere, the
// rows of the URL list that hold the bookmarks it failed (or never reached). A bookmark is found by
// its address, at the row with its number when several rows hold it.
struct RetryChoice {
    QList<engine::SubmissionEngine::ChosenAccount> accounts;
    int pairs = 0;      // pairs to submit again
    int missing = 0;    // failed pairs whose bookmark is no longer in the URL list
};

RetryChoice retryChoice(const store::results::RunResults& run, const UrlListModel& list);

} // namespace tvx::ui
