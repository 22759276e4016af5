// How forms are found, filled and pressed, and how a page step is written for the page.
#include "engine/formfill.h"
#include "engine/pagescripts.h"
#include "engine/pagestep.h"
#include "engine/sitequirks.h"

#include <QTest>

using namespace tvx::engine;
using tvx::Bookmark;

namespace {
SiteRecord baseSite()
{
    SiteRecord s;
    s.WebName = QStringLiteral("A");
    s.Uid = QStringLiteral("user");
    s.Pwd = QStringLiteral("secret");
    s.UidFieldName = QStringLiteral("u");
    s.PwdFieldId = QStringLiteral("p");
    return s;
}
Bookmark bookmark()
{
    return {QStringLiteral("http://x/"), QStringLiteral("Title"), QStringLiteral("a b"), QStringLiteral("sum")};
}
} // namespace

class TestFormFill : public QObject {
    Q_OBJECT
private slots:
    void joinTags()
    {
        QCOMPARE(forms::JoinTags(QString(), QStringLiteral(",")), QString());
        QCOMPARE(forms::JoinTags(QStringLiteral("news web tools"), QStringLiteral(",")), QStringLiteral("news,web,tools"));
        QCOMPARE(forms::JoinTags(QStringLiteral("a b"), QStringLiteral(", ")), QStringLiteral("a, b"));
        QCOMPARE(forms::JoinTags(QStringLiteral("a  b"), QStringLiteral(",")), QStringLiteral("a,,b"));
        QCOMPARE(forms::JoinTags(QStringLiteral(" a"), QStringLiteral(";")), QStringLiteral(";a"));
        QCOMPARE(forms::JoinTags(QStringLiteral("新闻 科技"), QStringLiteral("|")), QStringLiteral("新闻|科技"));
    }

    void loginRules()
    {
        SiteRecord s = baseSite();
        s.UidFieldId = QStringLiteral(" "); // blanks are not empty: looked up as an id, the name is not tried
        QList<PageOp> ops;
        forms::FillLoginFields(ops, s);
        QCOMPARE(ops.at(0), (PageOp{PageOp::FillIfPresent, {ElementLookup::Id, QStringLiteral(" ")}, QStringLiteral("user")}));
        QCOMPARE(ops.at(1), (PageOp{PageOp::FillIfPresent, {ElementLookup::Id, QStringLiteral("p")}, QStringLiteral("secret")}));

        s.LoginButtonName = QStringLiteral("go");
        ops.clear();
        forms::Press p = forms::PressLoginButton(ops, s, quirksOf(s.WebName));
        QCOMPARE(ops.at(0), (PageOp{PageOp::Click, {ElementLookup::Name, QStringLiteral("go")}}));
        QVERIFY(!p.byScan);
        QCOMPARE(p.count(StepResult{}), 1); // attempted counts as pressed, even when nothing answered

        s.WebName = QStringLiteral("Poco网摘");
        ops.clear();
        forms::PressLoginButton(ops, s, quirksOf(s.WebName));
        QCOMPARE(ops.at(0).kind, PageOp::SubmitForm);
        QCOMPARE(ops.at(0).target.key, QStringLiteral("go"));

        s.WebName = QStringLiteral("天极网摘");
        ops.clear();
        forms::PressLoginButton(ops, s, quirksOf(s.WebName));
        QCOMPARE(ops.at(0), (PageOp{PageOp::SubmitForm, {ElementLookup::Name, QStringLiteral("login_form")}}));

        s.WebName = QStringLiteral("A");
        s.LoginButtonName.clear();
        s.LoginButtonValue = QStringLiteral(" 登录 ");
        ops.clear();
        p = forms::PressLoginButton(ops, s, quirksOf(s.WebName), true);
        QCOMPARE(ops.at(0).kind, PageOp::ClickFirstInputByTrimmedValue);
        QCOMPARE(ops.at(0).value, QStringLiteral("登录"));
        QVERIFY(ops.at(0).endIfPressed);
        StepResult none;
        none.outcomes = {0};
        QCOMPARE(p.count(none), 0);
    }

    void submitRules()
    {
        SiteRecord s = baseSite();
        s.TitleFieldId = QStringLiteral("t");
        s.UrlFieldName = QStringLiteral("u");
        s.TagsFieldId = QStringLiteral("g");
        s.SummaryFieldId = QStringLiteral("s");
        s.OtherFieldID1 = QStringLiteral("o1");
        s.OtherFieldValue1 = QStringLiteral("True"); // not a check-box value: written as text
        s.OtherFieldName2 = QStringLiteral("o2");
        s.OtherFieldValue2 = QStringLiteral("false");
        QList<PageOp> ops;
        forms::FillSubmitFields(ops, s, quirksOf(s.WebName), bookmark());
        QCOMPARE(ops.size(), 5); // no summary for a site outside the summary list
        QCOMPARE(ops.at(0), (PageOp{PageOp::SetValue, {ElementLookup::Id, QStringLiteral("t")}, QStringLiteral("Title")}));
        QCOMPARE(ops.at(1), (PageOp{PageOp::SetValue, {ElementLookup::Name, QStringLiteral("u")}, QStringLiteral("http://x/")}));
        QCOMPARE(ops.at(2).value, QStringLiteral("a b")); // empty separator: one blank
        QCOMPARE(ops.at(3), (PageOp{PageOp::SetValue, {ElementLookup::Id, QStringLiteral("o1")}, QStringLiteral("True")}));
        QCOMPARE(ops.at(4), (PageOp{PageOp::SetChecked, {ElementLookup::Name, QStringLiteral("o2")}, {}, false}));

        s.TagsSplit = QStringLiteral(",");
        for (const char* name : {"365天天网摘", "Poco网摘", "博拉网"}) {
            s.WebName = QString::fromUtf8(name);
            ops.clear();
            Bookmark b = bookmark();
            b.summary = QStringLiteral("   ");
            forms::FillSubmitFields(ops, s, quirksOf(s.WebName), b);
            QCOMPARE(ops.at(2).value, QStringLiteral("a,b"));
            QCOMPARE(ops.at(3), (PageOp{PageOp::SetValue, {ElementLookup::Id, QStringLiteral("s")}, QStringLiteral("Title")}));
            b.summary = QStringLiteral(" kept as typed ");
            ops.clear();
            forms::FillSubmitFields(ops, s, quirksOf(s.WebName), b);
            QCOMPARE(ops.at(3).value, QStringLiteral(" kept as typed "));
        }

        SiteRecord bare;
        ops.clear();
        forms::FillSubmitFields(ops, bare, quirksOf(bare.WebName), bookmark());
        QVERIFY(ops.isEmpty()); // no column set: nothing is filled

        s.SubmitButtonId = QStringLiteral("post");
        s.SubmitButtonName = QStringLiteral("ignored");
        ops.clear();
        forms::Press p = forms::PressSubmitButton(ops, s);
        QCOMPARE(ops.at(0), (PageOp{PageOp::Click, {ElementLookup::Id, QStringLiteral("post")}}));
        s.SubmitButtonId.clear();
        ops.clear();
        forms::PressSubmitButton(ops, s);
        QCOMPARE(ops.at(0), (PageOp{PageOp::Click, {ElementLookup::Name, QStringLiteral("ignored")}}));
        s.SubmitButtonName.clear();
        s.SubmitButtonValue = QStringLiteral("Submit");
        ops.clear();
        p = forms::PressSubmitButton(ops, s);
        QCOMPARE(ops.at(0), (PageOp{PageOp::ClickInputsByValueIgnoringCase, {}, QStringLiteral("Submit")}));
        StepResult two;
        two.outcomes = {2};
        QCOMPARE(p.count(two), 2);
    }

    void valuesAreEncodedAsData()
    {
        static const char16_t raw[] = u"\"'\\</script>\u2028\u2029\u0000\u202e😀中\n";
        const QString hostile = QString::fromUtf16(raw, std::size(raw) - 1);
        QVERIFY(hostile.contains(QChar(0)));
        const QString literal = jsonString(hostile);
        for (const QChar c : literal)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7f, "the script text is pure ASCII");
        QVERIFY(!literal.contains(QLatin1String("</script>")));
        QVERIFY(literal.startsWith(QStringLiteral("\"\\\"'\\\\\\u003c")));
        QVERIFY(literal.contains(QLatin1String("\\u2028\\u2029\\u0000\\u202e\\ud83d\\ude00\\u4e2d\\u000a")));

        PageStep step;
        step.presence = ElementLookup{ElementLookup::Name, QStringLiteral("u")};
        step.ops.append(PageOp{PageOp::SetValue, {ElementLookup::Id, hostile}, hostile});
        const QString script = encodePageStep(step);
        QVERIFY(script.endsWith(
            QStringLiteral("\"otherwise\":[],\"probe\":false,\"deadline\":0,\"formSubmitEvent\":\"\","
                           "\"awaitElements\":false,\"answer\":\"\",\"requestEvent\":\"\",\"settleMs\":500,"
                           "\"pressAnswer\":\"\",\"answerGraceMs\":100})")));
        // The page's guard: the deadline as a number, the announcing events and the answer line as data.
        QVERIFY(encodePageStep(step, {1700000000123, hostile, hostile, hostile, hostile})
                    .endsWith(QStringLiteral("\"deadline\":1700000000123,\"formSubmitEvent\":") + literal +
                              QStringLiteral(",\"awaitElements\":false,\"answer\":") + literal +
                              QStringLiteral(",\"requestEvent\":") + literal + QStringLiteral(",\"settleMs\":500,") +
                              QStringLiteral("\"pressAnswer\":") + literal + QStringLiteral(",\"answerGraceMs\":100})")));
        QVERIFY(script.contains(QStringLiteral("{\"presence\":{\"by\":\"name\",\"key\":\"u\"},\"ops\":[{\"kind\":"
                                               "\"setValue\",\"by\":\"id\",\"key\":") +
                                literal + QStringLiteral(",\"value\":") + literal +
                                QStringLiteral(",\"checked\":false,\"endIfPressed\":false}]")));
    }

    // The two dialog-disarming scripts go into pages exactly as written, to the last blank: not even a
    // line end after them.
    void dialogDisarmingScriptsAreExact()
    {
        QCOMPARE(pagescripts::disarmShowModalDialog(), QStringLiteral("function   showModalDialog(){return;}"));
        QCOMPARE(pagescripts::disarmAlert(), QStringLiteral("function   alert(){return;}"));
    }

    void readingResults()
    {
        QVERIFY(!decodeStepResult(QVariant()).delivered);
        QVERIFY(!decodeStepResult(QStringLiteral("x")).delivered);
        QVERIFY(!decodeStepResult(QVariantMap{{QStringLiteral("present"), true}}).delivered);
        const StepResult r = decodeStepResult(QVariantMap{{QStringLiteral("present"), false},
                                                          {QStringLiteral("failed"), true},
                                                          {QStringLiteral("outcomes"), QVariantList{1, 0, 2.0}},
                                                          {QStringLiteral("href"), QStringLiteral("http://x/out")}});
        QVERIFY(r.delivered && !r.present && r.failed && r.hrefFound);
        QCOMPARE(r.outcomes, QList<int>({1, 0, 2}));
        QCOMPARE(r.href, QStringLiteral("http://x/out"));
        QCOMPARE(r.outcome(7), 0);
        const StepResult noLink = decodeStepResult(QVariantMap{{QStringLiteral("present"), true},
                                                               {QStringLiteral("outcomes"), QVariantList{}},
                                                               {QStringLiteral("href"), QVariant()}});
        QVERIFY(noLink.delivered && !noLink.hrefFound && !noLink.navigating);
        QVERIFY(decodeStepResult(QVariantMap{{QStringLiteral("present"), true},
                                             {QStringLiteral("outcomes"), QVariantList{1}},
                                             {QStringLiteral("navigating"), true}})
                    .navigating);
        // A step that came too late and did nothing is no answer.
        QVERIFY(!decodeStepResult(QVariantMap{{QStringLiteral("late"), true}}).delivered);
    }
};

QTEST_GUILESS_MAIN(TestFormFill)
#include "tst_formfill.moc"
