#pragma once

#include <QString>

// The display names of the sites that are driven in their own way; compared exactly.
namespace tvx::engine::sites {

inline const QString FaceBook = QStringLiteral("Face Book");
inline const QString Fanfou = QStringLiteral("饭否");
inline const QString Koudai = QStringLiteral("口袋");
inline const QString BaiduBookmarks = QStringLiteral("百度书签");
inline const QString Tianji = QStringLiteral("天极网摘");
inline const QString Poco = QStringLiteral("Poco网摘");
inline const QString TianTian365 = QStringLiteral("365天天网摘");
inline const QString Bola = QStringLiteral("博拉网");
inline const QString WindowsLive = QStringLiteral("Windows Live");
inline const QString Delicious = QStringLiteral("delicious");

// The sites that log out through the link found on their page after login.
inline bool logsOutByLink(const QString& webName)
{
    return webName == FaceBook || webName == Fanfou || webName == Koudai;
}

} // namespace tvx::engine::sites
