#pragma once

#include <QImage>
#include <QSize>

namespace tvx::controls {

// A look is one picture of five cells side by side, one per visual state of the button. Every cell is
// a nine-part frame: 3-pixel corners, edges that stretch one way and a centre that stretches both.
inline constexpr int kLookCount = 26;
inline constexpr int kCellCount = 5;
inline constexpr int kCellWidth = 18;
inline constexpr int kCellHeight = 21;
inline constexpr int kFrame = 3;

// The picture of look n (90 x 21), or a null image when n is not 0 to 25.
QImage lookPicture(int n);

// The face of a button of the given size in one state: cell `state` of `look` copied in nine parts,
// corners unscaled, edges and centre stretched (pixel for pixel, no smoothing).
QImage drawFace(const QImage& look, int state, QSize size);

// The dotted focus rectangle from (2, 2) to (W - 2, H - 2), right and bottom exclusive. It inverts
// every other pixel, so it shows on any face.
void drawFocus(QImage& face);

} // namespace tvx::controls
