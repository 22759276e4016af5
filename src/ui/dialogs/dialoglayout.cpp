#include "dialoglayout.h"

#include "controls/button/command.h"

#include <QLabel>

#include <algorithm>

namespace tvx::ui::dialogs {

namespace {
constexpr int kLabelDesignHeight = 12;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, int x, int designTop)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->adjustSize();
    const int top = designTop + (kLabelDesignHeight - label->height()) / 2;
    label->move(x, std::max(0, top));
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

void setUpDialog(QWidget* dialog, const char* name, const QString& caption, int width, int height)
{
    dialog->setObjectName(QLatin1String(name));
    dialog->setWindowTitle(caption);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog->setFixedSize(width, height);
}

} // namespace tvx::ui::dialogs
