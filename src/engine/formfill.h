#pragma once

#include "core/bookmark.h"
#include "pagestep.h"
#include "sitequirks.h"
#include "siterecord.h"

#include <QList>

// The rules by which a site's login and submit forms are found, filled and pressed. They decide in
// C++, from the site record and the bookmark, which statements a page step carries out.
namespace tvx::engine::forms {

// How a press was planned: by id or by name it counts as done once attempted; by a scan it counts
// only for the elements the page actually pressed.
struct Press {
    int op = -1;       // index of the press statement in its list
    bool byScan = false;

    // How many presses the page reported for this plan.
    int count(const StepResult& result) const;
};

// Rewrites blank-separated categories with a site's separator: split at every single blank (two
// adjacent blanks give an empty piece), then joined with the separator.
QString JoinTags(const QString& tags, const QString& separator);

// The element named by an id column, else by a name column (the id wins when it is not empty).
ElementLookup lookup(const QString& id, const QString& name);

void FillLoginFields(QList<PageOp>& ops, const SiteRecord& site);
// `endIfPressed`: a press found by the value scan ends the step (the delayed filler's login pass).
Press PressLoginButton(QList<PageOp>& ops, const SiteRecord& site, const SiteQuirks& quirks, bool endIfPressed = false);
void FillSubmitFields(QList<PageOp>& ops, const SiteRecord& site, const SiteQuirks& quirks, const Bookmark& bookmark);
Press PressSubmitButton(QList<PageOp>& ops, const SiteRecord& site);

} // namespace tvx::engine::forms
