#pragma once

#include <QPushButton>

namespace tvx::controls {

// The program's push button. The windows use only its Click event and its Enabled and Caption
// properties.
class Command : public QPushButton {
    Q_OBJECT
public:
    explicit Command(QWidget* parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

signals:
    void Click();
};

} // namespace tvx::controls
