#include "command.h"

#include "buttonface.h"
#include "commandaccessible.h"
#include "eventcodes.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace tvx::controls {

namespace {
// The greyed caption of a disabled button, matching the disabled faces.
const QColor kDisabledCaption(0xAC, 0xA8, 0x99);
} // namespace

Command::Command(QWidget* parent)
    : QPushButton(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(&CommandAccessible::factory);
        return true;
    }();
    Q_UNUSED(accessible);
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    m_lbl = new QLabel(this);
    m_lbl->setObjectName(QStringLiteral("lbl"));
    m_lbl->setTextFormat(Qt::PlainText);
    m_lbl->setAttribute(Qt::WA_TransparentForMouseEvents);
    // The label owns the access key: Alt and the letter after "&" focus the button and click it.
    m_lbl->setBuddy(this);

    m_imgButton = new QLabel(this);
    m_imgButton->setObjectName(QStringLiteral("imgButton"));
    m_imgButton->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_imgButton->resize(16, 16);
    m_imgButton->hide();

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(kHoverPollMs);
    connect(m_Timer1, &QTimer::timeout, this, &Command::Timer1_Timer);

    connect(this, &QAbstractButton::clicked, this, &Command::Click);

    setFontColor(Qt::black);
    LoadLook(0);
    m_State = Normal;
    setCaption(defaultCaption());
}

QString Command::caption() const
{
    return text();
}

void Command::setCaption(const QString& NewCaption)
{
    if (NewCaption == m_lbl->text())
        return;
    // The button keeps the caption as its text for accessibility; the label draws it and owns the
    // access key, so the button must not grab the same key a second time.
    setText(NewCaption);
    setShortcut(QKeySequence());
    m_lbl->setText(NewCaption);
    m_lbl->adjustSize();
    RefreshButton();
    emit propertyChanged(QStringLiteral("Caption"));
}

void Command::setIconAlign(int NewPicAlign)
{
    if (NewPicAlign != 0) {
        m_IconAlign = NewPicAlign;
        emit propertyChanged(QStringLiteral("IconAlign"));
        PlaceCaption();
        PlaceIcon();
    } else {
        m_imgButton->hide();
        m_IconAlign = 0;
        emit propertyChanged(QStringLiteral("IconAlign"));
        PlaceCaption();
    }
}

QPixmap Command::iconPicture() const
{
    return m_imgButton->pixmap();
}

void Command::setIconPicture(const QPixmap& NewIcon)
{
    m_imgButton->clear();
    m_imgButton->setPixmap(NewIcon);
    if (NewIcon.isNull())
        return;
    emit propertyChanged(QStringLiteral("Icon"));
    if (m_IconAlign == 0)
        m_IconAlign = 1;
    m_imgButton->resize(NewIcon.deviceIndependentSize().toSize());
    PlaceCaption();
    PlaceIcon();
    // A disabled button keeps its icon hidden until it is enabled again.
    m_imgButton->setVisible(m_Enabled);
}

void Command::setFontColor(const QColor& NewFontColor)
{
    m_FontColor = NewFontColor;
    QPalette palette = m_lbl->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, NewFontColor);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, NewFontColor);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledCaption);
    m_lbl->setPalette(palette);
    emit propertyChanged(QStringLiteral("FontColor"));
}

bool Command::setButtonLook(int NewButtonLook)
{
    if (lookPicture(NewButtonLook).isNull())
        return false;
    m_ButtonLook = NewButtonLook;
    LoadLook(NewButtonLook);
    RefreshButton();
    emit propertyChanged(QStringLiteral("ButtonLook"));
    return true;
}

QFont Command::holderFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void Command::writeProperties(PropertyBag& bag) const
{
    bag.write(QStringLiteral("IconAlign"), m_IconAlign, 0);
    bag.write(QStringLiteral("Icon"), iconPicture(), QPixmap());
    bag.write(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
    bag.write(QStringLiteral("Caption"), caption(), defaultCaption());
    bag.write(QStringLiteral("Font"), font(), holderFont());
    bag.write(QStringLiteral("FontColor"), m_FontColor, QColor(Qt::black));
    bag.write(QStringLiteral("ButtonLook"), m_ButtonLook, 0);
}

bool Command::readProperties(const PropertyBag& bag)
{
    // The alignment goes in as it is; the Icon setter after it then finds it and places the parts.
    m_IconAlign = bag.read(QStringLiteral("IconAlign"), 0).toInt();
    setIconPicture(bag.read(QStringLiteral("Icon"), iconPicture()).value<QPixmap>());
    setEnabled(bag.read(QStringLiteral("Enabled"), true).toBool());
    RefreshButton();
    setCaption(bag.read(QStringLiteral("Caption"), defaultCaption()).toString());
    // Without a stored font the button follows the font of the window that holds it.
    setFont(bag.contains(QStringLiteral("Font")) ? bag.read(QStringLiteral("Font"), QFont()).value<QFont>()
                                                 : QFont());
    setFontColor(bag.read(QStringLiteral("FontColor"), QColor(Qt::black)).value<QColor>());
    return setButtonLook(bag.read(QStringLiteral("ButtonLook"), 0).toInt());
}

void Command::RefreshButton()
{
    if (m_Enabled) {
        // A refresh (a new caption: 全部提交(&M) becoming 中止(&T) under the user's fingers) keeps
        // the keyboard focus visible on a button that has it.
        m_State = m_HasFocus ? Focused : Normal;
        DrawFace(m_State);
        m_imgButton->setVisible(m_IconAlign != 0);
        PlaceCaption();
        PlaceIcon();
    } else {
        m_State = Disabled;
        DrawFace(Disabled);
        m_imgButton->hide();
        PlaceCaptionFor(0);
    }
}

void Command::LoadLook(int n)
{
    m_pc = lookPicture(n);
}

void Command::DrawFace(State state)
{
    m_faceState = state;
    m_faceFocusRect = (m_MouseDown && state == Pressed) || (m_HasFocus && (state == Hover || state == Focused));
    renderFace();
    update();
}

// The face in the device pixels of the screen the button is on, so that it stays sharp when the
// desktop is scaled.
void Command::renderFace()
{
    m_face = drawFace(m_pc, m_faceState, size(), devicePixelRatioF());
    if (m_faceFocusRect)
        drawFocus(m_face);
}

void Command::PlaceCaption()
{
    PlaceCaptionFor(m_IconAlign);
}

void Command::PlaceCaptionFor(int iconAlign)
{
    int left = m_lbl->x();
    switch (iconAlign) {
    case 0:
        left = (width() - m_lbl->width()) / 2;
        break;
    case 1:
        left = m_imgButton->width() + 7;
        break;
    case 2:
        left = 5;
        break;
    default:
        break;
    }
    m_lbl->move(left, (height() - m_lbl->height()) / 2);
}

void Command::PlaceIcon()
{
    const int left = m_IconAlign == 1 ? 5 : width() - m_imgButton->width() - 5;
    m_imgButton->move(left, (height() - m_imgButton->height()) / 2);
}

void Command::paintEvent(QPaintEvent*)
{
    // Moved to a screen of another scale: the same face, drawn again for its pixels.
    if (m_face.devicePixelRatio() != devicePixelRatioF())
        renderFace();
    QPainter painter(this);
    if (m_face.devicePixelRatio() == 1.0) {
        painter.drawImage(0, 0, m_face);
        return;
    }
    // On a scaled screen the button's edges may fall in the middle of device pixels (a left edge of
    // 206 at 1.25 is pixel 257.5): the face is drawn for the whole pixels the button covers there, so
    // that its frame stays sharp and whole.
    const QTransform toDevice = painter.deviceTransform();
    const QPointF from = toDevice.map(QPointF(0, 0));
    const QPointF to = toDevice.map(QPointF(width(), height()));
    const QPoint corner(qRound(from.x()), qRound(from.y()));
    const QSize pixels(qRound(to.x()) - corner.x(), qRound(to.y()) - corner.y());
    if (m_face.size() != pixels) {
        m_face = drawFaceInPixels(m_pc, m_faceState, pixels, m_face.devicePixelRatio());
        if (m_faceFocusRect)
            drawFocus(m_face);
    }
    painter.drawImage(toDevice.inverted().map(QPointF(corner)), m_face);
}

void Command::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    RefreshButton();
}

void Command::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        m_Enabled = isEnabled();
        // A disabled button never sees the release of a button or key held on it, so it lets go
        // now; otherwise it would ignore the pointer once enabled again.
        if (!m_Enabled) {
            m_MouseDown = false;
            m_keysDown.clear();
        }
        RefreshButton();
        emit propertyChanged(QStringLiteral("Enabled"));
        break;
    case QEvent::FontChange:
        m_lbl->setFont(font());
        m_lbl->adjustSize();
        PlaceCaption();
        emit propertyChanged(QStringLiteral("Font"));
        break;
    default:
        break;
    }
}

// Pressing: the left mouse button, a key, or the second press of a double click.
void Command::ButtonDown(qint16 button, qint16 shift, float x, float y)
{
    if (!m_Enabled || m_MouseDown)
        return;
    // The caption and icon sink by a pixel while the button is held down.
    m_lbl->move(m_lbl->pos() + QPoint(1, 1));
    m_imgButton->move(m_imgButton->pos() + QPoint(1, 1));
    m_MouseDown = true;
    m_State = Pressed;
    DrawFace(Pressed);
    emit MouseDown(button, shift, x, y);
}

void Command::ButtonUp(qint16 button, qint16 shift, float x, float y)
{
    if (!m_Enabled)
        return;
    PlaceCaption();
    PlaceIcon();
    m_State = Hover;
    DrawFace(Hover);
    m_MouseDown = false;
    emit MouseUp(button, shift, x, y);
}

void Command::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPointF pos = event->position();
        ButtonDown(1, shiftStateOf(event->modifiers()), float(pos.x()), float(pos.y()));
        // The base class tracks the press so that a release over the button clicks it.
        QPushButton::mousePressEvent(event);
    }
    event->accept();
}

void Command::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    ButtonUp(mouseButtonsOf(event->button()), shiftStateOf(event->modifiers()), float(pos.x()),
             float(pos.y()));
    if (event->button() == Qt::LeftButton)
        QPushButton::mouseReleaseEvent(event); // clicked, hence Click, when released over the button
    event->accept();
}

void Command::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click arrives only as this event: it raises DblClick and shows
    // the pressed look, and its release clicks nothing.
    if (event->button() == Qt::LeftButton) {
        emit DblClick();
        ButtonDown(1, 0, 0, 0);
    }
    event->accept();
}

void Command::mouseMoveEvent(QMouseEvent* event)
{
    // Entering: the hovered look and MouseMove once, until the poll sees the pointer leave.
    if (m_Enabled && m_State != Hover && !m_MouseDown) {
        m_State = Hover;
        DrawFace(Hover);
        m_Timer1->start();
        const QPointF pos = event->position();
        emit MouseMove(mouseButtonsOf(event->buttons()), shiftStateOf(event->modifiers()), float(pos.x()),
                       float(pos.y()));
    }
    if (event->buttons().testFlag(Qt::LeftButton))
        QPushButton::mouseMoveEvent(event);
    event->accept();
}

void Command::Timer1_Timer()
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    // A point on the right or bottom limit still counts as inside.
    const bool outside = p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height();
    if (!outside)
        return;
    m_Timer1->stop();
    if (m_Enabled) {
        if (m_HasFocus) {
            m_State = Focused;
            DrawFace(Focused);
        } else {
            LoseFocus();
        }
    }
    emit MouseOut();
}

void Command::keyPressEvent(QKeyEvent* event)
{
    // Escape belongs to the window (a dialog closes on it).
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    // Only Space and Enter press the button, as on every push button of the desktop: an arrow or a
    // letter typed on a focused 清空(&C) must not clear the user's list. Repeats of a press key
    // change nothing while the button is down. Other keys are raised as KeyDown and KeyUp only, and
    // go on to the window.
    const bool press = m_keysDown.value(event->key(), pressesButton(event->key(), event->modifiers()));
    m_keysDown.insert(event->key(), press);
    emit KeyDown(keyCodeOf(event->key(), event->modifiers()), shiftStateOf(event->modifiers()));
    if (!press) {
        event->ignore();
        return;
    }
    ButtonDown(1, 0, 0, 0);
    event->accept();
}

void Command::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats its press, not its release; and the release of a key that went down
    // elsewhere (the Tab that brought the focus here) is not a key stroke on this button.
    if (event->isAutoRepeat() || !m_keysDown.contains(event->key())) {
        event->ignore();
        return;
    }
    const bool press = m_keysDown.take(event->key());
    const qint16 keyCode = keyCodeOf(event->key(), event->modifiers());
    emit KeyUp(keyCode, shiftStateOf(event->modifiers()));
    if (!press) {
        event->ignore();
        return;
    }
    event->accept();
    ButtonUp(0, 0, 0, 0);
    if (!m_MouseDown) {
        emit KeyPress(keyCode);
        click();
    }
}

void Command::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    if (!m_Enabled)
        return;
    m_HasFocus = true;
    m_State = Focused;
    // A button held down keeps its pressed look until it is released.
    if (!m_MouseDown)
        DrawFace(Focused);
}

void Command::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    m_keysDown.clear();
    m_HasFocus = false;
    if (m_Enabled)
        LoseFocus();
}

void Command::LoseFocus()
{
    m_HasFocus = false;
    m_State = Normal;
    DrawFace(Normal);
}

} // namespace tvx::controls
