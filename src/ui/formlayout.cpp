#include "formlayout.h"

#include "controls/button/command.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace tvx::ui {

namespace {
constexpr int kLabelDesignHeight = 12;
}

void placeLabel(QLabel* label, int x, int designTop)
{
    label->adjustSize();
    // Placed by the ink of its text, not by the font's full height (which holds room for accents
    // that Chinese text does not use): the glyphs fit the designed 12 pixels almost exactly.
    const QFontMetrics metrics = label->fontMetrics();
    const QRect ink = metrics.tightBoundingRect(label->text());
    const int baseline = metrics.ascent() + (label->height() - metrics.height()) / 2;
    int top = designTop + (kLabelDesignHeight - ink.height()) / 2 - (baseline + ink.top());
    const QWidget* box = label->buddy();
    if (box && box->parentWidget() == label->parentWidget() && box->y() >= designTop + kLabelDesignHeight)
        top = std::min(top, box->y() - 1 - (baseline + ink.bottom()));
    label->move(x, std::max(0, top));
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int x, int designTop, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    placeLabel(label, x, designTop);
    return label;
}

controls::Command* addCommand(QWidget* parent, const char* name, const QString& caption, int x, int y, int width,
                              int height)
{
    auto* button = new controls::Command(parent);
    button->setObjectName(QLatin1String(name));
    button->setCaption(caption);
    button->setGeometry(x, y, width, height);
    return button;
}

controls::Command* makeCommand(QWidget* parent, const char* name, const QString& caption, int width, int height)
{
    auto* button = new controls::Command(parent);
    button->setObjectName(QLatin1String(name));
    button->setCaption(caption);
    button->setFixedSize(width, height);
    return button;
}

QLineEdit* addLineEdit(QWidget* parent, const char* name, int x, int y, int width, int height)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(x, y, width, height);
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

void setUpDialog(QWidget* dialog, const char* name, const QString& caption, int width, int height)
{
    dialog->setObjectName(QLatin1String(name));
    dialog->setWindowTitle(caption);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog->setFixedSize(width, height);
}

void setTabChain(std::initializer_list<QWidget*> controls)
{
    const QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous)
            QWidget::setTabOrder(const_cast<QWidget*>(previous), control);
        previous = control;
    }
}

void resizeToFit(QWidget* window, int width, int height)
{
    QSize size(width, height);
    if (const QScreen* screen = window->screen()) {
        // Room for the frame and title bar the window manager adds.
        constexpr QSize kFrame(16, 48);
        size = size.boundedTo(screen->availableGeometry().size() - kFrame);
    }
    window->resize(size.expandedTo(window->minimumSize()));
}

} // namespace tvx::ui
