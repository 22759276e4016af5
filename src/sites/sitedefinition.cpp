#include "sitedefinition.h"

#include "store/recordset.h"

namespace tvx::sites {

const QStringList& definitionColumns()
{
    static const QStringList columns{
        QStringLiteral("WebName"),        QStringLiteral("AllowLogin"),       QStringLiteral("LoginUrl"),
        QStringLiteral("IsScript"),       QStringLiteral("LoginButtonName"),  QStringLiteral("LoginButtonValue"),
        QStringLiteral("LogoutUrl"),      QStringLiteral("UidFieldId"),       QStringLiteral("UidFieldName"),
        QStringLiteral("PwdFieldId"),     QStringLiteral("PwdFieldName"),     QStringLiteral("SubmitUrl"),
        QStringLiteral("TitleFieldId"),   QStringLiteral("TitleFieldName"),   QStringLiteral("UrlFieldId"),
        QStringLiteral("UrlFieldName"),   QStringLiteral("TagsFieldId"),      QStringLiteral("TagsFieldName"),
        QStringLiteral("TagsSplit"),      QStringLiteral("SummaryFieldId"),   QStringLiteral("SummaryFieldName"),
        QStringLiteral("SubmitButtonId"), QStringLiteral("SubmitButtonName"), QStringLiteral("SubmitButtonValue"),
        QStringLiteral("OtherFieldID1"),  QStringLiteral("OtherFieldName1"),  QStringLiteral("OtherFieldValue1"),
        QStringLiteral("OtherFieldID2"),  QStringLiteral("OtherFieldName2"),  QStringLiteral("OtherFieldValue2")};
    return columns;
}

bool isFlagColumn(const QString& column)
{
    return column == QLatin1String("IsScript") || column == QLatin1String("AllowLogin");
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
