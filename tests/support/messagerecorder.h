#pragma once

#include "platform/messagebox.h"

#include <QList>

namespace tvx::test {

// Answers every message box of the program without showing it, and keeps what was shown.
// Questions get the answers queued with answerNext(), then `defaultAnswer`.
class MessageRecorder {
public:
    explicit MessageRecorder(bool defaultAnswer = true);
    ~MessageRecorder();

    void answerNext(bool yes) { m_answers.append(yes); }
    const QList<ui::MessageBox::Shown>& shown() const { return m_shown; }
    int count() const { return int(m_shown.size()); }
    const ui::MessageBox::Shown& last() const { return m_shown.last(); }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<ui::MessageBox::Shown> m_shown;
    QList<bool> m_answers;
    bool m_default;
};

} // namespace tvx::test
