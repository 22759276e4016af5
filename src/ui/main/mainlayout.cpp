#include "mainlayout.h"

#include "ui/formlayout.h"

#include <algorithm>

namespace tvx::ui {

namespace {
constexpr int kListTop = 142;
constexpr int kLogHeight = 143;
constexpr int kProgressHeight = 17;
} // namespace

MainLayout MainLayout::compute(int W, int H)
{
    MainLayout l;
    l.columnLeft = W - kButtonWidth - 9;
    l.helpLeft = l.columnLeft - 6 - kButtonWidth;
    l.adsWidth = std::max(0, W - 11);
    l.listWidth = std::max(0, l.columnLeft - 6 - 13);
    l.bottomRowTop = H - 7 - 52;
    l.logTop = l.bottomRowTop - 25 - kLogHeight;
    l.progressTop = l.bottomRowTop - 7 - kProgressHeight;
    l.logLabelTop = l.logTop - 12;
    l.listHeight = std::max(0, (l.logLabelTop - 1) - kListTop);
    l.statusTop = H - 25;
    l.statusWidth = std::max(0, W - 10);
    return l;
}

} // namespace tvx::ui
