#include "importeditem.h"

#include <QRegularExpression>

namespace tvx::bookmarks {

QString categoryWord(const QString& name)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return name.trimmed().replace(blanks, QStringLiteral("_"));
}

QString categoriesFromList(const QString& list)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,，、;；]+"));
    QStringList words = list.split(separators, Qt::SkipEmptyParts);
    words.removeDuplicates();
    return words.join(QLatin1Char(' '));
}

QString mergeCategories(const QString& tags, const QStringList& more)
{
    QStringList words = tags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& name : more) {
        const QString word = categoryWord(name);
        if (!word.isEmpty() && !words.contains(word))
            words.append(word);
    }
    return words.join(QLatin1Char(' '));
}

} // namespace tvx::bookmarks
