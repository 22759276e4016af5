#include "buttonface.h"

#include <QPainter>
#include <QRect>
#include <algorithm>
#include <array>

namespace tvx::controls {

QImage lookPicture(int n)
{
    if (n < 0 || n >= kLookCount)
        return {};
    // Loaded once and shared: the pictures are read-only.
    static const std::array<QImage, kLookCount> looks = [] {
        std::array<QImage, kLookCount> all;
        for (int i = 0; i < kLookCount; ++i) {
            const QString path = QStringLiteral(":/tvx/button/look%1.png").arg(i, 2, 10, QLatin1Char('0'));
            all[i] = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (all[i].size() != QSize(kCellWidth * kCellCount, kCellHeight))
                qWarning("button look %s is missing or has the wrong size", qPrintable(path));
        }
        return all;
    }();
    return looks[n];
}

int frameScale(qreal devicePixelRatio)
{
    return std::max(1, qRound(devicePixelRatio));
}

// The face in device pixels: the frame's parts grown by whole pixels, the centre stretched smoothly.
QImage drawFaceInPixels(const QImage& look, int state, QSize pixels, qreal ratio)
{
    const int w = pixels.width();
    const int h = pixels.height();
    const int f = kFrame * frameScale(ratio);
    QImage face(w, h, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    const QImage cell = look.copy(state * kCellWidth, 0, kCellWidth, kCellHeight);
    const int rx = kCellWidth - kFrame;
    const int by = kCellHeight - kFrame;
    const int cw = kCellWidth - 2 * kFrame;
    const int ch = kCellHeight - 2 * kFrame;
    struct Part {
        QRect to, from;
        Qt::TransformationMode mode;
    };
    const auto fast = Qt::FastTransformation;
    const Part parts[] = {
        {{0, 0, f, f}, {0, 0, kFrame, kFrame}, fast},
        {{w - f, 0, f, f}, {rx, 0, kFrame, kFrame}, fast},
        {{w - f, h - f, f, f}, {rx, by, kFrame, kFrame}, fast},
        {{0, h - f, f, f}, {0, by, kFrame, kFrame}, fast},
        {{f, 0, w - 2 * f, f}, {kFrame, 0, cw, kFrame}, fast},
        {{w - f, f, f, h - 2 * f}, {rx, kFrame, kFrame, ch}, fast},
        {{f, h - f, w - 2 * f, f}, {kFrame, by, cw, kFrame}, fast},
        {{0, f, f, h - 2 * f}, {0, kFrame, kFrame, ch}, fast},
        {{f, f, w - 2 * f, h - 2 * f}, {kFrame, kFrame, cw, ch}, Qt::SmoothTransformation},
    };
    QPainter p(&face);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Part& part : parts) {
        if (part.to.width() > 0 && part.to.height() > 0)
            // Each part is cut out first, so that smoothing never reaches into its neighbours.
            p.drawImage(part.to.topLeft(),
                        cell.copy(part.from).scaled(part.to.size(), Qt::IgnoreAspectRatio, part.mode));
    }
    p.end();
    face.setDevicePixelRatio(ratio);
    return face;
}

QImage drawFace(const QImage& look, int state, QSize size, qreal devicePixelRatio)
{
    if (devicePixelRatio != 1.0)
        return drawFaceInPixels(look, state, (QSizeF(size) * devicePixelRatio).toSize(), devicePixelRatio);
    QImage face(size, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    const int w = size.width();
    const int h = size.height();
    const QImage cell = look.copy(state * kCellWidth, 0, kCellWidth, kCellHeight);
    const int cw = kCellWidth - 2 * kFrame;  // 12
    const int ch = kCellHeight - 2 * kFrame; // 15
    const int rx = kCellWidth - kFrame;      // 15
    const int by = kCellHeight - kFrame;     // 18
    struct Part {
        QRect to, from;
    };
    const Part parts[] = {
        {{0, 0, kFrame, kFrame}, {0, 0, kFrame, kFrame}},
        {{w - kFrame, 0, kFrame, kFrame}, {rx, 0, kFrame, kFrame}},
        {{w - kFrame, h - kFrame, kFrame, kFrame}, {rx, by, kFrame, kFrame}},
        {{0, h - kFrame, kFrame, kFrame}, {0, by, kFrame, kFrame}},
        {{kFrame, 0, w - 2 * kFrame, kFrame}, {kFrame, 0, cw, kFrame}},
        {{w - kFrame, kFrame, kFrame, h - 2 * kFrame}, {rx, kFrame, kFrame, ch}},
        {{kFrame, h - kFrame, w - 2 * kFrame, kFrame}, {kFrame, by, cw, kFrame}},
        {{0, kFrame, kFrame, h - 2 * kFrame}, {0, kFrame, kFrame, ch}},
        {{kFrame, kFrame, w - 2 * kFrame, h - 2 * kFrame}, {kFrame, kFrame, cw, ch}},
    };
    QPainter p(&face);
    // The cell's pixels replace what is there, including the half-transparent corners.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Part& part : parts) {
        // A button narrower or lower than two frames has no room for edges or centre.
        if (part.to.width() > 0 && part.to.height() > 0)
            p.drawImage(part.to, cell, part.from);
    }
    return face;
}

void drawFocus(QImage& face)
{
    const int k = frameScale(face.devicePixelRatio());
    // The rectangle's lines are the outer k pixels of the area inset by 2k; the dots are k x k.
    const int left = 2 * k;
    const int top = 2 * k;
    const int right = face.width() - 2 * k;   // exclusive
    const int bottom = face.height() - 2 * k; // exclusive
    if (right <= left || bottom <= top)
        return;
    const auto invert = [&](int x, int y) {
        if ((x / k + y / k) % 2 == 0)
            face.setPixel(x, y, face.pixel(x, y) ^ 0x00FFFFFFu);
    };
    for (int y = top; y < bottom; ++y) {
        if (y < top + k || y >= bottom - k) {
            for (int x = left; x < right; ++x)
                invert(x, y);
            continue;
        }
        for (int x = left; x < std::min(left + k, right); ++x)
            invert(x, y);
        for (int x = std::max(right - k, left + k); x < right; ++x)
            invert(x, y);
    }
}

} // namespace tvx::controls
