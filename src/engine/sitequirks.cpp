#include "sitequirks.h"

namespace tvx::engine {

namespace {
struct Row {
    QString webName;
    SiteQuirks quirks;
};
} // namespace

SiteQuirks quirksOf(const QString& webName)
{
    // In the order of the WebName table in data/README.md.
    static const Row kTable[] = {
        {QStringLiteral("Face Book"),
         {.logsOutByLink = true, .sharePage = SharePage::FaceBook, .pressesShareButton = true}},
        {QStringLiteral("饭否"), {.logsOutByLink = true, .sharePage = SharePage::Fanfou}},
        {QStringLiteral("口袋"), {.logsOutByLink = true, .opensEmptySubmitUrl = true}},
        {QStringLiteral("百度书签"), {.delayedLoginFill = true, .submittedOnPress = true}},
        {QStringLiteral("天极网摘"), {.loginFormName = QStringLiteral("login_form")}},
        {QStringLiteral("Poco网摘"), {.loginButtonIsForm = true, .fillsSummary = true}},
        {QStringLiteral("365天天网摘"), {.fillsSummary = true}},
        {QStringLiteral("博拉网"), {.fillsSummary = true}},
        {QStringLiteral("Windows Live"), {.delayedSubmitFill = true}},
        {QStringLiteral("delicious"), {.rerunsLoginAfterClose = true}},
    };
    for (const Row& row : kTable)
        if (row.webName == webName)
            return row.quirks;
    return {};
}

} // namespace tvx::engine
