#include "sitecheck.h"

#include "siteform.h"
#include "store/sitecolumns.h"

#include <algorithm>

namespace tvx::sites {

namespace sitecolumn = store::sitecolumn;

namespace {
using engine::ElementLookup;
using engine::PageOp;
using engine::PageStep;
using engine::StepResult;

const QString kLoginPage = QStringLiteral("登录页");
const QString kAfterLogin = QStringLiteral("登录后");
const QString kSubmitPage = QStringLiteral("提交页");
const QString kLogoutPage = QStringLiteral("退出页");
const QString kPage = QStringLiteral("页面");

QString quoted(const QString& text)
{
    return QStringLiteral("“") + text + QStringLiteral("”");
}

QString describeLookup(const PageOp& op)
{
    switch (op.kind) {
    case PageOp::ClickFirstInputByTrimmedValue:
        return QStringLiteral("按钮文字") + quoted(op.value);
    case PageOp::ClickInputsByValueIgnoringCase:
        return QStringLiteral("按钮文字") + quoted(op.value) + QStringLiteral("（不分大小写）");
    default:
        return (op.target.by == ElementLookup::Id ? QStringLiteral("编号(id)") : QStringLiteral("名称(name)")) +
               quoted(op.target.key);
    }
}

const FormRow& row(const QString& column)
{
    return *rowOf(column);
}
} // namespace

SiteCheck::SiteCheck(engine::Browser& browser, const engine::Clock& clock, engine::Ticker& ticker)
    : m_browser(browser)
    , m_clock(clock)
    , m_ticker(ticker)
{
    m_ticker.setEnabled(false);
    m_ticker.setHandler([this] { tick(); });
}

SiteCheck::~SiteCheck()
{
    m_ticker.setHandler({});
    m_ticker.setEnabled(false);
}

void SiteCheck::start(const engine::SiteRecord& site, int timeoutSeconds)
{
    cancel();
    ++m_serial;
    m_site = site;
    m_quirks = engine::quirksOf(site.WebName);
    m_timeout = std::max(1, timeoutSeconds);
    m_faults = 0;
    m_loggedIn = false;
    m_pagePending = false;
    m_browser.setSilent(true);
    if (m_site.IsScript) {
        // The login script runs in a loaded document, as at the start of a run.
        m_browser.navigate(QString());
        expect(Stage::BlankForScript);
    } else {
        m_browser.navigate(m_site.LoginUrl);
        expect(Stage::LoginPage);
    }
}

void SiteCheck::cancel()
{
    m_stage = Stage::Idle;
    m_ticker.setEnabled(false);
    m_inFlight = false;
    m_pagePending = false;
}

void SiteCheck::expect(Stage stage)
{
    m_stage = stage;
    m_stepStart = m_clock.nowSeconds();
    m_ticker.setEnabled(true);
}

void SiteCheck::pageComplete(bool topLevel)
{
    if (!topLevel || m_stage == Stage::Idle)
        return;
    if (m_inFlight) {
        // The page step under way finishes first; the page is taken afterwards.
        m_pagePending = true;
        return;
    }
    onPage();
}

void SiteCheck::pressAnswered(const engine::PageAnswer& answer)
{
    if (m_stage != Stage::AfterLogin || m_inFlight)
        return;
    if (answer.failed()) {
        m_ticker.setEnabled(false);
        add(kAfterLogin, kPage, QString(), answer.describe(), false);
        finish();
        return;
    }
    onPage();
}

void SiteCheck::onPage()
{
    m_ticker.setEnabled(false);
    switch (m_stage) {
    case Stage::Idle:
        break;
    case Stage::BlankForScript:
        m_browser.runScript(m_site.LoginUrl);
        expect(Stage::LoginPage);
        break;
    case Stage::LoginPage:
        add(kLoginPage, kPage, m_site.IsScript ? QStringLiteral("登录脚本") : m_site.LoginUrl, QStringLiteral("已打开"),
            true);
        checkLoginPage();
        break;
    case Stage::AfterLogin:
        add(kAfterLogin, kPage, QString(), QStringLiteral("已打开"), true);
        afterLogin();
        break;
    case Stage::SubmitPage:
        add(kSubmitPage, kPage, m_site.SubmitUrl, QStringLiteral("已打开"), true);
        checkSubmitPage();
        break;
    case Stage::Logout:
        add(kLogoutPage, kPage, m_site.LogoutUrl, QStringLiteral("已打开，已退出登录"), true);
        finish();
        break;
    }
}

void SiteCheck::send(const PageStep& step, std::function<void(const StepResult&)> then)
{
    m_inFlight = true;
    m_browser.runStep(step, [this, serial = m_serial, then = std::move(then)](const StepResult& result) {
        if (serial != m_serial || m_stage == Stage::Idle)
            return;
        m_inFlight = false;
        then(result);
        if (m_pagePending && !m_inFlight && m_stage != Stage::Idle) {
            m_pagePending = false;
            onPage();
        }
    });
}

void SiteCheck::reportLookup(const QString& page, const QString& item, const PageOp& op, const StepResult& result,
                             int index)
{
    if (!result.delivered) {
        add(page, item, describeLookup(op), QStringLiteral("页面没有回应，无法检查"), false);
        return;
    }
    const int count = result.outcome(index);
    const QString element = result.found.value(index);
    if (count == 0) {
        add(page, item, describeLookup(op), QStringLiteral("没有找到"), false);
        return;
    }
    QString how;
    switch (op.kind) {
    case PageOp::ClickFirstInputByTrimmedValue:
        how = QStringLiteral("按按钮文字找到");
        break;
    case PageOp::ClickInputsByValueIgnoringCase:
        how = count == 1 ? QStringLiteral("按按钮文字找到")
                         : QStringLiteral("按按钮文字找到 %1 个，提交时都会被按下").arg(count);
        break;
    default:
        how = op.target.by == ElementLookup::Id ? QStringLiteral("按编号找到") : QStringLiteral("按名称找到");
        break;
    }
    add(page, item, describeLookup(op), how + QStringLiteral("：") + element, true);
}

void SiteCheck::checkLoginPage()
{
    PageStep probe;
    probe.probe = true;
    probe.awaitElements = true; // as a run: a form drawn by the page's script after the load
    engine::forms::FillLoginFields(probe.ops, m_site);
    const engine::forms::Press press = engine::forms::PressLoginButton(probe.ops, m_site, m_quirks);
    if (m_site.IsScript)
        probe.presence = engine::forms::lookup(m_site.UidFieldId, m_site.UidFieldName);
    send(probe, [this, probe, press](const StepResult& result) {
        if (result.delivered && !result.present) {
            add(kLoginPage, row(sitecolumn::UidFieldId).label, describeLookup(probe.ops.at(0)),
                QStringLiteral("页面上没有用户名框：按登录脚本网站的规则视为已经登录，此页即作为提交页"), true);
            checkSubmitPage();
            return;
        }
        reportLookup(kLoginPage, row(sitecolumn::UidFieldId).label, probe.ops.at(0), result, 0);
        reportLookup(kLoginPage, row(sitecolumn::PwdFieldId).label, probe.ops.at(1), result, 1);
        reportLookup(kLoginPage, row(sitecolumn::LoginButtonName).label, probe.ops.at(press.op), result, press.op);
        logIn();
    });
}

void SiteCheck::logIn()
{
    PageStep step;
    engine::forms::FillLoginFields(step.ops, m_site);
    const engine::forms::Press press = engine::forms::PressLoginButton(step.ops, m_site, m_quirks);
    send(step, [this, press](const StepResult& result) {
        if (press.count(result) == 0) {
            add(kAfterLogin, kPage, QString(), QStringLiteral("没有按下登录按钮，无法登录"), false);
            finish();
            return;
        }
        m_loggedIn = true;
        expect(Stage::AfterLogin);
    });
}

void SiteCheck::afterLogin()
{
    if (m_quirks.sharePage != engine::SharePage::None) {
        add(kSubmitPage, kPage, QString(), QStringLiteral("此网站的提交页由程序按网址生成，试运行不检查"), true);
        logOut();
        return;
    }
    // As in a run: without a submit address the next page that completes is the submit page.
    if (m_quirks.opensEmptySubmitUrl || !m_site.SubmitUrl.isEmpty())
        m_browser.navigate(m_site.SubmitUrl);
    expect(Stage::SubmitPage);
}

void SiteCheck::checkSubmitPage()
{
    PageStep probe;
    probe.probe = true;
    probe.awaitElements = true; // as a run: a form drawn by the page's script after the load
    // The values are never written: the probe only looks.
    engine::forms::FillSubmitFields(probe.ops, m_site, m_quirks,
                                    {QStringLiteral("https://example.org/"), QStringLiteral("试运行"),
                                     QStringLiteral("a b"), QStringLiteral("试运行")});
    const engine::forms::Press press = engine::forms::PressSubmitButton(probe.ops, m_site);
    send(probe, [this, probe, press](const StepResult& result) {
        struct Field {
            QLatin1StringView column;
            QString id;
            QString name;
        };
        const Field fields[] = {{sitecolumn::TitleFieldId, m_site.TitleFieldId, m_site.TitleFieldName},
                                {sitecolumn::UrlFieldId, m_site.UrlFieldId, m_site.UrlFieldName},
                                {sitecolumn::TagsFieldId, m_site.TagsFieldId, m_site.TagsFieldName},
                                {sitecolumn::SummaryFieldId, m_site.SummaryFieldId, m_site.SummaryFieldName},
                                {sitecolumn::OtherFieldID1, m_site.OtherFieldID1, m_site.OtherFieldName1},
                                {sitecolumn::OtherFieldID2, m_site.OtherFieldID2, m_site.OtherFieldName2}};
        for (const Field& field : fields) {
            const QString column = field.column;
            const QString label = row(column).label;
            if (field.id.isEmpty() && field.name.isEmpty()) {
                // Without a field for it, the bookmark's address reaches the site nowhere.
                const bool needed = column == sitecolumn::UrlFieldId;
                add(kSubmitPage, label, QString(),
                    needed ? QStringLiteral("未设置：网址无处填写") : QStringLiteral("未设置，不填写"), !needed);
                continue;
            }
            const ElementLookup target = engine::forms::lookup(field.id, field.name);
            const qsizetype at = std::find_if(probe.ops.cbegin(), probe.ops.cend(),
                                              [&target](const PageOp& op) {
                                                  return op.target == target &&
                                                         (op.kind == PageOp::SetValue || op.kind == PageOp::SetChecked);
                                              }) -
                                 probe.ops.cbegin();
            if (at >= probe.ops.size()) {
                add(kSubmitPage, label, QString(),
                    QStringLiteral("不填写：随程序提供的网站中只有 365天天网摘、Poco网摘、博拉网 填写摘要；您自己添加的网站总是填写"), true);
                continue;
            }
            reportLookup(kSubmitPage, label, probe.ops.at(at), result, int(at));
        }
        reportLookup(kSubmitPage, row(sitecolumn::SubmitButtonId).label, probe.ops.at(press.op), result, press.op);
        logOut();
    });
}

void SiteCheck::logOut()
{
    if (m_quirks.logsOutByLink) {
        add(kLogoutPage, kPage, QString(), QStringLiteral("此网站通过页面上的“退出”链接退出，试运行不检查"), true);
        finish();
        return;
    }
    m_browser.navigate(m_site.LogoutUrl);
    expect(Stage::Logout);
}

void SiteCheck::tick()
{
    if (m_stage == Stage::Idle || m_inFlight || engine::secondsBetween(m_stepStart, m_clock.nowSeconds()) <= m_timeout)
        return;
    m_ticker.setEnabled(false);
    const QString late = QStringLiteral("没有在 %1 秒内打开").arg(m_timeout);
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::BlankForScript:
    case Stage::LoginPage:
        add(kLoginPage, kPage, m_site.IsScript ? QStringLiteral("登录脚本") : m_site.LoginUrl, late, false);
        finish();
        return;
    case Stage::AfterLogin:
        add(kAfterLogin, kPage, QString(), late, false);
        logOut();
        return;
    case Stage::SubmitPage:
        add(kSubmitPage, kPage, m_site.SubmitUrl, late, false);
        logOut();
        return;
    case Stage::Logout:
        add(kLogoutPage, kPage, m_site.LogoutUrl, late, false);
        finish();
        return;
    }
}

void SiteCheck::add(const QString& page, const QString& item, const QString& lookup, const QString& result, bool ok)
{
    if (!ok)
        ++m_faults;
    if (rowAdded)
        rowAdded({page, item, lookup, result, ok});
}

void SiteCheck::finish()
{
    cancel();
    if (finished)
        finished(m_faults);
}

} // namespace tvx::sites
