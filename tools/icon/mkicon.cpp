// tvx-mkicon: draws the program's icon, a bookmark ribbon with a submit arrow on a blue tile, from
// the one shape list below, both as SVG and as PNGs of the sizes desktops look for.
//   tvx-mkicon OUTDIR NAME
// writes OUTDIR/scalable/NAME.svg and OUTDIR/<n>x<n>/NAME.png.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <vector>

namespace {

constexpr int kGrid = 256; // the shapes' coordinates are on a 256 x 256 grid

struct Shape {
    enum class Kind { RoundedRect, Polygon, Circle };
    Kind kind;
    std::vector<QPointF> points; // RoundedRect: top left, bottom right; Circle: centre, (radius, 0)
    double radius = 0;           // RoundedRect corner radius
    QColor fill;
    QColor fillBottom; // valid: a vertical gradient from `fill` at the top to this at the bottom
    QColor stroke;
    double strokeWidth = 0;
};

std::vector<Shape> shapes()
{
    const QColor white(0xff, 0xff, 0xff);
    std::vector<Shape> s;
    s.push_back({Shape::Kind::RoundedRect,
                 {{16, 16}, {240, 240}},
                 48,
                 QColor(0x3d, 0x8f, 0xe0),
                 QColor(0x1a, 0x4f, 0x9a),
                 {},
                 0});
    // The bookmark ribbon, with its notched end.
    s.push_back({Shape::Kind::Polygon, {{80, 40}, {168, 40}, {168, 212}, {124, 174}, {80, 212}}, 0, white, {}, {}, 0});
    // Two lines of "text" on the ribbon.
    s.push_back(
        {Shape::Kind::Polygon, {{96, 64}, {152, 64}, {152, 76}, {96, 76}}, 0, QColor(0x9c, 0xc3, 0xec), {}, {}, 0});
    s.push_back(
        {Shape::Kind::Polygon, {{96, 88}, {140, 88}, {140, 100}, {96, 100}}, 0, QColor(0x9c, 0xc3, 0xec), {}, {}, 0});
    // The submit badge: an orange disc with an arrow pointing up.
    s.push_back({Shape::Kind::Circle, {{184, 184}, {48, 0}}, 0, QColor(0xf3, 0x9c, 0x12), {}, white, 8});
    s.push_back({Shape::Kind::Polygon,
                 {{184, 152}, {212, 182}, {194, 182}, {194, 214}, {174, 214}, {174, 182}, {156, 182}},
                 0,
                 white,
                 {},
                 {},
                 0});
    return s;
}

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

QString svgFill(const Shape& shape, int index, QString& defs)
{
    if (!shape.fillBottom.isValid())
        return shape.fill.name();
    const double top = shape.points.front().y();
    const double bottom = shape.points.back().y();
    const QString id = QStringLiteral("g%1").arg(index);
    defs += QStringLiteral("  <linearGradient id=\"%1\" x1=\"0\" y1=\"%2\" x2=\"0\" y2=\"%3\" "
                           "gradientUnits=\"userSpaceOnUse\">\n"
                           "   <stop offset=\"0\" stop-color=\"%4\"/>\n"
                           "   <stop offset=\"1\" stop-color=\"%5\"/>\n"
                           "  </linearGradient>\n")
                .arg(id, number(top), number(bottom), shape.fill.name(), shape.fillBottom.name());
    return QStringLiteral("url(#%1)").arg(id);
}

QString svg(const std::vector<Shape>& list)
{
    QString defs;
    QString body;
    for (size_t i = 0; i < list.size(); ++i) {
        const Shape& s = list[i];
        QString paint = QStringLiteral(" fill=\"%1\"").arg(svgFill(s, int(i), defs));
        if (s.strokeWidth > 0)
            paint += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"").arg(s.stroke.name(), number(s.strokeWidth));
        switch (s.kind) {
        case Shape::Kind::RoundedRect: {
            const QPointF a = s.points[0];
            const QPointF b = s.points[1];
            body += QStringLiteral(" <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"%6/>\n")
                        .arg(number(a.x()), number(a.y()), number(b.x() - a.x()), number(b.y() - a.y()),
                             number(s.radius), paint);
            break;
        }
        case Shape::Kind::Circle:
            body += QStringLiteral(" <circle cx=\"%1\" cy=\"%2\" r=\"%3\"%4/>\n")
                        .arg(number(s.points[0].x()), number(s.points[0].y()), number(s.points[1].x()), paint);
            break;
        case Shape::Kind::Polygon: {
            QString d;
            for (size_t p = 0; p < s.points.size(); ++p)
                d += (p == 0 ? QStringLiteral("M") : QStringLiteral(" L")) + number(s.points[p].x()) +
                     QLatin1Char(' ') + number(s.points[p].y());
            body += QStringLiteral(" <path d=\"%1 Z\"%2/>\n").arg(d, paint);
            break;
        }
        }
    }
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                                 "viewBox=\"0 0 %1 %1\">\n")
                      .arg(kGrid);
    if (!defs.isEmpty())
        out += QStringLiteral(" <defs>\n") + defs + QStringLiteral(" </defs>\n");
    return out + body + QStringLiteral("</svg>\n");
}

QImage png(const std::vector<Shape>& list, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size) / kGrid, double(size) / kGrid);
    for (const Shape& s : list) {
        if (s.fillBottom.isValid()) {
            QLinearGradient g(0, s.points.front().y(), 0, s.points.back().y());
            g.setColorAt(0, s.fill);
            g.setColorAt(1, s.fillBottom);
            p.setBrush(g);
        } else {
            p.setBrush(s.fill);
        }
        p.setPen(s.strokeWidth > 0 ? QPen(s.stroke, s.strokeWidth) : QPen(Qt::NoPen));
        switch (s.kind) {
        case Shape::Kind::RoundedRect:
            p.drawRoundedRect(QRectF(s.points[0], s.points[1]), s.radius, s.radius);
            break;
        case Shape::Kind::Circle:
            p.drawEllipse(s.points[0], s.points[1].x(), s.points[1].x());
            break;
        case Shape::Kind::Polygon:
            p.drawPolygon(QPolygonF(QList<QPointF>(s.points.begin(), s.points.end())));
            break;
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tvx-mkicon OUTDIR NAME\n");
        return 2;
    }
    const QString outDir = QFile::decodeName(argv[1]);
    const QString name = QFile::decodeName(argv[2]);
    const std::vector<Shape> list = shapes();

    QDir().mkpath(outDir + QStringLiteral("/scalable"));
    QFile file(outDir + QStringLiteral("/scalable/") + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(svg(list).toUtf8()) < 0) {
        std::fprintf(stderr, "tvx-mkicon: cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    file.close();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = outDir + QStringLiteral("/%1x%1").arg(size);
        QDir().mkpath(dir);
        const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!png(list, size).save(path)) {
            std::fprintf(stderr, "tvx-mkicon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
