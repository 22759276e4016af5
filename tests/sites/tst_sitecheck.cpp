// The site check (试运行) in the site definitions window, through real Qt WebEngine and the
// demonstration site: a good definition finds every field, by the way the definition names it; a
// broken one names what it cannot find; neither submits a bookmark, and both log out.
#include "controls/button/command.h"
#include "demosite.h"
#include "platform/programfont.h"
#include "sites/sitestore.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/messagerecorder.h"
#include "support/showntext.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/sites/sitedefinitionsdialog.h"

#include <QTest>
#include <QTreeWidget>

using namespace tvx;
using test::child;

namespace {
QString q(const std::string& s)
{
    return QString::fromStdString(s);
}
} // namespace

class TestSiteCheck : public QObject {
    Q_OBJECT

    demosite::DemoSite m_site;
    std::unique_ptr<test::TempStore> m_db;
    store::ProgramStore m_store;
    qint64 m_broken = -1;
    // The lookups of the last check, as their tool tips show them.
    QStringList m_lookupTips;
    // Texts of the last check's report that it does not show whole at the window's default size (the
    // test's screen is a laptop's, 1366 × 768), cut or beside the view.
    QStringList m_cut;

    // Runs the check of site `id` in a fresh window; the result rows as "item|result", and whether each
    // was marked good.
    QMap<QString, QPair<QString, bool>> check(qint64 id)
    {
        ui::SiteDefinitionsDialog dlg(m_store);
        dlg.show();
        QMap<QString, QPair<QString, bool>> rows;
        if (!dlg.selectSite(id))
            return rows;
        auto* button = child<controls::Command>(dlg, "checkButton");
        button->click();
        if (!test::waitUntil([&] { return button->caption() == QStringLiteral("试运行(&T)"); }, 60000))
            return rows;
        auto* list = child<QTreeWidget>(dlg, "checkResults");
        m_lookupTips.clear();
        m_cut = test::cutTexts(*list);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = list->topLevelItem(i);
            rows.insert(row->text(0) + QLatin1Char('/') + row->text(1),
                        {row->text(3), row->data(0, Qt::UserRole).toBool()});
            m_lookupTips.append(test::shownText(row->toolTip(2)));
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        platform::applyProgramFont(*qApp);
        m_site.start();
        m_db = std::make_unique<test::TempStore>(
            q(demosite::siteRowSql(0, "byid", m_site.base())) + q(demosite::siteRowSql(1, "byvalue", m_site.base())) +
            QStringLiteral("INSERT INTO Accounts VALUES(0,'checker','pw0'),(1,'valuer','pw1');"));
        m_store.gcnnStore.open(m_db->path());
        m_store.gintTimeout = 10;
        // A definition of the first site with a mistyped title field and a submit button that is not there.
        sites::SiteStore sites(m_store.gcnnStore);
        sites::SiteDefinition broken = sites.read(0);
        broken.id = -1;
        broken.set(QStringLiteral("WebName"), QStringLiteral("有错的定义"));
        broken.set(QStringLiteral("TitleFieldId"), QStringLiteral("f_titel"));
        broken.set(QStringLiteral("SubmitButtonId"), {});
        broken.set(QStringLiteral("SubmitButtonName"), QStringLiteral("send"));
        // An id as a page could give it, which looks like markup.
        broken.set(QStringLiteral("TagsFieldId"), test::markupLikeText());
        m_broken = sites.save(broken);
        m_db->exec(QStringLiteral("INSERT INTO Accounts VALUES(%1,'broken','pw2');").arg(m_broken));
    }

    void aGoodDefinitionFindsEveryField()
    {
        m_site.clearRecords();
        test::MessageRecorder messages;
        const auto rows = check(0);
        QVERIFY(rows.size() >= 10);
        QCOMPARE(m_cut, QStringList()); // every text of the report whole at the default size
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            QVERIFY2(it.value().second, qPrintable(it.key() + QLatin1Char(' ') + it.value().first));
        QVERIFY(rows.value(QStringLiteral("登录页/用户名框")).first.startsWith(QStringLiteral("按编号找到")));
        QVERIFY(rows.value(QStringLiteral("登录页/用户名框")).first.contains(QStringLiteral("f_uid")));
        QVERIFY(rows.value(QStringLiteral("登录页/登录按钮")).first.startsWith(QStringLiteral("按名称找到")));
        QVERIFY(rows.value(QStringLiteral("提交页/网址框")).first.contains(QStringLiteral("f_url")));
        QVERIFY(rows.value(QStringLiteral("提交页/提交按钮")).first.startsWith(QStringLiteral("按编号找到")));
        QVERIFY(rows.contains(QStringLiteral("退出页/页面")));
        // Logged in with the account and out again; nothing submitted.
        QCOMPARE(m_site.logins().size(), size_t(1));
        QCOMPARE(m_site.logins().front().user, std::string("checker"));
        QCOMPARE(m_site.logins().front().password, std::string("pw0"));
        QVERIFY(m_site.submissions().empty());
        QCOMPARE(m_site.logouts(), std::vector<std::string>{"byid/checker"});
        QCOMPARE(messages.count(), 0);
    }

    void buttonsFoundByTheirText()
    {
        m_site.clearRecords();
        const auto rows = check(1);
        QVERIFY(rows.value(QStringLiteral("登录页/登录按钮")).first.startsWith(QStringLiteral("按按钮文字找到")));
        QVERIFY(rows.value(QStringLiteral("提交页/提交按钮")).first.startsWith(QStringLiteral("按按钮文字找到")));
        QVERIFY(rows.value(QStringLiteral("提交页/提交按钮")).second);
        QVERIFY(m_site.submissions().empty());
    }

    void aBrokenDefinitionNamesWhatIsMissing()
    {
        m_site.clearRecords();
        const auto rows = check(m_broken);
        QCOMPARE(m_cut, QStringList());
        QCOMPARE(rows.value(QStringLiteral("提交页/标题框")), qMakePair(QStringLiteral("没有找到"), false));
        QCOMPARE(rows.value(QStringLiteral("提交页/提交按钮")), qMakePair(QStringLiteral("没有找到"), false));
        QVERIFY(rows.value(QStringLiteral("提交页/网址框")).second);
        QVERIFY(rows.value(QStringLiteral("登录页/密码框")).second);
        QVERIFY2(m_lookupTips.filter(test::markupLikeText()).size() == 1, qPrintable(m_lookupTips.join(u'|')));
        QVERIFY(m_site.submissions().empty());
        QCOMPARE(m_site.logouts(), std::vector<std::string>{"byid/broken"});
    }

    void cleanupTestCase() { m_site.stop(); }
};

QTEST_MAIN(TestSiteCheck)
#include "tst_sitecheck.moc"
