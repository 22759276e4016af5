#include "timeoutvalidator.h"

#include "timeoutinput.h"

namespace tvx::ui::dialogs {

QValidator::State TimeoutValidator::validate(QString& input, int& pos) const
{
    const QString filtered = filterTimeoutText(input);
    if (filtered.size() != input.size()) {
        // The cursor stays behind the same accepted character it followed.
        pos = int(filterTimeoutText(QStringView(input).left(pos)).size());
        input = filtered;
    }
    return Acceptable;
}

} // namespace tvx::ui::dialogs
