#pragma once

#include <QLabel>

#include <algorithm>

namespace tvx::ui {

// Labels above a box are designed 12 pixels high at their top. The CJK font is taller, so the label
// grows upwards from its designed bottom edge (never above the window's top), and its text is never
// covered by the box just below.
inline void placeLabelAbove(QLabel* label, int x, int designTop)
{
    constexpr int kLabelDesignHeight = 12;
    label->adjustSize();
    label->move(x, std::max(0, designTop + kLabelDesignHeight - label->height()));
}

} // namespace tvx::ui
