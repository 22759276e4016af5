#include "sitevalidation.h"

#include "engine/sitequirks.h"

#include <QUrl>

namespace tvx::sites {

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
    const auto either = [&d](const char* a, const char* b, const char* c = nullptr) {
        return !d.text(QLatin1String(a)).isEmpty() || !d.text(QLatin1String(b)).isEmpty() ||
               (c && !d.text(QLatin1String(c)).isEmpty());
    };
    const QString name = d.text(QStringLiteral("WebName"));
    const engine::SiteQuirks quirks = engine::quirksOf(name);
    if (name.trimmed().isEmpty())
        return Problem{QStringLiteral("WebName"), QStringLiteral("请输入网站名称！")};
    for (const QString& other : otherNames)
        if (other.trimmed() == name.trimmed())
            return Problem{QStringLiteral("WebName"),
                           QStringLiteral("已有名为“%1”的网站，请换一个名称！").arg(name.trimmed())};

    const QString login = d.text(QStringLiteral("LoginUrl"));
    if (d.flag(QStringLiteral("IsScript"))) {
        if (login.trimmed().isEmpty())
            return Problem{QStringLiteral("LoginUrl"), QStringLiteral("请输入登录脚本！")};
    } else if (!isWebAddress(login)) {
        return Problem{QStringLiteral("LoginUrl"),
                       QStringLiteral("登录地址不是有效的网址，应以 http:// 或 https:// 开头！")};
    }
    if (!either("UidFieldId", "UidFieldName"))
        return Problem{QStringLiteral("UidFieldId"), QStringLiteral("请填写用户名框的编号或名称！")};
    if (!either("PwdFieldId", "PwdFieldName"))
        return Problem{QStringLiteral("PwdFieldId"), QStringLiteral("请填写密码框的编号或名称！")};
    // A site that logs in by submitting a form of a fixed name needs no login button.
    if (!either("LoginButtonName", "LoginButtonValue") && quirks.loginFormName.isEmpty())
        return Problem{QStringLiteral("LoginButtonName"), QStringLiteral("请填写登录按钮的名称或按钮文字！")};

    const QString submit = d.text(QStringLiteral("SubmitUrl"));
    if (!submit.isEmpty() && !isWebAddress(submit))
        return Problem{QStringLiteral("SubmitUrl"),
                       QStringLiteral("提交地址不是有效的网址，应以 http:// 或 https:// 开头（或者留空）！")};
    // A share page that is only pressed needs nothing of the definition.
    if (!quirks.pressesShareButton) {
        if (!either("UrlFieldId", "UrlFieldName"))
            return Problem{QStringLiteral("UrlFieldId"), QStringLiteral("请填写网址框的编号或名称！")};
        if (!either("SubmitButtonId", "SubmitButtonName", "SubmitButtonValue"))
            return Problem{QStringLiteral("SubmitButtonId"), QStringLiteral("请填写提交按钮的编号、名称或按钮文字！")};
    }
    // A site that logs out by the link on its page needs no log-out address.
    if (!quirks.logsOutByLink && !isWebAddress(d.text(QStringLiteral("LogoutUrl"))))
        return Problem{QStringLiteral("LogoutUrl"),
                       QStringLiteral("退出地址不是有效的网址，应以 http:// 或 https:// 开头！")};
    return std::nullopt;
}

} // namespace tvx::sites
