#include "sitedefinition.h"

#include "store/recordset.h"
#include "store/sitecolumns.h"

namespace tvx::sites {

const QStringList& definitionColumns()
{
    static const QStringList columns = [] {
        QStringList names;
        for (const store::SiteColumn& column : store::siteColumns())
            if (column.name != store::sitecolumn::ID)
                names.append(column.name);
        return names;
    }();
    return columns;
}

bool isFlagColumn(const QString& column)
{
    const store::SiteColumn* c = store::siteColumn(column);
    return c && c->kind == store::ColumnKind::Flag;
}

engine::SiteRecord SiteDefinition::record(const QString& uid, const QString& pwd) const
{
    QStringList columns = definitionColumns();
    QVariantList row;
    for (const QString& c : columns) {
        if (isFlagColumn(c))
            row.append(flag(c) ? QVariant(qint64(1)) : QVariant(qint64(0)));
        else
            row.append(text(c).isEmpty() ? QVariant() : QVariant(text(c)));
    }
    columns << QStringLiteral("Uid") << QStringLiteral("Pwd");
    row << uid << pwd;
    const store::Recordset rs(columns, {row});
    return engine::SiteRecord::fromCurrent(rs);
}

} // namespace tvx::sites
