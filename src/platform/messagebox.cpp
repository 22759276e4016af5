#include "messagebox.h"

#include <QMessageBox>

namespace tvx::ui {

namespace {
MessageBox::Answerer& answerer()
{
    static MessageBox::Answerer instance;
    return instance;
}
} // namespace

void MessageBox::setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

void MessageBox::information(QWidget* parent, const QString& text)
{
    show(parent, Icon::Information, QStringLiteral("提示"), text);
}

void MessageBox::error(QWidget* parent, const QString& text)
{
    show(parent, Icon::Warning, QStringLiteral("错误"), text);
}

bool MessageBox::question(QWidget* parent, const QString& text)
{
    return show(parent, Icon::Question, QStringLiteral("提示"), text);
}

bool MessageBox::show(QWidget* parent, Icon icon, const QString& title, const QString& text)
{
    if (answerer())
        return answerer()(Shown{icon, title, text});
    QMessageBox box(parent);
    box.setWindowTitle(title);
    // A failure's description may quote a file name, an address or a page's text.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    return box.exec() == QMessageBox::Yes;
}

} // namespace tvx::ui
