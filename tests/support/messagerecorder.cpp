#include "messagerecorder.h"

#include <QStringList>

namespace tvx::test {

MessageRecorder::MessageRecorder(bool defaultAnswer)
    : m_default(defaultAnswer)
{
    ui::MessageBox::setAnswerer([this](const ui::MessageBox::Shown& shown) {
        m_shown.append(shown);
        return m_answers.isEmpty() ? m_default : m_answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder()
{
    ui::MessageBox::setAnswerer({});
}

QStringList MessageRecorder::texts() const
{
    QStringList out;
    for (const auto& s : m_shown)
        out.append(s.text);
    return out;
}

} // namespace tvx::test
