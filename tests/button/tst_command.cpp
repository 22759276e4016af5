// The button's states, its events and their order, keyboard and focus handling, accessibility and
// the stored properties, driven through QTest on an offscreen window.
#include "controls/button/buttonface.h"
#include "controls/button/command.h"
#include "platform/programfont.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using tvx::controls::Command;
using tvx::controls::PropertyBag;

namespace {

// Every event of a button as one line, in the order raised.
struct EventLog {
    QStringList lines;
    explicit EventLog(Command* b)
    {
        const auto mouse = [this](const char* name) {
            return [this, name](qint16 button, qint16 shift, float x, float y) {
                lines << QStringLiteral("%1(%2,%3,%4,%5)")
                             .arg(QLatin1String(name))
                             .arg(button)
                             .arg(shift)
                             .arg(x)
                             .arg(y);
            };
        };
        const auto key = [this](const char* name) {
            return [this, name](qint16 code, qint16 shift) {
                lines << QStringLiteral("%1(%2,%3)").arg(QLatin1String(name)).arg(code).arg(shift);
            };
        };
        QObject::connect(b, &Command::Click, b, [this] { lines << QStringLiteral("Click"); });
        QObject::connect(b, &Command::DblClick, b, [this] { lines << QStringLiteral("DblClick"); });
        QObject::connect(b, &Command::MouseOut, b, [this] { lines << QStringLiteral("MouseOut"); });
        QObject::connect(b, &Command::KeyPress, b,
                         [this](qint16 a) { lines << QStringLiteral("KeyPress(%1)").arg(a); });
        QObject::connect(b, &Command::KeyDown, b, key("KeyDown"));
        QObject::connect(b, &Command::KeyUp, b, key("KeyUp"));
        QObject::connect(b, &Command::MouseDown, b, mouse("MouseDown"));
        QObject::connect(b, &Command::MouseMove, b, mouse("MouseMove"));
        QObject::connect(b, &Command::MouseUp, b, mouse("MouseUp"));
    }
    // The event names only, without their arguments.
    QStringList names() const
    {
        QStringList n;
        for (const QString& l : lines)
            n << l.section(QLatin1Char('('), 0, 0);
        return n;
    }
};

// A window with two buttons; the pointer starts far away from both.
struct Host {
    QWidget window;
    Command* cmd = new Command(&window);
    Command* other = new Command(&window);
    Host()
    {
        window.resize(200, 120);
        cmd->setGeometry(20, 20, 100, 30);
        other->setGeometry(20, 70, 100, 30);
        cmd->setCaption(QStringLiteral("添加(&A)"));
        other->setCaption(QStringLiteral("移除(&R)"));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        leave();
    }
    void enter(QPoint at = {50, 15}) { QTest::mouseMove(cmd, at); }
    void leave() { QTest::mouseMove(&window, QPoint(190, 110)); }
};

bool focusRectShown(const Command* b)
{
    // The inverted dots start at (2, 2): a face without them has the cell's own pixel there.
    const QImage plain =
        tvx::controls::drawFace(tvx::controls::lookPicture(b->buttonLook()), b->state(), b->size());
    return b->face().pixel(2, 2) != plain.pixel(2, 2);
}

} // namespace

class TestCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { tvx::platform::applyProgramFont(*qApp); }

    void hoverPollReportsLeavingOnce()
    {
        Host h;
        EventLog log(h.cmd);
        h.enter();
        QCOMPARE(h.cmd->state(), Command::Hover);
        h.enter({60, 20});
        h.enter({70, 10});
        QCOMPARE(log.names(), QStringList({"MouseMove"}));
        QCOMPARE(log.lines.first(), QStringLiteral("MouseMove(0,0,50,15)"));

        // The right and bottom limits still count as inside, so the poll keeps quiet there.
        QCursor::setPos(h.cmd->mapToGlobal(QPoint(100, 30)));
        QTest::qWait(3 * Command::kHoverPollMs);
        QCOMPARE(h.cmd->state(), Command::Hover);
        QCOMPARE(log.names(), QStringList({"MouseMove"}));

        QElapsedTimer left;
        QCursor::setPos(h.cmd->mapToGlobal(QPoint(101, 30)));
        left.start();
        QTRY_COMPARE_WITH_TIMEOUT(log.names(), QStringList({"MouseMove", "MouseOut"}), 1000);
        QVERIFY(left.elapsed() < 6 * Command::kHoverPollMs);
        QCOMPARE(h.cmd->state(), Command::Normal);
        QTest::qWait(3 * Command::kHoverPollMs);
        QCOMPARE(log.names(), QStringList({"MouseMove", "MouseOut"})); // the poll has stopped

        // With the focus, leaving shows the focused look with its dotted rectangle.
        h.cmd->setFocus();
        QCOMPARE(h.cmd->state(), Command::Focused);
        h.enter();
        QVERIFY(focusRectShown(h.cmd));
        h.leave();
        QTRY_COMPARE(h.cmd->state(), Command::Focused);
        QVERIFY(focusRectShown(h.cmd));
        QCOMPARE(log.names().count(QStringLiteral("MouseOut")), 2);
    }

    void pressDragOutAndRelease()
    {
        Host h;
        EventLog log(h.cmd);
        h.enter();
        QTest::mousePress(h.cmd, Qt::LeftButton, {}, QPoint(50, 15));
        QCOMPARE(h.cmd->state(), Command::Pressed);
        QVERIFY(h.cmd->hasFocus());
        QVERIFY(focusRectShown(h.cmd));
        // Dragged out while held: the poll reports it and shows the focused look.
        QCursor::setPos(h.window.mapToGlobal(QPoint(190, 110)));
        QTRY_COMPARE(log.names().last(), QStringLiteral("MouseOut"));
        QCOMPARE(h.cmd->state(), Command::Focused);
        // Released outside: hovered look, MouseUp, but no Click.
        QTest::mouseRelease(h.cmd, Qt::LeftButton, {}, QPoint(170, 90));
        QCOMPARE(h.cmd->state(), Command::Hover);
        QCOMPARE(log.names(), QStringList({"MouseMove", "MouseDown", "MouseOut", "MouseUp"}));
        QCOMPARE(log.lines.at(1), QStringLiteral("MouseDown(1,0,50,15)"));

        // Already hovered, so entering again neither raises MouseMove nor starts the poll.
        h.enter();
        h.leave();
        QTest::qWait(3 * Command::kHoverPollMs);
        QCOMPARE(log.names().size(), 4);
        QCOMPARE(h.cmd->state(), Command::Hover);
        // The look goes back when the focus moves away.
        h.other->setFocus();
        QCOMPARE(h.cmd->state(), Command::Normal);
    }

    void mouseClicksRightClickAndDoubleClick()
    {
        Host h;
        EventLog log(h.cmd);
        QTest::mouseClick(h.cmd, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(log.lines, QStringList({"MouseUp(2,0,10,10)"}));
        QCOMPARE(h.cmd->state(), Command::Hover);

        log.lines.clear();
        QTest::mouseClick(h.cmd, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
        QCOMPARE(log.lines, QStringList({"MouseDown(1,1,10,10)", "MouseUp(1,1,10,10)", "Click"}));

        // The second press of a double click raises DblClick and the pressed look, but no second Click.
        log.lines.clear();
        QTest::mouseDClick(h.cmd, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(h.cmd->state(), Command::Pressed);
        QTest::mouseRelease(h.cmd, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(log.names(), QStringList({"DblClick", "MouseDown", "MouseUp"}));
        QCOMPARE(log.lines.at(1), QStringLiteral("MouseDown(1,0,0,0)"));
    }

    void keyStrokeOrder()
    {
        Host h;
        h.cmd->setFocus();
        EventLog log(h.cmd);
        QTest::keyPress(h.cmd, Qt::Key_Space);
        QCOMPARE(h.cmd->state(), Command::Pressed);
        QTest::keyRelease(h.cmd, Qt::Key_Space);
        QCOMPARE(log.lines, QStringList({"KeyDown(32,0)", "MouseDown(1,0,0,0)", "KeyUp(32,0)",
                                         "MouseUp(0,0,0,0)", "KeyPress(32)", "Click"}));
        // Hovered look with the focus rectangle, wherever the pointer is.
        QCOMPARE(h.cmd->state(), Command::Hover);
        QVERIFY(focusRectShown(h.cmd));

        // A held key repeats KeyDown only; one Click when it is let go.
        log.lines.clear();
        for (bool repeat : {false, true, true}) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
            QApplication::sendEvent(h.cmd, &down);
        }
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(h.cmd, &repeatUp);
        QTest::keyRelease(h.cmd, Qt::Key_Space);
        QCOMPARE(log.names(), QStringList({"KeyDown", "MouseDown", "KeyDown", "KeyDown", "KeyUp", "MouseUp",
                                           "KeyPress", "Click"}));
        QCOMPARE(log.lines.first(), QStringLiteral("KeyDown(32,0)"));

        // Enter on the focused button clicks it too.
        log.lines.clear();
        QTest::keyClick(h.cmd, Qt::Key_Return);
        QCOMPARE(log.names().last(), QStringLiteral("Click"));
        QCOMPARE(log.lines.first(), QStringLiteral("KeyDown(13,0)"));
    }

    void keysThatDoNotPress()
    {
        Host h;
        h.cmd->setFocus();
        EventLog log(h.cmd);
        // Only Space and Enter press a focused button: a letter, an arrow or Delete typed on it by
        // mistake is raised as KeyDown and KeyUp, and goes on to the window.
        for (Qt::Key key : {Qt::Key_A, Qt::Key_Down, Qt::Key_Right, Qt::Key_Delete, Qt::Key_F5}) {
            log.lines.clear();
            QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(h.cmd, &down);
            QVERIFY(!down.isAccepted());
            QCOMPARE(h.cmd->state(), Command::Focused);
            QTest::keyRelease(h.cmd, key);
            QCOMPARE(log.names(), QStringList({"KeyDown", "KeyUp"}));
        }
        log.lines.clear();
        QTest::keyClick(h.cmd, Qt::Key_Space, Qt::ControlModifier); // nor with Ctrl held
        QVERIFY(!log.names().contains(QStringLiteral("MouseDown")) && !log.names().contains(QStringLiteral("Click")));
        log.lines.clear();
        // Tapping Shift alone (as before Shift+Tab, or Alt to see the access keys) presses nothing.
        QTest::keyPress(h.cmd, Qt::Key_Shift);
        QTest::keyRelease(h.cmd, Qt::Key_Shift);
        QCOMPARE(log.names(), QStringList({"KeyDown", "KeyUp"}));
        QCOMPARE(log.lines.first(), QStringLiteral("KeyDown(16,1)"));
        QCOMPARE(h.cmd->state(), Command::Focused);
        // The release of a key that went down elsewhere (the Tab that brought the focus) is ignored.
        log.lines.clear();
        QTest::keyRelease(h.cmd, Qt::Key_Tab);
        QVERIFY(log.lines.isEmpty());
        // Escape is left to the window.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(h.cmd, &escape);
        QVERIFY(!escape.isAccepted());
        QVERIFY(log.lines.isEmpty());
    }

    void disabledButtonIgnoresInput()
    {
        Host h;
        h.cmd->setIconPicture(QPixmap(16, 16));
        auto* icon = h.cmd->findChild<QLabel*>(QStringLiteral("imgButton"));
        QVERIFY(icon->isVisibleTo(h.cmd));
        h.cmd->setEnabled(false);
        QCOMPARE(h.cmd->state(), Command::Disabled);
        QVERIFY(!icon->isVisibleTo(h.cmd));
        EventLog log(h.cmd);
        h.enter();
        QTest::mouseClick(h.cmd, Qt::LeftButton);
        QTest::keyClick(h.cmd, Qt::Key_Space);
        h.cmd->setFocus();
        QVERIFY(log.lines.isEmpty());
        QCOMPARE(h.cmd->state(), Command::Disabled);
        QVERIFY(!h.cmd->hasFocus());

        h.cmd->setEnabled(true);
        QCOMPARE(h.cmd->state(), Command::Normal);
        QVERIFY(icon->isVisibleTo(h.cmd));
        QCOMPARE(h.cmd->iconAlign(), 1);
        h.leave();

        // Disabled while held down: enabled again, it answers the pointer at once.
        QTest::mousePress(h.cmd, Qt::LeftButton);
        h.cmd->setEnabled(false);
        QTest::mouseRelease(h.cmd, Qt::LeftButton); // not delivered to a disabled button
        h.cmd->setEnabled(true);
        h.enter();
        QCOMPARE(h.cmd->state(), Command::Hover);
        h.leave();
        QTRY_COMPARE(h.cmd->state(), Command::Normal);

        // Disabled while hovered: MouseOut still comes, and the face stays disabled.
        h.enter();
        h.cmd->setEnabled(false);
        h.leave();
        QTRY_COMPARE(log.names().last(), QStringLiteral("MouseOut"));
        QCOMPARE(h.cmd->state(), Command::Disabled);
    }

    void captionChangeRecentresAndResetsLook()
    {
        Host h;
        auto* lbl = h.cmd->findChild<QLabel*>(QStringLiteral("lbl"));
        h.enter();
        QCOMPARE(h.cmd->state(), Command::Hover);
        const int before = lbl->width();
        h.cmd->setCaption(QStringLiteral("全部提交(&M)"));
        QVERIFY(lbl->width() > before);
        QCOMPARE(lbl->x(), (100 - lbl->width()) / 2);
        QCOMPARE(lbl->y(), (30 - lbl->height()) / 2);
        QCOMPARE(h.cmd->state(), Command::Normal);
        QCOMPARE(h.cmd->caption(), QStringLiteral("全部提交(&M)"));
        // The label is sized to the text shown, without the "&".
        QCOMPARE(lbl->width(), lbl->fontMetrics().horizontalAdvance(QStringLiteral("全部提交(M)")));
        // With the keyboard focus, a new caption keeps the focus visible.
        h.cmd->setFocus();
        h.cmd->setCaption(QStringLiteral("中止(&T)"));
        QCOMPARE(h.cmd->state(), Command::Focused);
        QVERIFY(focusRectShown(h.cmd));
    }

    void accessibleNameAccessKeyAndDefault()
    {
        Host h;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(h.cmd);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("添加(A)"));
        // One object: the caption label and the icon box are drawing, not parts of their own.
        QCOMPARE(a->childCount(), 0);
        QCOMPARE(a->text(QAccessible::Accelerator), QKeySequence(QStringLiteral("Alt+A")).toString(QKeySequence::NativeText));
        h.cmd->setToolTip(QStringLiteral("加入列表"));
        QCOMPARE(a->text(QAccessible::Description), QStringLiteral("加入列表"));
        QVERIFY(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QSignalSpy clicks(h.cmd, &Command::Click);
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(clicks.count(), 1);

        // Alt and the letter after "&": the button takes the focus and is clicked.
        h.other->setFocus();
        QTest::keyClick(&h.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicks.count(), 2);
        QVERIFY(h.cmd->hasFocus());
        QTest::qWait(200);
        QCOMPARE(clicks.count(), 2);

        // Enter in a dialog goes to its default button.
        QDialog dialog;
        auto* edit = new QLineEdit(&dialog);
        auto* ok = new Command(&dialog);
        ok->setGeometry(10, 40, 80, 25);
        ok->setDefault(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();
        QSignalSpy okClicks(ok, &Command::Click);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
    }

    void buttonLookOutsideTheRangeIsRefused()
    {
        Host h;
        QVERIFY(h.cmd->setButtonLook(5));
        const QImage face = h.cmd->face();
        for (int bad : {-1, 26, 1000}) {
            QVERIFY(!h.cmd->setButtonLook(bad));
            QCOMPARE(h.cmd->buttonLook(), 5);
            QCOMPARE(h.cmd->face(), face);
        }
        QVERIFY(h.cmd->setButtonLook(25));
        QVERIFY(h.cmd->face() != face);
    }

    void propertiesRoundTrip()
    {
        QWidget window;
        // A fresh button stores nothing; its caption reads back as the default.
        auto* fresh = new Command(&window);
        PropertyBag empty;
        fresh->writeProperties(empty);
        QVERIFY(empty.names().isEmpty());
        auto* reread = new Command(&window);
        reread->setCaption(QStringLiteral("something else"));
        QVERIFY(reread->readProperties(empty));
        QCOMPARE(reread->caption(), QStringLiteral("XpButton"));

        // The program's buttons store their caption only (the font is the window's).
        auto* program = new Command(&window);
        program->setCaption(QStringLiteral("添加(&A)"));
        PropertyBag captionOnly;
        program->writeProperties(captionOnly);
        QCOMPARE(captionOnly.names(), QStringList({"Caption"}));

        auto* b = new Command(&window);
        QPixmap icon(12, 10);
        icon.fill(Qt::red);
        b->setIconPicture(icon);
        b->setIconAlign(2);
        b->setEnabled(false);
        b->setCaption(QStringLiteral("中止(&T)"));
        QFont font = window.font();
        font.setPointSize(14);
        b->setFont(font);
        b->setFontColor(QColor(0x12, 0x34, 0x56));
        QVERIFY(b->setButtonLook(7));
        PropertyBag bag;
        b->writeProperties(bag);
        QCOMPARE(bag.names(),
                 QStringList({"IconAlign", "Icon", "Enabled", "Caption", "Font", "FontColor", "ButtonLook"}));

        const PropertyBag stored = PropertyBag::fromBytes(bag.toBytes());
        QCOMPARE(stored.names(), bag.names());
        auto* copy = new Command(&window);
        QVERIFY(copy->readProperties(stored));
        // The alignment is read first, so the icon setter keeps it at the right.
        QCOMPARE(copy->iconAlign(), 2);
        QCOMPARE(copy->iconPicture().toImage(), icon.toImage());
        QVERIFY(!copy->isEnabled());
        QCOMPARE(copy->state(), Command::Disabled);
        QCOMPARE(copy->caption(), QStringLiteral("中止(&T)"));
        QCOMPARE(copy->font().pointSize(), 14);
        QCOMPARE(copy->fontColor(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(copy->buttonLook(), 7);
        QVERIFY(PropertyBag::fromBytes(QByteArray("not a bag")).names().isEmpty());

        // A stored look without a picture is refused; the rest is read and the look stays.
        PropertyBag badLook;
        badLook.write(QStringLiteral("Caption"), QStringLiteral("确定"), Command::defaultCaption());
        badLook.write(QStringLiteral("ButtonLook"), 31, 0);
        auto* c = new Command(&window);
        QVERIFY(!c->readProperties(badLook));
        QCOMPARE(c->caption(), QStringLiteral("确定"));
        QCOMPARE(c->buttonLook(), 0);
    }

    void usesTheProgramFont()
    {
        Host h;
        QCOMPARE(h.cmd->font(), QApplication::font());
        QCOMPARE(h.cmd->findChild<QLabel*>(QStringLiteral("lbl"))->font(), QApplication::font());
        QCOMPARE(QApplication::font().pointSize(), 9);
    }
};

QTEST_MAIN(TestCommand)
#include "tst_command.moc"
