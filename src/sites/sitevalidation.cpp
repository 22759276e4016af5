#include "sitevalidation.h"

#include "engine/sitequirks.h"
#include "store/sitecolumns.h"

#include <QUrl>

namespace tvx::sites {

namespace sitecolumn = store::sitecolumn;

bool isWebAddress(const QString& text)
{
    if (text.isEmpty())
        return false;
    // Read as the browser reads it (characters that belong percent-encoded, such as | { } ^ in a query,
    // pass), but a blank or a control character means the text is not one address.
    for (const QChar c : text)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

std::optional<Problem> checkDefinition(const SiteDefinition& d, const QStringList& otherNames)
{
    const auto either = [&d](QLatin1StringView a, QLatin1StringView b, QLatin1StringView c = {}) {
        return !d.text(a).isEmpty() || !d.text(b).isEmpty() || (!c.isNull() && !d.text(c).isEmpty());
    };
    const QString name = d.text(sitecolumn::WebName);
    const engine::SiteQuirks quirks = engine::quirksOf(name);
    if (name.trimmed().isEmpty())
        return Problem{sitecolumn::WebName, QStringLiteral("请输入网站名称！")};
    for (const QString& other : otherNames)
        if (other.trimmed() == name.trimmed())
            return Problem{sitecolumn::WebName,
                           QStringLiteral("已有名为“%1”的网站，请换一个名称！").arg(name.trimmed())};

    const QString login = d.text(sitecolumn::LoginUrl);
    if (d.flag(sitecolumn::IsScript)) {
        if (login.trimmed().isEmpty())
            return Problem{sitecolumn::LoginUrl, QStringLiteral("请输入登录脚本！")};
    } else if (!isWebAddress(login)) {
        return Problem{sitecolumn::LoginUrl, QStringLiteral("登录地址不是有效的网址，应以 http:// 或 https:// 开头！")};
    }
    if (!either(sitecolumn::UidFieldId, sitecolumn::UidFieldName))
        return Problem{sitecolumn::UidFieldId, QStringLiteral("请填写用户名框的编号或名称！")};
    if (!either(sitecolumn::PwdFieldId, sitecolumn::PwdFieldName))
        return Problem{sitecolumn::PwdFieldId, QStringLiteral("请填写密码框的编号或名称！")};
    // A site that logs in by submitting a form of a fixed name needs no login button.
    if (!either(sitecolumn::LoginButtonName, sitecolumn::LoginButtonValue) && quirks.loginFormName.isEmpty())
        return Problem{sitecolumn::LoginButtonName, QStringLiteral("请填写登录按钮的名称或按钮文字！")};

    const QString submit = d.text(sitecolumn::SubmitUrl);
    if (!submit.isEmpty() && !isWebAddress(submit))
        return Problem{sitecolumn::SubmitUrl,
                       QStringLiteral("提交地址不是有效的网址，应以 http:// 或 https:// 开头（或者留空）！")};
    // A share page that is only pressed needs nothing of the definition.
    if (!quirks.pressesShareButton) {
        if (!either(sitecolumn::UrlFieldId, sitecolumn::UrlFieldName))
            return Problem{sitecolumn::UrlFieldId, QStringLiteral("请填写网址框的编号或名称！")};
        if (!either(sitecolumn::SubmitButtonId, sitecolumn::SubmitButtonName, sitecolumn::SubmitButtonValue))
            return Problem{sitecolumn::SubmitButtonId, QStringLiteral("请填写提交按钮的编号、名称或按钮文字！")};
    }
    // A site that logs out by the link on its page needs no log-out address.
    if (!quirks.logsOutByLink && !isWebAddress(d.text(sitecolumn::LogoutUrl)))
        return Problem{sitecolumn::LogoutUrl,
                       QStringLiteral("退出地址不是有效的网址，应以 http:// 或 https:// 开头！")};
    return std::nullopt;
}

} // namespace tvx::sites
