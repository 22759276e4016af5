#pragma once

#include "engine/browser.h"
#include "engine/clock.h"
#include "engine/formfill.h"
#include "engine/sitequirks.h"
#include "engine/siterecord.h"
#include "engine/ticker.h"

#include <QList>
#include <QString>

#include <functional>

namespace tvx::sites {

// One line of a site check's results.
struct CheckRow {
    QString page;   // "登录页", "提交页", "退出页"
    QString item;   // what was looked for: "页面", "用户名框", "提交按钮"...
    QString lookup; // how the definition names it: "编号(id)“f_uid”"
    QString result; // how it was found, or that it was not
    bool ok = true;
};

// 试运行: drives a browser through a site as a run would, with one account, and reports for every field
// and button of the login and submit pages whether the run would find it, and how (by id, by name, by
// the text of a button). It logs in for real (the submit page needs it) but presses nothing on the
// submit page, so no bookmark is submitted; it logs out at the end. The fields are looked up by the
// engine's own plans (engine/formfill) carried out by the page step in its probe mode, so the check
// and a run can never disagree about a field.
class SiteCheck final : public engine::BrowserEvents {
public:
    SiteCheck(engine::Browser& browser, const engine::Clock& clock, engine::Ticker& ticker);
    ~SiteCheck() override;

    // Starts a check of `site` (its Uid and Pwd are the account); each page may take `timeoutSeconds`.
    void start(const engine::SiteRecord& site, int timeoutSeconds);
    void cancel();
    bool running() const { return m_stage != Stage::Idle; }

    // A result line, and the end of the check with the number of lines that found a fault.
    std::function<void(const CheckRow&)> rowAdded;
    std::function<void(int faults)> finished;

    // BrowserEvents
    void pageComplete(bool topLevel) override;
    void windowClosing() override {}
    // A login by fetch() or XMLHttpRequest (the page stays): its answer stands for the page after login.
    void pressAnswered(const engine::PageAnswer& answer) override;

private:
    enum class Stage { Idle, BlankForScript, LoginPage, AfterLogin, SubmitPage, Logout };

    void expect(Stage stage);
    void onPage();
    void checkLoginPage();
    void logIn();
    void afterLogin();
    void checkSubmitPage();
    void logOut();
    void tick();
    void send(const engine::PageStep& step, std::function<void(const engine::StepResult&)> then);
    void add(const QString& page, const QString& item, const QString& lookup, const QString& result, bool ok);
    void reportLookup(const QString& page, const QString& item, const engine::PageOp& op,
                      const engine::StepResult& result, int index);
    void finish();

    engine::Browser& m_browser;
    const engine::Clock& m_clock;
    engine::Ticker& m_ticker;
    engine::SiteRecord m_site;
    engine::SiteQuirks m_quirks; // looked up once, when the check starts
    int m_timeout = 30;
    Stage m_stage = Stage::Idle;
    qint64 m_stepStart = 0;
    bool m_inFlight = false;    // a page step waits for its answer
    bool m_pagePending = false; // a page completed meanwhile
    bool m_loggedIn = false;    // the login was pressed: the check ends with the log-out
    quint64 m_serial = 0;       // counts checks, so that answers of a cancelled one are dropped
    int m_faults = 0;
};

} // namespace tvx::sites
