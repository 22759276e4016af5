#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace tvx::controls {

// The name-value pairs a window keeps for one of its controls, in the order they were written. A
// value equal to its default is not written; a missing name reads back as the default the reader
// gives.
class PropertyBag final {
public:
    void write(const QString& name, const QVariant& value, const QVariant& defaultValue);
    QVariant read(const QString& name, const QVariant& defaultValue) const;
    bool contains(const QString& name) const;
    QStringList names() const;

    // The stored form, and back; fromBytes gives an empty bag for data it cannot read.
    QByteArray toBytes() const;
    static PropertyBag fromBytes(const QByteArray& bytes);

private:
    QList<std::pair<QString, QVariant>> m_pairs;
};

} // namespace tvx::controls
