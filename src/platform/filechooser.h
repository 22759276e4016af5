#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace tvx::ui {

// Every file dialog of the program goes through here: Qt's own dialog with Chinese captions, whatever
// the desktop. Tests install an answerer, and then nothing is shown.
class FileChooser final {
public:
    enum class Mode { Open, Save };
    struct Request {
        Mode mode;
        QString caption;
        QStringList filters;   // "网页书签文件 (*.html *.htm)", ...
        QString suggestedName; // for saving
    };
    struct Choice {
        QString path;   // empty when the user cancelled
        QString filter; // the filter chosen, one of the request's
    };
    using Answerer = std::function<Choice(const Request&)>;

    static Choice open(QWidget* parent, const QString& caption, const QStringList& filters);
    static Choice save(QWidget* parent, const QString& caption, const QStringList& filters,
                       const QString& suggestedName);

    static void setAnswerer(Answerer answerer);

private:
    static Choice ask(QWidget* parent, const Request& request);
};

} // namespace tvx::ui
