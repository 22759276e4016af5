#include "sitetemplates.h"

#include "sitevalidation.h"
#include "store/sitecolumns.h"

#include <QUrl>

namespace tvx::sites {

namespace sitecolumn = store::sitecolumn;

const QList<SiteTemplate>& siteTemplates()
{
    static const QList<SiteTemplate> templates{
        {QStringLiteral("empty"), QStringLiteral("空白网站"), QStringLiteral("所有字段都空着，由您逐项填写。"), false},
        {QStringLiteral("shaarli"), QStringLiteral("Shaarli"),
         QStringLiteral("自己架设的网摘服务 Shaarli（Debian 软件包 shaarli）：只需填写它的网址。"), true},
    };
    return templates;
}

std::optional<QString> instanceAddress(const QString& typed)
{
    QString text = typed.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("http://"));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    QString address = url.toString(QUrl::FullyEncoded);
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    if (!isWebAddress(address))
        return std::nullopt;
    return address;
}

SiteDefinition fromTemplate(const QString& key, const QString& address)
{
    SiteDefinition d;
    for (const QString& column : definitionColumns())
        d.set(column, {});
    d.setFlag(sitecolumn::AllowLogin, true);
    if (key != QLatin1String("shaarli"))
        return d;
    // Shaarli's pages (0.12): its login page holds two login forms, the one in the page header first,
    // both with fields named login and password and a button "Login" (the header's is never translated);
    // the first of each is the header's, so the fields and the button found belong to one form. Its
    // form for a new bookmark is at /admin/shaare, its fields and button with ids.
    const QUrl url(address);
    const QString host = url.port() > 0 ? url.host() + QLatin1Char(':') + QString::number(url.port()) : url.host();
    d.set(sitecolumn::WebName, QStringLiteral("Shaarli（%1）").arg(host));
    d.set(sitecolumn::LoginUrl, address + QStringLiteral("/login"));
    d.set(sitecolumn::UidFieldName, QStringLiteral("login"));
    d.set(sitecolumn::PwdFieldName, QStringLiteral("password"));
    d.set(sitecolumn::LoginButtonValue, QStringLiteral("Login"));
    d.set(sitecolumn::SubmitUrl, address + QStringLiteral("/admin/shaare"));
    d.set(sitecolumn::TitleFieldId, QStringLiteral("lf_title"));
    d.set(sitecolumn::UrlFieldId, QStringLiteral("lf_url"));
    d.set(sitecolumn::TagsFieldId, QStringLiteral("lf_tags"));
    d.set(sitecolumn::TagsSplit, QStringLiteral(" "));
    d.set(sitecolumn::SummaryFieldId, QStringLiteral("lf_description"));
    d.set(sitecolumn::SubmitButtonId, QStringLiteral("button-save-edit"));
    d.set(sitecolumn::LogoutUrl, address + QStringLiteral("/admin/logout"));
    return d;
}

} // namespace tvx::sites
