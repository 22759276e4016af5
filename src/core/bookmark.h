#pragma once

#include <QString>

namespace tvx {

// One bookmark of the URL list: its address, title, blank-separated categories and summary.
struct Bookmark {
    QString url;
    QString title;
    QString tags;
    QString summary;

    friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

} // namespace tvx
