#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tvx::ui {

// Every message box of the program goes through here: information and questions titled "提示",
// failures titled "错误". Tests install an answerer, and then nothing is shown.
class MessageBox final {
public:
    enum class Icon { Information, Warning, Question };
    struct Shown {
        Icon icon;
        QString title;
        QString text;
    };
    // Returns the answer to a question (Yes = true); ignored for the other boxes.
    using Answerer = std::function<bool(const Shown&)>;

    static void information(QWidget* parent, const QString& text);
    static void error(QWidget* parent, const QString& text);
    static bool question(QWidget* parent, const QString& text);

    static void setAnswerer(Answerer answerer);

private:
    static bool show(QWidget* parent, Icon icon, const QString& title, const QString& text);
};

} // namespace tvx::ui
