#include "demosite.h"

#include "heavyassets.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <httplib.h>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace tvx::demosite {

namespace {

// How one variant of the site looks. Inputs always carry the names the server reads (uid, pwd, title,
// url, tags, summary, other1, other2); the `*Attrs` add ids where a variant is looked up by id.
struct Kind {
    std::string key;
    std::string webName;
    bool isScript = false;
    std::string uidAttrs = R"(id="f_uid" name="uid")";
    std::string pwdAttrs = R"(id="f_pwd" name="pwd")";
    std::string loginFormName = "loginform";
    std::string loginButton = R"(<input type="submit" name="dologin" value="登录">)";
    std::string titleAttrs = R"(id="f_title" name="title")";
    std::string urlAttrs = R"(id="f_url" name="url")";
    std::string tagsAttrs = R"(id="f_tags" name="tags")";
    std::string summaryAttrs = R"(id="f_summary" name="summary")";
    std::string other1Attrs = R"(id="f_private" name="other1")";
    std::string other2Attrs = R"(id="f_source" name="other2")";
    std::string submitButton = R"(<input type="submit" id="f_post" value="提交">)";
    bool ajax = false;                      // the submit button saves in the background; no page follows
    bool closeAfterSubmit = false;          // ... and then the page asks to close its window
    int closeAgainMs = 0;                   // ... and asks again this many milliseconds later
    bool frames = false;                    // the submit page holds three frames
    bool alerts = false;                    // the login page and a frame of it call alert() while loading
    bool hangLogin = false;                 // the login page never finishes loading
    bool autoToSubmit = false;              // the page after login and the result page move on to the submit page
    bool closeOnLogout = false;             // the log-out page asks to close its window
    std::map<std::string, std::string> row; // the columns of its site row, besides ID, WebName and the addresses
    bool emptySubmitUrl = false;

    // Hostile behaviour, each at one of the pages "login" (the login form), "afterlogin" (the answer
    // to the login), "submit" (the submit form), "result" (the answer to a submission), "logout".
    int failStatus = 0; // the page at `failAt` answers with this HTTP status
    std::string failAt;
    bool failBody = true;      // ... with a page of its own (false: an empty body, the browser's error page)
    bool redirectLoop = false; // the login page redirects to itself without end
    bool replaceLoop = false;  // the login page's script replaces it with itself without end
    int padding = 0;           // elements before the login form and before the submit button
    bool dialogs = false;      // alert, confirm and prompt while the login and submit pages load, and in a frame
    std::string closeAt;       // the page asks to close its window while it loads
    int closeAfterMs = 0;      // ... only this many milliseconds after it has loaded
    int slowSubmitPageMs = 0;  // the submit page is served only after this many milliseconds
    bool popups = false;       // the login and submit pages open windows, also when the button is pressed
    bool download = false;     // the login page starts a download; a submission is answered with one
    int busyMs = 0;            // the login page's script and the submit button's handler keep the page busy
    bool spinLogin = false;    // the login page's script never stops
    bool wander = false;       // the login and submit pages navigate away right after loading
    int reloadSeconds = 0;     // the login page reloads itself after this many seconds
    int slowAnswerMs = 0;      // a submission is answered only after this many milliseconds
    bool heavy = false;        // every page carries style sheets, scripts, a web font, images and a favicon
    bool bigLogin = false;     // the login page holds 45,000 numbered spans and 5,000 hidden inputs in its form
    bool keepsLogin = false;   // the login page sends a user who is logged in on to the submit page
    bool submitsNowhere = false; // the submit form posts to the closed port (setClosedPort)
    std::string password;      // the only password the login takes; any other is answered with the login form again
};

std::map<std::string, std::string> idRow()
{
    return {{"UidFieldId", "f_uid"},      {"PwdFieldId", "f_pwd"},       {"LoginButtonName", "dologin"},
            {"TitleFieldId", "f_title"},  {"UrlFieldId", "f_url"},       {"TagsFieldId", "f_tags"},
            {"TagsSplit", ","},           {"SubmitButtonId", "f_post"},  {"OtherFieldID1", "f_private"},
            {"OtherFieldValue1", "true"}, {"OtherFieldID2", "f_source"}, {"OtherFieldValue2", "Tavrinex"}};
}

// Pages that misbehave in the ways pages on the web do; all are driven like "byid".
void addHostileKinds(std::vector<Kind>& kinds)
{
    const auto hostile = [&](const std::string& key, const std::string& what) -> Kind& {
        Kind k{key, "演示站点（" + what + "）"};
        k.row = idRow();
        kinds.push_back(std::move(k));
        return kinds.back();
    };
    static const std::pair<const char*, const char*> pages[] = {{"login", "登录页"},
                                                                {"afterlogin", "登录结果页"},
                                                                {"submit", "提交页"},
                                                                {"result", "提交结果页"},
                                                                {"logout", "退出页"}};
    for (const auto& [at, name] : pages) {
        Kind& e500 = hostile(std::string("e500-") + at, std::string(name) + " HTTP 500");
        e500.failStatus = 500;
        e500.failAt = at;
        Kind& e404 = hostile(std::string("e404-") + at, std::string(name) + " HTTP 404");
        e404.failStatus = 404;
        e404.failAt = at;
        e404.failBody = false;
        hostile(std::string("close-") + at, std::string(name) + "关闭窗口").closeAt = at;
    }
    // A log-out page that asks to close its window 0.3 s after it has loaded, while the next site's
    // login goes on.
    Kind& closeLate = hostile("closelate-logout", "退出页稍后关闭窗口");
    closeLate.closeAt = "logout";
    closeLate.closeAfterMs = 300;
    hostile("refused-result", "提交后拒绝连接").submitsNowhere = true;
    // Takes no password but "secret": a wrong one gets the login form again, as most sites answer it.
    hostile("deny-login", "密码不对").password = "secret";
    hostile("redirect", "无尽重定向").redirectLoop = true;
    hostile("replace", "脚本无尽跳转").replaceLoop = true;
    hostile("refused", "拒绝连接"); // its addresses are given a port where nothing listens
    Kind& huge = hostile("huge", "五万个元素");
    huge.padding = 50000;
    huge.loginButton = R"(<input type="submit" value="登录 ">)";
    huge.submitButton = R"(<input type="submit" value="SUBMIT">)";
    huge.row.erase("LoginButtonName");
    huge.row.erase("SubmitButtonId");
    huge.row["LoginButtonValue"] = " 登录 ";
    huge.row["SubmitButtonValue"] = "submit";
    hostile("dialogs", "三种对话框").dialogs = true;
    Kind& popups = hostile("popups", "弹出窗口");
    popups.popups = true;
    popups.submitButton = R"x(<input type="submit" id="f_post" value="提交" onclick="window.open('/popups/ad')">)x";
    hostile("download", "下载").download = true;
    hostile("busy", "脚本忙碌").busyMs = 3000;
    hostile("spin", "脚本不停").spinLogin = true;
    hostile("busyclick", "按钮脚本忙碌").submitButton =
        R"x(<input type="submit" id="f_post" value="提交" onclick="var t=Date.now();while(Date.now()-t<3000){}">)x";
    hostile("hung", "按钮脚本不停").submitButton =
        R"x(<input type="submit" id="f_post" value="提交" onclick="for(;;){}">)x";
    hostile("wander", "加载后跳走").wander = true;
    // A 百度书签 login page that reloads itself before the delayed login's five seconds are up.
    Kind& reload = hostile("baidu-reload", "");
    reload.webName = "百度书签";
    reload.reloadSeconds = 2;
    // A login page as large as some portals' front pages: 50,000 elements that carry text, the
    // button found by its caption after all of them.
    Kind& big = hostile("big", "五万个带文字的元素");
    big.bigLogin = true;
    big.loginButton = R"(<input type="submit" value="登录">)";
    big.row.erase("LoginButtonName");
    big.row["LoginButtonValue"] = "登录";
}

std::vector<Kind> makeKinds()
{
    std::vector<Kind> kinds;
    const auto add = [&](Kind k) {
        kinds.push_back(std::move(k));
    };

    Kind byid{"byid", "演示站点（按编号）"};
    byid.row = idRow();
    byid.row["SummaryFieldId"] = "f_summary"; // not a summary site: the page keeps its own text
    add(byid);

    // A login page that shows no form to a user who is logged in, but sends them on to the submit page
    // (as Shaarli's does); driven like "byid".
    Kind keep{"keeplogin", "演示站点（已登录时跳过登录页）"};
    keep.row = idRow();
    keep.keepsLogin = true;
    add(keep);

    // Pages that weigh what real sites' pages weigh, driven like "byid".
    Kind heavy{"heavy", "演示站点（完整页面）"};
    heavy.heavy = true;
    heavy.row = idRow();
    add(heavy);

    Kind byname{"byname", "演示站点（按名称）"};
    byname.uidAttrs = R"(name="uid")";
    byname.pwdAttrs = R"(name="pwd")";
    byname.titleAttrs = R"(name="title")";
    byname.urlAttrs = R"(name="url")";
    byname.tagsAttrs = R"(name="tags")";
    byname.other1Attrs = R"(name="other1")";
    byname.other2Attrs = R"(name="other2")";
    byname.submitButton = R"(<input type="submit" name="post" value="提交">)";
    byname.row = {{"UidFieldName", "uid"},       {"PwdFieldName", "pwd"},       {"LoginButtonName", "dologin"},
                  {"TitleFieldName", "title"},   {"UrlFieldName", "url"},       {"TagsFieldName", "tags"},
                  {"SubmitButtonName", "post"},  {"OtherFieldName1", "other1"}, {"OtherFieldValue1", "false"},
                  {"OtherFieldName2", "other2"}, {"OtherFieldValue2", "按名称"}};
    add(byname);

    Kind byvalue{"byvalue", "演示站点（按按钮文字）"};
    byvalue.loginButton = R"(<input type="submit" value="登录 ">)";
    byvalue.submitButton = R"(<input type="submit" value="SUBMIT">)";
    byvalue.row = idRow();
    byvalue.row.erase("LoginButtonName");
    byvalue.row.erase("SubmitButtonId");
    byvalue.row["LoginButtonValue"] = " 登录 ";
    byvalue.row["SubmitButtonValue"] = "submit";
    byvalue.row["TagsSplit"] = ", ";
    add(byvalue);

    Kind script{"script", "演示站点（登录脚本）"};
    script.isScript = true;
    script.row = idRow();
    add(script);

    Kind frames{"frames", "演示站点（框架）"};
    frames.frames = true;
    frames.row = idRow();
    add(frames);

    Kind empty{"empty", "演示站点（无提交地址）"};
    empty.autoToSubmit = true;
    empty.emptySubmitUrl = true;
    empty.row = idRow();
    add(empty);

    Kind fb{"fb", "Face Book"};
    fb.row = idRow();
    add(fb);

    Kind fanfou{"fanfou", "饭否"};
    fanfou.row = idRow();
    add(fanfou);

    Kind koudai{"koudai", "口袋"};
    koudai.row = idRow();
    add(koudai);

    Kind baidu{"baidu", "百度书签"};
    baidu.ajax = true;
    baidu.submitButton = R"x(<input type="button" value="收藏" onclick="tvxSend()">)x";
    baidu.row = idRow();
    baidu.row.erase("SubmitButtonId");
    baidu.row["SubmitButtonValue"] = "收藏";
    add(baidu);

    Kind live{"live", "Windows Live"};
    live.ajax = true;
    live.submitButton = R"x(<input type="button" id="f_post" value="保存" onclick="tvxSend()">)x";
    live.row = idRow();
    add(live);

    Kind tianji{"tianji", "天极网摘"};
    tianji.loginFormName = "login_form";
    tianji.loginButton = R"x(<input type="button" value="登录" onclick="alert('请按回车')">)x";
    tianji.row = idRow();
    tianji.row.erase("LoginButtonName");
    add(tianji);

    Kind poco{"poco", "Poco网摘"};
    poco.loginFormName = "pocoform";
    poco.loginButton = R"x(<input type="button" value="登录">)x";
    poco.row = idRow();
    poco.row["LoginButtonName"] = "pocoform";
    poco.row["SummaryFieldId"] = "f_summary";
    add(poco);

    Kind tt365{"tt365", "365天天网摘"};
    tt365.row = idRow();
    tt365.row["SummaryFieldId"] = "f_summary";
    add(tt365);

    Kind bola{"bola", "博拉网"};
    bola.row = idRow();
    bola.row.erase("SummaryFieldId");
    bola.row["SummaryFieldName"] = "summary";
    add(bola);

    Kind delicious{"delicious", "delicious"};
    delicious.isScript = true;
    delicious.ajax = true;
    delicious.closeAfterSubmit = true;
    delicious.submitButton = R"x(<input type="button" id="f_post" value="保存" onclick="tvxSend()">)x";
    delicious.row = idRow();
    add(delicious);

    // A "delicious" whose page asks to close its window again 0.3 s after saving, while the login
    // script that brings up the next bookmark waits for its slow submit page.
    Kind deliciousLate = delicious;
    deliciousLate.key = "delicious-late";
    deliciousLate.closeAgainMs = 300;
    deliciousLate.slowSubmitPageMs = 1000;
    add(deliciousLate);

    Kind closing{"closing", "演示站点（提交后关闭窗口）"};
    closing.ajax = true;
    closing.closeAfterSubmit = true;
    closing.submitButton = R"x(<input type="button" id="f_post" value="提交" onclick="tvxSend()">)x";
    closing.row = idRow();
    add(closing);

    Kind closeOnLogout{"closelogout", "演示站点（退出时关闭窗口）"};
    closeOnLogout.closeOnLogout = true;
    closeOnLogout.row = idRow();
    add(closeOnLogout);

    Kind dead{"dead", "演示站点（按钮无效）"};
    dead.submitButton = R"x(<input type="button" id="f_post" value="提交">)x";
    dead.row = idRow();
    add(dead);

    Kind hang{"hang", "演示站点（登录页不响应）"};
    hang.hangLogin = true;
    hang.row = idRow();
    add(hang);

    Kind alerts{"alerts", "演示站点（弹出对话框）"};
    alerts.alerts = true;
    alerts.row = idRow();
    add(alerts);

    Kind busyStep{"busystep", "演示站点（登录按钮忙一秒半）"};
    busyStep.loginButton =
        R"x(<input type="submit" name="dologin" value="登录" onclick="var t=Date.now();while(Date.now()-t<1500){}">)x";
    busyStep.row = idRow();
    add(busyStep);

    // Poco网摘 whose login button, not its form, is named in the site row.
    Kind pocoButton{"pocobutton", "Poco网摘"};
    pocoButton.loginButton = R"x(<input type="button" name="pocologin" value="登录">)x";
    pocoButton.row = idRow();
    pocoButton.row["LoginButtonName"] = "pocologin";
    pocoButton.row["SummaryFieldId"] = "f_summary";
    add(pocoButton);

    // The three sites that request the next page right after pressing, each with a form whose
    // submission is answered slowly: the next page must not cancel it.
    Kind fbSlow{"fbslow", "Face Book"};
    fbSlow.slowAnswerMs = 600;
    fbSlow.row = idRow();
    add(fbSlow);

    Kind baiduSlow{"baiduslow", "百度书签"};
    baiduSlow.slowAnswerMs = 600;
    baiduSlow.submitButton = R"(<input type="submit" value="收藏">)";
    baiduSlow.row = idRow();
    baiduSlow.row.erase("SubmitButtonId");
    baiduSlow.row["SubmitButtonValue"] = "收藏";
    add(baiduSlow);

    Kind liveSlow{"liveslow", "Windows Live"};
    liveSlow.slowAnswerMs = 600;
    liveSlow.submitButton = R"(<input type="submit" id="f_post" value="保存">)";
    liveSlow.row = idRow();
    add(liveSlow);

    // Two of them whose page answering a submission also asks to close its window while it loads, as
    // share windows do once they have saved: the run has already moved on to the next bookmark.
    Kind fbClose = fbSlow;
    fbClose.key = "fbclose";
    fbClose.closeAt = "result";
    add(fbClose);
    Kind baiduClose = baiduSlow;
    baiduClose.key = "baiduclose";
    baiduClose.closeAt = "result";
    add(baiduClose);

    // A result page that closes its window a little after it has loaded, and a slow submit page: the
    // request comes while the next bookmark's submit page is still on its way.
    Kind closeLater{"closelater", "演示站点（提交后稍后关闭窗口）"};
    closeLater.closeAt = "result";
    closeLater.closeAfterMs = 200;
    closeLater.slowSubmitPageMs = 1500;
    closeLater.row = idRow();
    add(closeLater);

    addHostileKinds(kinds);
    return kinds;
}

const std::vector<Kind>& kinds()
{
    static const std::vector<Kind> all = makeKinds();
    return all;
}

const Kind* findKind(const std::string& key)
{
    for (const Kind& k : kinds())
        if (k.key == key)
            return &k;
    return nullptr;
}

std::string html(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string sql(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

// Cookie values are the user ids, percent-encoded.
std::string cookieEncode(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string page(const std::string& title, const std::string& body, const std::string& head = {})
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + html(title) + "</title>" + head +
           "</head>\n<body>\n" + body + "\n</body></html>\n";
}

// A page of variant `k`: with what real sites' pages carry, for the heavy variant.
std::string kindPage(const Kind& k, const std::string& title, const std::string& body, const std::string& head = {})
{
    if (!k.heavy)
        return page(title, body, head);
    const std::string assets = "/" + k.key + "/assets";
    return page(title, heavy::banner(assets) + body + heavy::footer(), heavy::head(assets) + head);
}

// The big login page's bulk: 45,000 numbered spans before the form, and 5,000 hidden inputs in it.
std::string bigSpans()
{
    std::string out = "<div class=\"numbers\">";
    for (int i = 0; i < 45000; ++i)
        out += "<span>" + std::to_string(i) + "</span> ";
    return out + "</div>\n";
}

std::string bigHiddenInputs()
{
    std::string out;
    for (int i = 0; i < 5000; ++i)
        out += "<input type=\"hidden\" name=\"h" + std::to_string(i) + "\" value=\"" + std::to_string(i) + "\">";
    return out + "\n";
}

// The scripts and elements with which a hostile page misbehaves, at the start of its body; `at` is the
// page (see Kind).
std::string hostileParts(const Kind& k, const std::string& at)
{
    std::string out;
    if (k.closeAt == at && k.closeAfterMs > 0)
        out += "<script>addEventListener('load', function(){setTimeout(function(){window.close();}, " +
               std::to_string(k.closeAfterMs) + ");});</script>\n";
    else if (k.closeAt == at)
        out += "<script>window.close();</script>\n";
    if (at != "login" && at != "submit")
        return out;
    const std::string root = "/" + k.key;
    if (k.dialogs)
        out += "<script>alert('请注意');var ok=confirm('确定吗？');var said=prompt('请输入', '默认');</script>\n"
               "<iframe src=\"" +
               root + "/frame?n=1\"></iframe>\n";
    if (k.popups)
        out += "<script>window.open('" + root +
               "/ad');window.open('about:blank', '_blank', 'width=200');"
               "setTimeout(function(){window.open('" +
               root +
               "/ad', 'ad2');}, 10);</script>\n"
               "<a id=\"adlink\" href=\"" +
               root +
               "/ad\" target=\"_blank\">广告</a>"
               "<script>document.getElementById('adlink').click();</script>\n";
    if (k.wander)
        out += "<script>addEventListener('load', function(){setTimeout(function(){location.href='" + root +
               "/elsewhere';}, 0);});</script>\n";
    if (at == "login") {
        if (k.reloadSeconds > 0)
            out += "<script>setTimeout(function(){location.reload();}, " + std::to_string(k.reloadSeconds * 1000) +
                   ");</script>\n";
        if (k.busyMs > 0)
            out += "<script>var t=Date.now();while(Date.now()-t<" + std::to_string(k.busyMs) + "){}</script>\n";
        if (k.spinLogin)
            out += "<script>for(;;){}</script>\n";
        if (k.download)
            out += "<iframe src=\"" + root + "/file\"></iframe>\n";
        if (k.replaceLoop)
            out += "<script>location.replace('" + root + "/login?n=' + Date.now());</script>\n";
    }
    if (k.padding > 0) {
        out += "<div>";
        for (int i = 0; i < k.padding; ++i)
            out += "<i></i>";
        out += "</div>\n";
    }
    return out;
}

// Serves a form posted to `path` whatever its size: the library itself refuses url-encoded forms above
// 8 KiB, and a bookmark's texts may be far longer. The handler finds the fields among the request's
// parameters, as for a small form.
void postForm(httplib::Server& server, const std::string& path, httplib::Server::Handler handler)
{
    server.Post(path, [handler](const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& content) {
        std::string body;
        content([&](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        httplib::Request form = req;
        size_t start = 0;
        while (start <= body.size() && !body.empty()) {
            size_t end = body.find('&', start);
            if (end == std::string::npos)
                end = body.size();
            const std::string pair = body.substr(start, end - start);
            const size_t eq = pair.find('=');
            if (!pair.empty())
                form.params.emplace(httplib::detail::decode_url(pair.substr(0, eq), true),
                                    eq == std::string::npos ? std::string()
                                                            : httplib::detail::decode_url(pair.substr(eq + 1), true));
            start = end + 1;
        }
        handler(form, res);
    });
}

// The answer of a page that fails with `status`.
void failPage(const Kind& k, httplib::Response& res)
{
    res.status = k.failStatus;
    if (k.failBody)
        res.set_content(
            page(std::to_string(k.failStatus), "<h1>" + std::to_string(k.failStatus) + "</h1><p>服务器出错了。</p>"),
            "text/html; charset=utf-8");
}

} // namespace

struct DemoSite::State {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<long> pages{0};
    std::atomic<int> postDelayMs{0};
    mutable std::mutex mutex;
    std::vector<Submission> submissions;
    std::vector<Login> logins;
    std::vector<std::string> logouts;
    std::vector<Request> requests;
    std::map<std::string, int> slowAnswers; // user -> ms
    std::vector<std::string> longUsers;      // the user ids of sessions "~0", "~1", ...
    std::atomic<int> closedPort{0};

    // The cookie value of a session: the user id itself, or for an id too long for a header (a browser
    // refuses an answer whose headers are that large, as any site knows) a number standing for it.
    std::string sessionOf(const std::string& user)
    {
        if (user.size() <= 1000)
            return cookieEncode(user);
        std::lock_guard lock(mutex);
        longUsers.push_back(user);
        return "~" + std::to_string(longUsers.size() - 1);
    }

    int slowAnswerOf(const std::string& user) const
    {
        std::lock_guard lock(mutex);
        const auto it = slowAnswers.find(user);
        return it == slowAnswers.end() ? 0 : it->second;
    }

    std::string userOf(const httplib::Request& req, const Kind& kind) const
    {
        const std::string cookies = req.get_header_value("Cookie");
        const std::string name = "tvx_" + kind.key + "=";
        size_t at = 0;
        while ((at = cookies.find(name, at)) != std::string::npos) {
            if (at == 0 || cookies[at - 1] == ' ' || cookies[at - 1] == ';') {
                const size_t start = at + name.size();
                const size_t end = cookies.find(';', start);
                const std::string value = cookies.substr(start, end - start);
                if (!value.empty() && value[0] == '~') {
                    std::lock_guard lock(mutex);
                    const size_t n = std::strtoul(value.c_str() + 1, nullptr, 10);
                    return n < longUsers.size() ? longUsers[n] : std::string();
                }
                return httplib::detail::decode_url(value, false);
            }
            at += name.size();
        }
        return {};
    }

    void routes();
    void serveKind(const Kind& kind);
    std::string loginPage(const Kind& kind) const;
    std::string submitPage(const Kind& kind, const std::string& user) const;
};

std::string DemoSite::State::loginPage(const Kind& kind) const
{
    std::string body = "<h1>" + html(kind.webName) + "</h1>\n" + hostileParts(kind, "login");
    if (kind.bigLogin)
        body += bigSpans();
    if (kind.alerts)
        body += "<script>alert('欢迎光临');</script>\n";
    body += "<form method=\"post\" action=\"/" + kind.key + "/login\" name=\"" + kind.loginFormName +
            "\" accept-charset=\"utf-8\">\n"
            "<p>用户名 <input type=\"text\" " +
            kind.uidAttrs + "></p>\n<p>密码 <input type=\"password\" " + kind.pwdAttrs + "></p>\n" +
            (kind.bigLogin ? bigHiddenInputs() : std::string()) + "<p>" + kind.loginButton + "</p>\n</form>\n";
    if (kind.alerts)
        body += "<iframe src=\"/" + kind.key + "/frame\"></iframe>\n";
    return kindPage(kind, kind.webName + " - 登录", body);
}

std::string DemoSite::State::submitPage(const Kind& kind, const std::string& user) const
{
    std::string head;
    if (kind.ajax)
        // Saves in the background, as some sites do: the request outlives the page.
        head = "<script>function tvxSend(){var f=document.forms['postform'];"
               "fetch(f.action,{method:'POST',body:new URLSearchParams(new FormData(f)),keepalive:true,"
               "credentials:'same-origin'});" +
               std::string(kind.closeAfterSubmit ? "window.close();" : "") +
               (kind.closeAgainMs > 0
                    ? "setTimeout(function(){window.close();}, " + std::to_string(kind.closeAgainMs) + ");"
                    : std::string()) +
               "}</script>";
    std::string body = "<h1>" + html(kind.webName) + "</h1>\n" + hostileParts(kind, "submit") + "<p>当前用户：" +
                       html(user) + "</p>\n";
    const std::string action = kind.submitsNowhere ? "http://127.0.0.1:" + std::to_string(closedPort) + "/x"
                                                   : "/" + kind.key + "/submit";
    body += "<form method=\"post\" action=\"" + action +
            "\" name=\"postform\" accept-charset=\"utf-8\">\n"
            "<p>标题 <input type=\"text\" " +
            kind.titleAttrs + " size=\"60\"></p>\n<p>网址 <input type=\"text\" " + kind.urlAttrs +
            " size=\"60\"></p>\n<p>分类 <input type=\"text\" " + kind.tagsAttrs + "></p>\n<p>摘要 <textarea " +
            kind.summaryAttrs + " rows=\"3\" cols=\"60\">页面原有的摘要</textarea></p>\n<p><input type=\"checkbox\" " +
            kind.other1Attrs + " value=\"1\"> 私有 <input type=\"text\" " + kind.other2Attrs + "></p>\n<p>" +
            kind.submitButton + "</p>\n</form>\n";
    if (kind.frames)
        for (int i = 1; i <= 3; ++i)
            body += "<iframe src=\"/" + kind.key + "/frame?n=" + std::to_string(i) + "\"></iframe>\n";
    body += "<p><a href=\"/" + kind.key + "/logout\">退出</a></p>\n";
    return kindPage(kind, kind.webName + " - 提交网摘", body, head);
}

void DemoSite::State::serveKind(const Kind& kind)
{
    const std::string prefix = "/" + kind.key;
    const Kind* k = &kind;

    server.Get(prefix + "/login", [this, k](const httplib::Request& req, httplib::Response& res) {
        if (k->hangLogin) {
            // Holds the connection: the page never finishes loading.
            while (!stopping)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return;
        }
        if (k->failAt == "login")
            return failPage(*k, res);
        if (k->keepsLogin && !userOf(req, *k).empty())
            return res.set_redirect("/" + k->key + "/submit");
        if (k->redirectLoop) {
            // To itself again and again, each time by another address.
            res.set_redirect("/" + k->key +
                             "/login?n=" + std::to_string(std::atoi(req.get_param_value("n").c_str()) + 1));
            return;
        }
        res.set_content(loginPage(*k), "text/html; charset=utf-8");
    });
    // The entry of a login script: the submit page when logged in, otherwise the login form.
    server.Get(prefix + "/entry", [this, k](const httplib::Request& req, httplib::Response& res) {
        const std::string user = userOf(req, *k);
        if (!user.empty() && k->slowSubmitPageMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(k->slowSubmitPageMs));
        res.set_content(user.empty() ? loginPage(*k) : submitPage(*k, user), "text/html; charset=utf-8");
    });
    postForm(server, prefix + "/login", [this, k](const httplib::Request& req, httplib::Response& res) {
        const std::string user = req.get_param_value("uid");
        {
            std::lock_guard lock(mutex);
            logins.push_back({k->key, user, req.get_param_value("pwd")});
        }
        if (k->failAt == "afterlogin")
            return failPage(*k, res);
        if (!k->password.empty() && req.get_param_value("pwd") != k->password) {
            res.set_content(loginPage(*k), "text/html; charset=utf-8");
            return;
        }
        res.set_header("Set-Cookie", "tvx_" + k->key + "=" + sessionOf(user) + "; Path=/" + k->key);
        std::string head;
        if (k->autoToSubmit)
            head = "<meta http-equiv=\"refresh\" content=\"1;url=/" + k->key + "/submit\">";
        res.set_content(kindPage(*k, k->webName + " - 欢迎",
                             hostileParts(*k, "afterlogin") + "<p>欢迎，" + html(user) + "！</p>\n<p><a href=\"/" +
                                 k->key + "/submit\">提交网摘</a> <a href=\"/" + k->key + "/logout\">退出</a></p>",
                             head),
                        "text/html; charset=utf-8");
    });
    server.Get(prefix + "/submit", [this, k](const httplib::Request& req, httplib::Response& res) {
        if (k->failAt == "submit")
            return failPage(*k, res);
        if (k->slowSubmitPageMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(k->slowSubmitPageMs));
        res.set_content(submitPage(*k, userOf(req, *k)), "text/html; charset=utf-8");
    });
    postForm(server, prefix + "/submit", [this, k](const httplib::Request& req, httplib::Response& res) {
        if (k->slowAnswerMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(k->slowAnswerMs));
        if (const int ms = slowAnswerOf(userOf(req, *k)); ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        Submission s{k->key,
                     userOf(req, *k),
                     req.get_param_value("title"),
                     req.get_param_value("url"),
                     req.get_param_value("tags"),
                     req.get_param_value("summary"),
                     req.has_param("other1") ? "true" : "false",
                     req.get_param_value("other2")};
        {
            std::lock_guard lock(mutex);
            submissions.push_back(std::move(s));
        }
        if (k->ajax) {
            res.status = 204;
            return;
        }
        if (k->failAt == "result")
            return failPage(*k, res);
        if (k->download) {
            res.set_header("Content-Disposition", "attachment; filename=\"receipt.bin\"");
            res.set_content(std::string(4096, 'x'), "application/octet-stream");
            return;
        }
        std::string head;
        if (k->autoToSubmit)
            head = "<meta http-equiv=\"refresh\" content=\"1;url=/" + k->key + "/submit\">";
        res.set_content(kindPage(*k, k->webName + " - 提交成功",
                             hostileParts(*k, "result") + "<p>提交成功！</p>\n<p><a href=\"/" + k->key +
                                 "/submit\">继续提交</a> <a href=\"/" + k->key + "/logout\">退出</a></p>",
                             head),
                        "text/html; charset=utf-8");
    });
    server.Get(prefix + "/logout", [this, k](const httplib::Request& req, httplib::Response& res) {
        {
            const std::string user = userOf(req, *k);
            std::lock_guard lock(mutex);
            logouts.push_back(k->key + "/" + user);
        }
        res.set_header("Set-Cookie", "tvx_" + k->key + "=; Path=/" + k->key + "; Max-Age=0");
        if (k->failAt == "logout")
            return failPage(*k, res);
        res.set_content(
            kindPage(*k, k->webName + " - 已退出", std::string(k->closeOnLogout ? "<script>window.close();</script>" : "") +
                                               hostileParts(*k, "logout") + "<p>您已退出。</p>"),
            "text/html; charset=utf-8");
    });
    if (k->heavy)
        server.Get(prefix + R"(/assets/([\w.]+))", [](const httplib::Request& req, httplib::Response& res) {
            const heavy::Asset* a = heavy::asset(req.matches[1]);
            if (!a) {
                res.status = 404;
                return;
            }
            // Cached for a day, and revalidated by its tag after that, as a site's static files are.
            res.set_header("Cache-Control", "public, max-age=86400");
            res.set_header("ETag", a->etag);
            res.set_header("Last-Modified", "Tue, 01 Dec 2020 08:00:00 GMT");
            if (req.get_header_value("If-None-Match") == a->etag) {
                res.status = 304;
                return;
            }
            res.set_content(a->body, a->contentType);
        });
    server.Get(prefix + "/frame", [k](const httplib::Request& req, httplib::Response& res) {
        std::string body = "<p>框架 " + html(req.get_param_value("n")) + "</p>";
        if (k->alerts)
            body = "<script>alert('框架里的提示');</script>" + body;
        if (k->dialogs)
            body = "<script>alert('框架');confirm('框架：确定吗？');prompt('框架：请输入');</script>" + body;
        res.set_content(page("框架", body), "text/html; charset=utf-8");
    });
    // Where hostile pages lead: an advertisement, a page elsewhere, a file to download.
    server.Get(prefix + "/ad", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(page("广告", "<p>广告</p><script>window.open('/');</script>"), "text/html; charset=utf-8");
    });
    server.Get(prefix + "/elsewhere", [k](const httplib::Request&, httplib::Response& res) {
        res.set_content(page(k->webName + " - 别处", "<p>这里没有表单。</p>"), "text/html; charset=utf-8");
    });
    server.Get(prefix + "/file", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Disposition", "attachment; filename=\"setup.exe\"");
        res.set_content(std::string(65536, 'x'), "application/octet-stream");
    });
}

void DemoSite::State::routes()
{
    for (const Kind& kind : kinds())
        serveKind(kind);

    // The share pages of the two sites that have no submit form of their own. "fb" shares in the
    // background; "fbslow" and "fbclose" post a form whose answer comes slowly.
    for (const char* key : {"fb", "fbslow", "fbclose"}) {
        const Kind& k = *findKind(key);
        const std::string root = "/" + k.key;
        server.Get(root + "/share.php", [this, &k, root](const httplib::Request& req, httplib::Response& res) {
            const std::string user = "<p>当前用户：" + html(userOf(req, k)) + "</p>";
            const std::string logout = "<p><a href=\"" + root + "/logout\">退出</a></p>";
            if (k.slowAnswerMs > 0) {
                res.set_content(page("Face Book - 分享",
                                     "<p>分享给朋友：</p><form method=\"post\" action=\"" + root +
                                         "/share\"><input type=\"hidden\" name=\"url\" value=\"" +
                                         html(req.get_param_value("u")) + "\">" + user +
                                         "<input type=\"submit\" id=\"submit\" value=\"分享\"></form>" + logout),
                                "text/html; charset=utf-8");
                return;
            }
            const std::string head = "<script>function tvxShare(){fetch('" + root +
                                     "/share',{method:'POST',keepalive:true,credentials:'same-origin',"
                                     "body:new URLSearchParams({url:document.getElementById('u').value})});}</script>";
            res.set_content(page("Face Book - 分享",
                                 "<p>分享给朋友：</p><input type=\"hidden\" id=\"u\" value=\"" +
                                     html(req.get_param_value("u")) + "\">" + user +
                                     "<input type=\"button\" id=\"submit\" value=\"分享\" onclick=\"tvxShare()\">" +
                                     logout,
                                 head),
                            "text/html; charset=utf-8");
        });
        postForm(server, root + "/share", [this, &k](const httplib::Request& req, httplib::Response& res) {
            if (k.slowAnswerMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(k.slowAnswerMs));
            Submission s{k.key, userOf(req, k), {}, req.get_param_value("url"), {}, {}, "false", {}};
            {
                std::lock_guard lock(mutex);
                submissions.push_back(std::move(s));
            }
            if (k.slowAnswerMs > 0)
                res.set_content(page("Face Book - 已分享", hostileParts(k, "result") + "<p>已分享。</p>"),
                                "text/html; charset=utf-8");
            else
                res.status = 204;
        });
    }
    server.Get("/fanfou/sharer", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_content(submitPage(*findKind("fanfou"), userOf(req, *findKind("fanfou"))), "text/html; charset=utf-8");
    });

    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        std::string body =
            "<h1>Tavrinex 演示站点</h1>\n<p>本站在本机 127.0.0.1 上运行，用来演示和测试 Tavrinex："
            "任何用户名和密码都可以登录，提交的网摘记录在 <a href=\"/_records\">/_records</a>。</p>\n<ul>\n";
        for (const Kind& k : kinds())
            body += "<li><a href=\"/" + k.key + "/login\">" + html(k.webName) + "</a></li>\n";
        res.set_content(page("Tavrinex 演示站点", body + "</ul>"), "text/html; charset=utf-8");
    });
    server.Get("/ads/Ads.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(page("Tavrinex", "<div style=\"font:bold 20px sans-serif;color:#003c74;padding:20px\">"
                                         "Tavrinex —— 把您的网摘一次提交到所有站点</div>"),
                        "text/html; charset=utf-8");
    });
    server.Get("/ads/AdsStatus.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(page("Tavrinex", "<div style=\"font:12px sans-serif;color:#555\">演示站点运行中。</div>"),
                        "text/html; charset=utf-8");
    });
    server.Get("/_records", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(mutex);
        res.set_content(recordsJson(submissions), "application/json; charset=utf-8");
    });
    server.Post("/_reset", [this](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(mutex);
        submissions.clear();
        logins.clear();
        logouts.clear();
        requests.clear();
        res.status = 204;
    });
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        const int delay = postDelayMs;
        if (delay > 0 && req.method == "POST")
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        if (req.method == "GET" && res.get_header_value("Content-Type").rfind("text/html", 0) == 0)
            ++pages;
        std::lock_guard lock(mutex);
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        requests.push_back({req.method, req.path, req.get_header_value("Sec-Fetch-Dest"), res.status,
                            std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()});
    });
}

DemoSite::DemoSite()
    : m(std::make_unique<State>())
{
}

DemoSite::~DemoSite()
{
    stop();
}

int DemoSite::start(int port)
{
    m->server.new_task_queue = [] {
        return new httplib::ThreadPool(32);
    };
    m->server.set_keep_alive_timeout(2);
    // Headers and body go out as two writes: without this, the body of every answer on a kept-alive
    // connection waited for the client's delayed acknowledgement (about 40 ms), as no real server's does.
    m->server.set_tcp_nodelay(true);
    m->routes();
    if (port == 0)
        m->port = m->server.bind_to_any_port("127.0.0.1");
    else
        m->port = m->server.bind_to_port("127.0.0.1", port) ? port : -1;
    if (m->port <= 0)
        throw std::runtime_error("the demonstration site cannot listen on 127.0.0.1:" + std::to_string(port));
    m->thread = std::thread([this] { m->server.listen_after_bind(); });
    return m->port;
}

void DemoSite::stop()
{
    if (!m->thread.joinable())
        return;
    m->stopping = true;
    m->server.stop();
    m->thread.join();
}

int DemoSite::port() const
{
    return m->port;
}

std::string DemoSite::base() const
{
    return "http://127.0.0.1:" + std::to_string(m->port);
}

std::vector<Submission> DemoSite::submissions() const
{
    std::lock_guard lock(m->mutex);
    return m->submissions;
}

std::vector<Login> DemoSite::logins() const
{
    std::lock_guard lock(m->mutex);
    return m->logins;
}

std::vector<std::string> DemoSite::logouts() const
{
    std::lock_guard lock(m->mutex);
    return m->logouts;
}

std::vector<Request> DemoSite::requests() const
{
    std::lock_guard lock(m->mutex);
    return m->requests;
}

long DemoSite::pagesServed() const
{
    return m->pages;
}

void DemoSite::clearRecords()
{
    std::lock_guard lock(m->mutex);
    m->submissions.clear();
    m->logins.clear();
    m->logouts.clear();
    m->requests.clear();
}

void DemoSite::setPostDelayMs(int ms)
{
    m->postDelayMs = ms;
}

void DemoSite::setClosedPort(int port)
{
    m->closedPort = port;
}

void DemoSite::setSlowAnswerFor(const std::string& user, int ms)
{
    std::lock_guard lock(m->mutex);
    m->slowAnswers[user] = ms;
}

std::vector<std::string> siteKeys()
{
    std::vector<std::string> keys;
    for (const Kind& k : kinds())
        keys.push_back(k.key);
    return keys;
}

std::string siteRowSql(int id, const std::string& key, const std::string& base)
{
    const Kind* kind = findKind(key);
    if (!kind)
        throw std::invalid_argument("no such variant: " + key);
    std::map<std::string, std::string> columns = kind->row;
    const std::string root = base + "/" + key;
    columns["AllowLogin"] = "1";
    columns["IsScript"] = kind->isScript ? "1" : "0";
    if (kind->isScript)
        columns["LoginUrl"] = "location.href='" + root + "/entry'";
    else
        columns["LoginUrl"] = root + "/login";
    columns["LogoutUrl"] = root + "/logout";
    columns["SubmitUrl"] = kind->emptySubmitUrl ? "" : root + "/submit";
    // One column a line, in the table's order, so that a row reads (and is edited) like a form.
    static const char* const order[] = {
        "AllowLogin",       "LoginUrl",         "IsScript",          "LoginButtonName", "LoginButtonValue",
        "LogoutUrl",        "UidFieldId",       "UidFieldName",      "PwdFieldId",      "PwdFieldName",
        "SubmitUrl",        "TitleFieldId",     "TitleFieldName",    "UrlFieldId",      "UrlFieldName",
        "TagsFieldId",      "TagsFieldName",    "TagsSplit",         "SummaryFieldId",  "SummaryFieldName",
        "SubmitButtonId",   "SubmitButtonName", "SubmitButtonValue", "OtherFieldID1",   "OtherFieldName1",
        "OtherFieldValue1", "OtherFieldID2",    "OtherFieldName2",   "OtherFieldValue2"};
    std::string out = "INSERT INTO BookMarkWeb (ID, WebName) VALUES (" + std::to_string(id) + ", " +
                      sql(kind->webName) + ");\nUPDATE BookMarkWeb SET\n";
    bool first = true;
    for (const char* column : order) {
        const auto it = columns.find(column);
        if (it == columns.end())
            continue;
        const bool number = it->first == "AllowLogin" || it->first == "IsScript";
        std::string name = it->first;
        name.resize(18, ' ');
        out += std::string(first ? "" : ",\n") + "    " + name + "= " + (number ? it->second : sql(it->second));
        first = false;
    }
    return out + "\nWHERE ID = " + std::to_string(id) + ";\n\n";
}

std::vector<std::string> deliveredKeys()
{
    return {"byid", "byname", "byvalue", "script", "frames"};
}

std::string deliveredSitesSql(const std::string& base)
{
    std::string out = "-- Delivered site definitions: per site an INSERT of its ID and name and an UPDATE of its\n"
                      "-- columns (README.md in this folder explains them). IDs run 0, 1, 2, ... without gaps.\n"
                      "-- These rows drive the demonstration site that scripts/run.sh starts on " +
                      base + ".\n";
    int id = 0;
    for (const std::string& key : deliveredKeys())
        out += siteRowSql(id++, key, base);
    return out;
}

std::string jsonString(const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string recordsJson(const std::vector<Submission>& submissions)
{
    std::string out = "[";
    for (size_t i = 0; i < submissions.size(); ++i) {
        const Submission& s = submissions[i];
        out += std::string(i ? ",\n" : "\n") + "{\"site\":" + jsonString(s.site) + ",\"user\":" + jsonString(s.user) +
               ",\"title\":" + jsonString(s.title) + ",\"url\":" + jsonString(s.url) +
               ",\"tags\":" + jsonString(s.tags) + ",\"summary\":" + jsonString(s.summary) +
               ",\"other1\":" + jsonString(s.other1) + ",\"other2\":" + jsonString(s.other2) + "}";
    }
    return out + "\n]\n";
}

} // namespace tvx::demosite
