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
//
// On a screen of more device pixels than logical ones (`devicePixelRatio` above 1) the face is drawn
// in device pixels, so that it stays sharp: the frame (corners and edges) is scaled by the whole
// number frameScale(ratio), every pixel becoming a block of pixels, and only the centre is stretched
// smoothly to fill the rest. The image carries the ratio, so it paints at the button's size.
QImage drawFace(const QImage& look, int state, QSize size, qreal devicePixelRatio = 1.0);

// The same for a face of exactly `pixels` device pixels (where the button's edges fall on the screen).
QImage drawFaceInPixels(const QImage& look, int state, QSize pixels, qreal devicePixelRatio);

// How many device pixels a pixel of a look's frame becomes: the ratio rounded, at least 1.
int frameScale(qreal devicePixelRatio);

// The dotted focus rectangle from (2, 2) to (W - 2, H - 2), right and bottom exclusive. It inverts
// every other pixel, so it shows on any face. On a face drawn for a higher ratio its inset, its
// lines and its dots are frameScale(ratio) device pixels each.
void drawFocus(QImage& face);

} // namespace tvx::controls
