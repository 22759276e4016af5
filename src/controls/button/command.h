#pragma once

#include "propertybag.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QHash>

class QLabel;
class QTimer;

namespace tvx::controls {

// Command ("Tavrinex.Command"): the program's own push button, used for every button of every
// window. Its face is a cell of one of 26 looks, chosen by the visual state and stretched to the
// button's size; a caption label `lbl` and an icon box `imgButton` sit on the face. Entering the
// button shows the hovered look and starts a 50 ms poll of the pointer, which takes the look back and
// raises MouseOut once the pointer has left.
//
// The windows handle only Click and set only the enabled state and the caption at run time. Being a
// QPushButton underneath, the button keeps Qt's accessibility (its name is the caption without the
// "&", and it has a press action), click(), and Enter for the default button of a dialog
// (setDefault). The caption's access key ("添加(&A)" gives Alt+A) moves the focus to the button and
// clicks it.
class Command final : public QPushButton {
    Q_OBJECT
public:
    enum State : quint8 { Normal = 0, Pressed = 1, Disabled = 2, Hover = 3, Focused = 4 };

    static constexpr int kHoverPollMs = 50;
    static QString defaultCaption() { return QStringLiteral("XpButton"); }

    explicit Command(QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& NewCaption);

    // 0 no icon, 1 icon at the left, 2 icon at the right.
    int iconAlign() const { return m_IconAlign; }
    void setIconAlign(int NewPicAlign);

    // The icon ("Icon"). Setting a picture while the alignment is 0 puts the icon at the left.
    QPixmap iconPicture() const;
    void setIconPicture(const QPixmap& NewIcon);

    QColor fontColor() const { return m_FontColor; }
    void setFontColor(const QColor& NewFontColor);

    // Makes look 0 to 25 current. Any other number has no look: the call returns false and the
    // button keeps the look it had.
    int buttonLook() const { return m_ButtonLook; }
    [[nodiscard]] bool setButtonLook(int NewButtonLook);

    // The pairs kept with a window's layout: "IconAlign", "Icon", "Enabled", "Caption", "Font",
    // "FontColor", "ButtonLook", in this order, each only when it differs from its default.
    // readProperties returns false when a stored value is refused (a look outside 0 to 25); the other
    // values are read all the same.
    void writeProperties(PropertyBag& bag) const;
    [[nodiscard]] bool readProperties(const PropertyBag& bag);

    State state() const { return m_State; }
    // What the button shows beneath its caption and icon.
    const QImage& face() const { return m_face; }

signals:
    void Click();
    void DblClick();
    void KeyDown(qint16 keyCode, qint16 shift);
    void KeyPress(qint16 keyAscii);
    void KeyUp(qint16 keyCode, qint16 shift);
    void MouseOut();
    void MouseDown(qint16 button, qint16 shift, float x, float y);
    void MouseMove(qint16 button, qint16 shift, float x, float y);
    void MouseUp(qint16 button, qint16 shift, float x, float y);
    // A setter changed a property; `name` is its stored name ("Caption", "Enabled", ...).
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void RefreshButton();
    void LoadLook(int n);
    void DrawFace(State state);
    void renderFace();
    void PlaceCaption();
    void PlaceCaptionFor(int iconAlign);
    void PlaceIcon();
    void ButtonDown(qint16 button, qint16 shift, float x, float y);
    void ButtonUp(qint16 button, qint16 shift, float x, float y);
    void LoseFocus();
    void Timer1_Timer();
    QFont holderFont() const;

    QLabel* m_lbl = nullptr;
    QLabel* m_imgButton = nullptr;
    QTimer* m_Timer1 = nullptr;
    QImage m_pc;   // the current look
    QImage m_face; // kept until the next paint of a state
    State m_faceState = Normal;
    bool m_faceFocusRect = false;

    bool m_Enabled = true;
    State m_State = Normal;
    qint32 m_IconAlign = 0;
    qint32 m_ButtonLook = 0;
    QColor m_FontColor = Qt::black;
    bool m_MouseDown = false;
    bool m_HasFocus = false;
    QHash<int, bool> m_keysDown; // keys that went down on this button and are not up yet: do they press it?
};

} // namespace tvx::controls
