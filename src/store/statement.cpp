#include "statement.h"

namespace tvx::store {

namespace {
QString literal(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default: {
        QString text = value.toString();
        text.replace(QLatin1Char('\''), QStringLiteral("''"));
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    }
    }
}
} // namespace

QString Statement::spliced() const
{
    QString out;
    out.reserve(sql.size() + 16 * params.size());
    qsizetype next = 0;
    for (QChar c : sql) {
        if (c == QLatin1Char('?') && next < params.size())
            out += literal(params.at(next++));
        else
            out += c;
    }
    return out;
}

} // namespace tvx::store
