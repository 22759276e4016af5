#pragma once

#include <QString>

namespace tvx::engine {

// The share page a site's submit page is, built by the program from the bookmark instead of being
// the site's SubmitUrl.
enum class SharePage {
    None,
    FaceBook, // <faceBook host>/share.php?u=<the bookmark's address>&c&st=2
    Fanfou,   // <fanfou host>/sharer?u=&t=&d=&s=bm
};

// How a site is driven where it differs from what its definition says. Most sites have none of these;
// the few that do are known by their display name (WebName), compared exactly.
struct SiteQuirks {
    bool logsOutByLink = false;            // logs out by the "退出" link found after login, not by LogoutUrl
    SharePage sharePage = SharePage::None; // the submit page is this share page, not SubmitUrl
    bool pressesShareButton = false;       // the share page is only pressed (its button with id "submit"), nothing
                                           // is filled, and its definition needs no submit fields
    bool opensEmptySubmitUrl = false;      // the submit page is SubmitUrl even when it is empty (the blank page)
    bool delayedLoginFill = false;         // the login page is filled by the delayed filler once it has settled
    bool submittedOnPress = false;         // a submission is done once its button is pressed; no result page is awaited
    QString loginFormName;                 // logs in by submitting the form of this name; needs no login button
    bool loginButtonIsForm = false;        // LoginButtonName names the form that is submitted, not a button to click
    bool fillsSummary = false;             // the summary field is filled (a summary of blanks gives way to the title)
    bool delayedSubmitFill = false;        // the submit page is filled by the delayed filler one tick after it
                                           // completed, and the blank page is opened after the pass
    bool rerunsLoginAfterClose = false;    // a window closed after a submission runs the login script again,
                                           // which brings up the next bookmark's submit page

    bool operator==(const SiteQuirks&) const = default;
};

// The quirks of the site named `webName` (exactly, letter case and blanks included); none for any
// other name.
SiteQuirks quirksOf(const QString& webName);

} // namespace tvx::engine
