#include "importsort.h"

#include <QUrl>

namespace tvx::bookmarks {

QString refusalReason(const QString& url)
{
    if (url.trimmed().isEmpty())
        return QStringLiteral("没有网址");
    // Tolerant as a browser is: characters that belong percent-encoded (blanks, quotes, <, >) pass.
    const QUrl parsed(url.trimmed(), QUrl::TolerantMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid())
        return QStringLiteral("网址格式不正确");
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return QStringLiteral("不是 http 或 https 网址");
    if (parsed.host().isEmpty())
        return QStringLiteral("网址中没有主机名");
    return {};
}

QString addressKey(const QString& url)
{
    QUrl parsed(url.trimmed());
    if (!parsed.isValid())
        return url.trimmed();
    if (parsed.path().isEmpty())
        parsed.setPath(QStringLiteral("/"));
    const QString scheme = parsed.scheme().toLower();
    if ((scheme == QLatin1String("http") && parsed.port() == 80) ||
        (scheme == QLatin1String("https") && parsed.port() == 443))
        parsed.setPort(-1);
    return parsed.adjusted(QUrl::NormalizePathSegments).toString(QUrl::FullyEncoded);
}

ImportOutcome sortImported(const QList<ImportedItem>& items, const QSet<QString>& known, bool foldersAsCategories)
{
    ImportOutcome out;
    QSet<QString> seen = known;
    for (const ImportedItem& item : items) {
        const QString reason = refusalReason(item.bookmark.url);
        if (!reason.isEmpty()) {
            out.refused.append({item.line, item.bookmark.url, reason});
            continue;
        }
        const QString key = addressKey(item.bookmark.url);
        if (seen.contains(key)) {
            ++out.skipped;
            continue;
        }
        seen.insert(key);
        Bookmark b = item.bookmark;
        b.url = b.url.trimmed();
        if (foldersAsCategories)
            b.tags = mergeCategories(b.tags, item.folders);
        out.added.append(std::move(b));
    }
    return out;
}

} // namespace tvx::bookmarks
