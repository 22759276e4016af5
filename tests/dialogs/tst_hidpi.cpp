// The windows on a scaled screen (run at QT_SCALE_FACTOR 1.25, 1.5 and 2): the buttons' faces are
// drawn in the screen's own pixels, sharp and whole, their rounded corners blend with the window's
// real background (a dark one too), and no caption or label is cut.
#include "controls/button/buttonface.h"
#include "controls/button/command.h"
#include "dialogtest.h"
#include "platform/programfont.h"
#include "store/programstore.h"
#include "support/tempstore.h"
#include "support/testclock.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/dialogs/parametersdialog.h"
#include "ui/dialogs/sitepickerdialog.h"
#include "ui/dialogs/submitsitesdialog.h"
#include "ui/main/adddialog.h"
#include "ui/main/mainwindow.h"
#include "ui/main/tagdialog.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace tvx;
using test::child;

namespace {
// Look 0's colours: the border, the first and the last row of the normal face.
constexpr QRgb kBorder = 0x003C74;
constexpr QRgb kFaceTop = 0xFFFFFF;
constexpr QRgb kFaceBottom = 0xD6D0C5;
const QColor kDarkWindow(0x20, 0x20, 0x20);

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0x00FFFFFFu;
}

// Every button of a window shows its whole caption inside its frame; no label is cut or covered.
void checkNothingCut(QWidget& window)
{
    QCOMPARE(test::layoutFault(window), QString());
    for (const controls::Command* b : window.findChildren<controls::Command*>()) {
        const QLabel* caption = b->findChild<QLabel*>(QStringLiteral("lbl"));
        QVERIFY2(caption->width() >= caption->sizeHint().width(), qPrintable(b->caption()));
        QVERIFY2(b->rect().adjusted(controls::kFrame, 1, -controls::kFrame, -1).contains(caption->geometry()),
                 qPrintable(b->objectName() + QLatin1Char(' ') + b->caption()));
    }
}
} // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        qInfo("scale %s", qPrintable(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"))));
    }

    void facesAreSharpWholeAndBlendWithTheWindow()
    {
        QWidget window;
        QPalette dark = window.palette();
        dark.setColor(QPalette::Window, kDarkWindow);
        window.setPalette(dark);
        window.setAutoFillBackground(true);
        window.resize(260, 80);
        // Odd places, so that edges fall in the middle of device pixels at 1.25 and 1.5.
        auto* enabled = new controls::Command(&window);
        enabled->setGeometry(33, 21, 95, 27);
        enabled->setCaption(QStringLiteral("添加(&A)"));
        auto* disabled = new controls::Command(&window);
        disabled->setGeometry(139, 21, 95, 27);
        disabled->setCaption(QStringLiteral("移除(&R)"));
        disabled->setEnabled(false);
        auto* elsewhere = new QWidget(&window); // holds the focus, so the buttons show their normal face
        elsewhere->setFocusPolicy(Qt::StrongFocus);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        elsewhere->setFocus();
        QCOMPARE(enabled->state(), controls::Command::Normal);

        const QImage shot = window.grab().toImage();
        const qreal s = shot.devicePixelRatio();
        QCOMPARE(s, qreal(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble()));
        const int k = controls::frameScale(s);
        // The button's device pixels: from its rounded left and top edges to its rounded right and bottom.
        const int left = qRound(33 * s), top = qRound(21 * s);
        const int right = qRound(128 * s) - 1, bottom = qRound(48 * s) - 1;
        const int midX = (left + right) / 2, midY = (top + bottom) / 2;
        // The border is k whole pixels on every side, and the face begins right after it: nothing
        // smeared between the two, and no side lost.
        for (int i = 0; i < k; ++i) {
            QCOMPARE(at(shot, midX, top + i), kBorder);
            QCOMPARE(at(shot, midX, bottom - i), kBorder);
            QCOMPARE(at(shot, left + i, midY), kBorder);
            QCOMPARE(at(shot, right - i, midY), kBorder);
        }
        QCOMPARE(at(shot, midX, top + k), kFaceTop);
        QCOMPARE(at(shot, midX, bottom - k), kFaceBottom);
        QCOMPARE(at(shot, left - 1, midY), kDarkWindow.rgb() & 0x00FFFFFFu);
        QCOMPARE(at(shot, right + 1, midY), kDarkWindow.rgb() & 0x00FFFFFFu);

        // The rounded corner is the border blended with the dark window, not a light spot.
        const QColor corner = shot.pixelColor(left, top);
        const QColor border(kBorder);
        for (const auto& [c, b, w] : {std::tuple{corner.red(), border.red(), kDarkWindow.red()},
                                      std::tuple{corner.green(), border.green(), kDarkWindow.green()},
                                      std::tuple{corner.blue(), border.blue(), kDarkWindow.blue()}})
            QVERIFY2(c >= std::min(b, w) - 1 && c <= std::max(b, w) + 1, qPrintable(corner.name()));
        // A disabled button's corners are left out: the window itself shows there.
        QCOMPARE(at(shot, qRound(139 * s), top), kDarkWindow.rgb() & 0x00FFFFFFu);
    }

    void noCaptionOrLabelIsCut()
    {
        test::TestClock clock;
        {
            store::ProgramStore store;
            ui::MainWindow w(store,
                             {QString(), QString(), WebHosts{QStringLiteral("http://127.0.0.1:9"), {}, {}}, &clock});
            QVERIFY(test::showActive(w));
            checkNothingCut(w);
        }
        ui::AddDialog frmAdd(clock);
        QVERIFY(test::showActive(frmAdd));
        checkNothingCut(frmAdd);
        ui::TagDialog frmTag;
        QVERIFY(test::showActive(frmTag));
        checkNothingCut(frmTag);
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲站');"));
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        ui::dialogs::AccountsDialog frmSetup(store);
        QVERIFY(test::showActive(frmSetup));
        checkNothingCut(frmSetup);
        ui::dialogs::SitePickerDialog frmSel(store);
        QVERIFY(test::showActive(frmSel));
        checkNothingCut(frmSel);
        ui::dialogs::SubmitSitesDialog frmSelWeb(store);
        QVERIFY(test::showActive(frmSelWeb));
        checkNothingCut(frmSelWeb);
        ui::dialogs::ParametersDialog frmPara(store);
        QVERIFY(test::showActive(frmPara));
        checkNothingCut(frmPara);
    }
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
