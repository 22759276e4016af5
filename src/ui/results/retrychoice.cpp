#include "retrychoice.h"

#include "ui/main/urllistmodel.h"

namespace tvx::ui {

namespace {
// The 1-based row of the URL list holding this bookmark of the run, 0 when none does.
qint32 rowOf(const store::results::RunBookmark& b, const UrlListModel& list)
{
    qint32 found = 0;
    for (int i = 0; i < list.rowCount(); ++i) {
        const UrlListModel::Row& r = list.rowAt(i);
        if (r.bookmark.url != b.url)
            continue;
        if (r.number == b.number)
            return i + 1;
        if (found == 0)
            found = i + 1;
    }
    return found;
}
} // namespace

RetryChoice retryChoice(const store::results::RunResults& run, const UrlListModel& list)
{
    RetryChoice out;
    for (const auto& [account, bookmarks] : store::results::unsuccessful(run)) {
        const store::results::RunAccount& who = run.accounts.at(account);
        engine::SubmissionEngine::ChosenAccount chosen{who.siteName, who.uid, {}};
        for (int b : bookmarks) {
            const qint32 row = rowOf(run.bookmarks.at(b), list);
            if (row == 0) {
                ++out.missing;
                continue;
            }
            chosen.rows.append(row);
            ++out.pairs;
        }
        // An account the run never came to has no name, and no account of today can be told to be it.
        if (who.siteName.isEmpty() && who.uid.isEmpty()) {
            out.missing += int(chosen.rows.size());
            out.pairs -= int(chosen.rows.size());
            continue;
        }
        if (!chosen.rows.isEmpty())
            out.accounts.append(chosen);
    }
    return out;
}

} // namespace tvx::ui
