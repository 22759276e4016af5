// How the button paints: the looks, the nine-part stretch, look 0's colours, the focus rectangle and
// where the caption and icon sit. Also renders a sheet of every look in every state for review.
#include "controls/button/buttonface.h"
#include "controls/button/command.h"
#include "platform/programfont.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTest>

using namespace tvx::controls;

namespace {

QRgb rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0x00FFFFFFu;
}

QImage cellOf(int look, int state)
{
    return lookPicture(look).copy(state * kCellWidth, 0, kCellWidth, kCellHeight);
}

// Source rectangles of the nine parts within a cell, in drawing order.
const QList<QRect> kParts = {{0, 0, 3, 3},   {15, 0, 3, 3},  {15, 18, 3, 3}, {0, 18, 3, 3}, {3, 0, 12, 3},
                             {15, 3, 3, 15}, {3, 18, 12, 3}, {0, 3, 3, 15},  {3, 3, 12, 15}};

// A look whose nine parts are each one flat colour, different in every cell.
QImage partsLook()
{
    QImage look(kCellWidth * kCellCount, kCellHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&look);
    for (int state = 0; state < kCellCount; ++state) {
        for (int part = 0; part < kParts.size(); ++part)
            p.fillRect(kParts[part].translated(state * kCellWidth, 0), QColor(40 * state, 25 * part, 200));
    }
    return look;
}

} // namespace

class TestButtonPaint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tvx::platform::applyProgramFont(*qApp); }

    void everyLookHasFiveDifferentCells()
    {
        for (int n = 0; n < kLookCount; ++n) {
            QCOMPARE(lookPicture(n).size(), QSize(90, 21));
            for (int a = 0; a < kCellCount; ++a) {
                for (int b = a + 1; b < kCellCount; ++b)
                    QVERIFY2(cellOf(n, a) != cellOf(n, b), qPrintable(QStringLiteral("look %1").arg(n)));
            }
        }
        QVERIFY(lookPicture(-1).isNull());
        QVERIFY(lookPicture(26).isNull());
    }

    void ninePartsLandWhereTheyBelong()
    {
        const QImage look = partsLook();
        const QList<QRect> targets = {{0, 0, 3, 3},   {97, 0, 3, 3}, {97, 27, 3, 3},
                                      {0, 27, 3, 3},  {3, 0, 94, 3}, {97, 3, 3, 24},
                                      {3, 27, 94, 3}, {0, 3, 3, 24}, {3, 3, 94, 24}};
        for (int state = 0; state < kCellCount; ++state) {
            const QImage face = drawFace(look, state, QSize(100, 30));
            for (int part = 0; part < targets.size(); ++part) {
                const QRgb want = QColor(40 * state, 25 * part, 200).rgb() & 0x00FFFFFFu;
                const QRect& t = targets[part];
                for (int y = t.top(); y <= t.bottom(); ++y) {
                    for (int x = t.left(); x <= t.right(); ++x)
                        QVERIFY2(rgb(face, x, y) == want,
                                 qPrintable(QStringLiteral("part %1 at %2,%3").arg(part).arg(x).arg(y)));
                }
            }
        }
        // Too small for edges and centre: the corners alone, and nothing out of place.
        const QImage tiny = drawFace(look, 0, QSize(5, 4));
        QCOMPARE(rgb(tiny, 0, 0), QColor(0, 0, 200).rgb() & 0x00FFFFFFu);
    }

    void cornersStaySharpAndSmallButtonsShowTheCell()
    {
        for (int n : {0, 6, 20}) {
            for (int state = 0; state < kCellCount; ++state) {
                const QImage cell = cellOf(n, state);
                const QImage face = drawFace(lookPicture(n), state, QSize(100, 30));
                QCOMPARE(face.copy(0, 0, 3, 3), cell.copy(0, 0, 3, 3));
                QCOMPARE(face.copy(97, 0, 3, 3), cell.copy(15, 0, 3, 3));
                QCOMPARE(face.copy(97, 27, 3, 3), cell.copy(15, 18, 3, 3));
                QCOMPARE(face.copy(0, 27, 3, 3), cell.copy(0, 18, 3, 3));
                QCOMPARE(drawFace(lookPicture(n), state, QSize(18, 21)), cell);
            }
        }
    }

    void lookZeroColours()
    {
        const QImage look = lookPicture(0);
        const auto face = [&](int state) {
            return drawFace(look, state, QSize(100, 30));
        };
        const QImage normal = face(Command::Normal);
        for (const QPoint& border : {QPoint(50, 0), QPoint(50, 29), QPoint(0, 15), QPoint(99, 15)})
            QCOMPARE(rgb(normal, border.x(), border.y()), 0x003C74u);
        QCOMPARE(rgb(normal, 50, 1), 0xFFFFFFu);
        QCOMPARE(rgb(normal, 50, 28), 0xD6D0C5u);
        QCOMPARE(rgb(drawFace(look, Command::Normal, QSize(18, 21)), 9, 10), 0xF3F3EFu);
        QVERIFY(qAlpha(normal.pixel(0, 0)) < 255); // rounded: the corner lets the window through

        const QImage pressed = face(Command::Pressed);
        QCOMPARE(rgb(pressed, 50, 0), 0x003C74u);
        QCOMPARE(rgb(pressed, 50, 1), 0xD1CCC1u);
        QCOMPARE(rgb(pressed, 50, 28), 0xF2F1EEu);

        const QImage disabled = face(Command::Disabled);
        QCOMPARE(rgb(disabled, 50, 0), 0xC9C7BAu);
        // Its corners are left out: the window's own background shows there, light or dark.
        QCOMPARE(qAlpha(disabled.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(disabled.pixel(99, 29)), 0);
        QCOMPARE(rgb(disabled, 50, 15), 0xF5F4EAu);

        const QList<QPair<int, QList<QRgb>>> rims = {
            {Command::Hover, {0xFFF0CF, 0xFDD889, 0xFCCA69, 0xF8B330, 0xE59700}},
            {Command::Focused, {0xCEE7FF, 0xBCD4F6, 0xA0BEEC, 0x89ADE4, 0x6982EE}}};
        for (const auto& [state, c] : rims) {
            const QImage f = face(state);
            QCOMPARE(rgb(f, 50, 0), 0x003C74u);
            QCOMPARE(rgb(f, 50, 1), c[0]);
            QCOMPARE(rgb(f, 50, 2), c[1]);
            for (int x : {1, 2, 97, 98})
                QCOMPARE(rgb(f, x, 15), c[2]);
            QCOMPARE(rgb(f, 50, 27), c[3]);
            QCOMPARE(rgb(f, 50, 28), c[4]);
            QCOMPARE(rgb(f, 50, 15), rgb(normal, 50, 15));
        }
    }

    void focusRectangleWhenHeldDownAndFocused()
    {
        QWidget window;
        window.resize(200, 80);
        auto* b = new Command(&window);
        b->setGeometry(10, 10, 100, 30);
        auto* other = new Command(&window);
        other->setGeometry(10, 45, 100, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseMove(b, QPoint(50, 15));

        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 15));
        const QImage plain = drawFace(lookPicture(0), Command::Pressed, b->size());
        const QImage held = b->face();
        // Every other pixel of the rectangle from (2, 2) to (97, 27) is inverted, nothing else.
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 100; ++x) {
                const bool onRect =
                    (x == 2 || x == 97) ? (y >= 2 && y <= 27) : (y == 2 || y == 27) && x >= 2 && x <= 97;
                const QRgb want =
                    onRect && (x + y) % 2 == 0 ? plain.pixel(x, y) ^ 0x00FFFFFFu : plain.pixel(x, y);
                QVERIFY2(held.pixel(x, y) == want, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
        // Released with the focus: the hover cell with the rectangle.
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 15));
        QCOMPARE(b->state(), Command::Hover);
        QVERIFY(b->face() != drawFace(lookPicture(0), Command::Hover, b->size()));
        // Without the focus the hovered face is plain.
        other->setFocus();
        QTest::mouseMove(b, QPoint(40, 15));
        QCOMPARE(b->state(), Command::Hover);
        QCOMPARE(b->face(), drawFace(lookPicture(0), Command::Hover, b->size()));
        // A refresh (a resize, a new caption) keeps the focus visible on a focused button.
        b->setFocus();
        b->resize(101, 30);
        QCOMPARE(b->state(), Command::Focused);
        QVERIFY(b->face() != drawFace(lookPicture(0), Command::Focused, b->size()));
        other->setFocus();
        b->resize(100, 30);
        QCOMPARE(b->state(), Command::Normal);
        QCOMPARE(b->face(), drawFace(lookPicture(0), Command::Normal, b->size()));
    }

    void captionAndIconPlacement()
    {
        QWidget window;
        auto* b = new Command(&window);
        b->setGeometry(0, 0, 120, 30);
        b->setCaption(QStringLiteral("确定(&O)"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* lbl = b->findChild<QLabel*>(QStringLiteral("lbl"));
        auto* icon = b->findChild<QLabel*>(QStringLiteral("imgButton"));
        QCOMPARE(lbl->pos(), QPoint((120 - lbl->width()) / 2, (30 - lbl->height()) / 2));

        QPixmap picture(16, 12);
        picture.fill(Qt::darkGreen);
        b->setIconPicture(picture);
        QCOMPARE(b->iconAlign(), 1);
        QVERIFY(icon->isVisible());
        QCOMPARE(icon->geometry(), QRect(5, 9, 16, 12));
        QCOMPARE(lbl->x(), 16 + 7); // 2 pixels after the icon

        // Held down, both sink by one pixel; released, they are back.
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(icon->pos(), QPoint(6, 10));
        QCOMPARE(lbl->x(), 24);
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(icon->pos(), QPoint(5, 9));
        QCOMPARE(lbl->x(), 23);

        b->setIconAlign(2);
        QCOMPARE(icon->geometry().right() + 1, 120 - 5);
        QCOMPARE(lbl->x(), 5);

        // Disabled: no icon, caption centred; enabled again: both back in place.
        b->setEnabled(false);
        QVERIFY(!icon->isVisible());
        QCOMPARE(lbl->x(), (120 - lbl->width()) / 2);
        b->setEnabled(true);
        QVERIFY(icon->isVisible());
        QCOMPARE(lbl->x(), 5);

        // Alignment 0 hides the icon and centres the caption; a larger font re-centres it too.
        b->setIconAlign(0);
        QVERIFY(!icon->isVisible());
        const int narrow = lbl->width();
        QFont big = b->font();
        big.setPointSize(16);
        b->setFont(big);
        QVERIFY(lbl->width() > narrow);
        QCOMPARE(lbl->pos(), QPoint((120 - lbl->width()) / 2, (30 - lbl->height()) / 2));
    }

    // Not a check: the sheet of every look in every state, for a person to look at.
    void renderSheetOfAllLooks()
    {
        const QSize button(95, 27);
        const int gap = 8, labelWidth = 28, headerHeight = 22;
        QWidget host;
        host.resize(260, 60);
        auto* b = new Command(&host);
        b->setGeometry(10, 10, button.width(), button.height());
        b->setCaption(QStringLiteral("确定(&O)"));
        auto* elsewhere = new Command(&host);
        elsewhere->setGeometry(150, 10, 95, 27);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));

        QImage sheet(labelWidth + kCellCount * (button.width() + gap) + gap,
                     headerHeight + kLookCount * (button.height() + gap), QImage::Format_RGB32);
        sheet.fill(QApplication::palette().window().color());
        QPainter p(&sheet);
        const QStringList states = {"Normal", "Pressed", "Disabled", "Hover", "Focused"};
        for (int s = 0; s < kCellCount; ++s)
            p.drawText(QRect(labelWidth + s * (button.width() + gap), 0, button.width(), headerHeight),
                       Qt::AlignCenter, states[s]);
        for (int n = 0; n < kLookCount; ++n) {
            QVERIFY(b->setButtonLook(n));
            const int top = headerHeight + n * (button.height() + gap);
            p.drawText(QRect(0, top, labelWidth, button.height()), Qt::AlignCenter, QString::number(n));
            for (int s = 0; s < kCellCount; ++s) {
                b->setEnabled(true);
                elsewhere->setFocus();
                QTest::mouseMove(&host, QPoint(250, 55));
                QTRY_COMPARE(b->state(), Command::Normal);
                if (s == Command::Pressed)
                    QTest::mousePress(b, Qt::LeftButton);
                else if (s == Command::Disabled)
                    b->setEnabled(false);
                else if (s == Command::Hover)
                    QTest::mouseMove(b);
                else if (s == Command::Focused)
                    b->setFocus();
                QCOMPARE(int(b->state()), s);
                p.drawImage(labelWidth + s * (button.width() + gap), top, b->grab().toImage());
                if (s == Command::Pressed)
                    QTest::mouseRelease(b, Qt::LeftButton);
            }
        }
        p.end();
        QDir().mkpath(QStringLiteral(TVX_SCREENSHOT_DIR));
        QVERIFY(sheet.save(QStringLiteral(TVX_SCREENSHOT_DIR "/button_looks.png")));
        // Look 0, the program's look, four times as large.
        const QRect firstRow(labelWidth, headerHeight, kCellCount * (button.width() + gap), button.height());
        QVERIFY(sheet.copy(firstRow)
                    .scaled(firstRow.size() * 4)
                    .save(QStringLiteral(TVX_SCREENSHOT_DIR "/button_look0_zoom.png")));
    }
};

QTEST_MAIN(TestButtonPaint)
#include "tst_buttonpaint.moc"
