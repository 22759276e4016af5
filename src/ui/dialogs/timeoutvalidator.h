#pragma once

#include <QValidator>

namespace tvx::ui::dialogs {

// Holds the time-out box to the characters its keystroke filter lets through, whatever way text gets
// in (context-menu paste, drag and drop, middle-button paste, input methods). It never refuses an edit;
// it leaves out what the box does not take.
class TimeoutValidator final : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace tvx::ui::dialogs
