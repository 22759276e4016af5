#pragma once

#include <QString>

namespace tvx {

// The web hosts the program talks to besides the bookmarking sites' own pages. Production uses the
// constants below; tests point the program at local sites instead.
struct WebHosts {
    QString infoPanes; // serves /ads/Ads.html and /ads/AdsStatus.html
    QString faceBook;  // the share page /share.php
    QString fanfou;    // the sharer page /sharer

    static WebHosts production();
};

// The loopback port of the demonstration site that ships with the program; it also serves the
// information panes.
inline constexpr int kDemoSitePort = 38517;

} // namespace tvx
