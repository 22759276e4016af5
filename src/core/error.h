#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace tvx {

// A failure the user is told of, with a description they can act on (shown in the "错误" box). The
// store and the bookmark files each throw a subclass of their own, so that a caller catches only the
// failures it expects.
class Error : public std::exception {
public:
    explicit Error(QString description)
        : m_description(std::move(description))
        , m_utf8(m_description.toUtf8())
    {
    }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

} // namespace tvx
