#pragma once

#include <QString>

#include <exception>

namespace tvx::store {

// A failure of the store, with a description the user can act on (shown in the "错误" box).
class StoreError final : public std::exception {
public:
    explicit StoreError(QString description)
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

} // namespace tvx::store
