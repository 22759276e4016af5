#include "buttonface.h"

#include <QPainter>
#include <QRect>
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

QImage drawFace(const QImage& look, int state, QSize size)
{
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
    const int right = face.width() - 3;
    const int bottom = face.height() - 3;
    if (right < 2 || bottom < 2)
        return;
    const auto invert = [&face](int x, int y) {
        if ((x + y) % 2 == 0)
            face.setPixel(x, y, face.pixel(x, y) ^ 0x00FFFFFFu);
    };
    for (int x = 2; x <= right; ++x) {
        invert(x, 2);
        if (bottom != 2)
            invert(x, bottom);
    }
    for (int y = 3; y < bottom; ++y) {
        invert(2, y);
        if (right != 2)
            invert(right, y);
    }
}

} // namespace tvx::controls
