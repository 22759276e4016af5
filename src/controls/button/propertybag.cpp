#include "propertybag.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QPixmap>

namespace tvx::controls {

namespace {
constexpr quint32 kMagic = 0x54564250; // "TVBP"

bool sameValue(const QVariant& a, const QVariant& b)
{
    // Pictures have no equality of their own: two are the same when both are empty or their
    // images match.
    if (a.metaType().id() == QMetaType::QPixmap || b.metaType().id() == QMetaType::QPixmap) {
        const QPixmap pa = a.value<QPixmap>();
        const QPixmap pb = b.value<QPixmap>();
        if (pa.isNull() || pb.isNull())
            return pa.isNull() == pb.isNull();
        return pa.toImage() == pb.toImage();
    }
    return a == b;
}
} // namespace

void PropertyBag::write(const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    for (auto it = m_pairs.begin(); it != m_pairs.end(); ++it) {
        if (it->first == name) {
            m_pairs.erase(it);
            break;
        }
    }
    if (!sameValue(value, defaultValue))
        m_pairs.append({name, value});
}

QVariant PropertyBag::read(const QString& name, const QVariant& defaultValue) const
{
    for (const auto& [n, v] : m_pairs) {
        if (n == name)
            return v;
    }
    return defaultValue;
}

bool PropertyBag::contains(const QString& name) const
{
    for (const auto& pair : m_pairs) {
        if (pair.first == name)
            return true;
    }
    return false;
}

QStringList PropertyBag::names() const
{
    QStringList names;
    for (const auto& pair : m_pairs)
        names.append(pair.first);
    return names;
}

QByteArray PropertyBag::toBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kMagic << qint32(m_pairs.size());
    for (const auto& [name, value] : m_pairs)
        out << name << value;
    return bytes;
}

PropertyBag PropertyBag::fromBytes(const QByteArray& bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    qint32 count = 0;
    in >> magic >> count;
    PropertyBag bag;
    if (magic != kMagic || count < 0)
        return bag;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString name;
        QVariant value;
        in >> name >> value;
        if (in.status() == QDataStream::Ok)
            bag.m_pairs.append({name, value});
    }
    if (in.status() != QDataStream::Ok)
        return {};
    return bag;
}

} // namespace tvx::controls
