// Texts that break programs that splice them: quotes, back-slashes, SQL and script fragments,
// "</script>", NUL, line and paragraph separators, right-to-left marks, emoji, 100,000 characters.
// Typed into the accounts dialog they are stored exactly and deleted exactly; in a real run they reach
// the site's forms exactly (user id, password, title, address, categories, summary). That no statement
// or page script holds them in its text is fuzzed in tests/fuzz.
#include "controls/button/command.h"
#include "demosite.h"
#include "engine/formfill.h"
#include "engine/submissionengine.h"
#include "store/catalogue.h"
#include "store/programstore.h"
#include "support/eventwait.h"
#include "support/faultfigures.h"
#include "support/mainwindowstart.h"
#include "support/messagerecorder.h"
#include "support/tempstore.h"
#include "support/widgets.h"
#include "ui/dialogs/accountsdialog.h"
#include "ui/main/mainwindow.h"
#include "ui/main/urllistmodel.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <sqlite3.h>

using namespace tvx;
using test::child;

namespace {

QString q(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString u16(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

// `unit` repeated to exactly `length` UTF-16 units (a surrogate pair is never cut).
QString longText(const QString& unit, int length)
{
    QString out;
    while (out.size() < length)
        out += unit;
    out.truncate(length);
    if (out.at(out.size() - 1).isHighSurrogate())
        out[out.size() - 1] = QLatin1Char('x');
    return out;
}

// The texts every field gets. None holds CR or LF: a browser's single-line field drops them and a
// form sends a multi-line field's line ends as CR LF, whatever the program types. The long text holds
// no emoji: Chromium takes seconds to lay out a line of 100,000 characters with emoji in it, which says
// nothing about the program.
QList<QPair<QString, QString>> badTexts()
{
    return {
        {QStringLiteral("quotes"), QStringLiteral("O'Brien \"quoted\" `ticks` ''")},
        {QStringLiteral("back-slashes"), QStringLiteral("back\\slash \\\\ \\n \\u0041 \\x00 \\")},
        {QStringLiteral("SQL"), QStringLiteral("'); DROP TABLE Accounts; --")},
        {QStringLiteral("SQL or"), QStringLiteral("' OR '1'='1")},
        {QStringLiteral("script"), QStringLiteral("<script>alert(1)</script>")},
        {QStringLiteral("end of script"), QStringLiteral("</script><script>document.title='x'</script><!--")},
        {QStringLiteral("templates"), QStringLiteral("${document.cookie} {{x}} %s %n %00 &amp; +")},
        {QStringLiteral("NUL"), QString::fromLatin1("a\0b\0", 4)},
        {QStringLiteral("separators"), u16(u"line\u2028sep\u2029para\u0085next")},
        {QStringLiteral("right-to-left"), u16(u"\u202eRTL\u200f mark\u200e \u061c עברית العربية")},
        {QStringLiteral("emoji"), u16(u"😀 👍🏽 🇨🇳 👩‍👩‍👧")},
        {QStringLiteral("Chinese"), QStringLiteral("中文 汉字 テスト 한국어")},
        {QStringLiteral("blanks"), QStringLiteral("\t tab and  double  blanks ")},
        {QStringLiteral("100,000 characters"), longText(u16(u"长文本'\"\\<>\u2028 </script> \u202e"), 100000)},
    };
}

// Adds an account through the accounts dialog as the user does.
void addAccount(const QWidget& dlg, int siteRow, const QString& uid, const QString& pwd)
{
    test::enterAccount(dlg, siteRow, uid, pwd);
    child<controls::Command>(dlg, "cmdAdd")->click();
}

// Every account of the file, read back byte for byte: (ID, Uid, Pwd) in insertion order.
QList<QStringList> storedAccounts(const QString& path)
{
    QList<QStringList> out;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT ID, Uid, Pwd FROM Accounts ORDER BY rowid", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < 3; ++c)
            row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                         sqlite3_column_bytes(stmt, c)));
        out.append(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

    int m_tried = 0;
    int m_survived = 0;

private slots:
    void initTestCase() { test::resetFigures(); }
    void cleanupTestCase() { test::recordFigure(QStringLiteral("input"), m_tried, m_survived); }

    // Through the accounts dialog into the file and back: stored exactly, listed exactly, and a
    // delete takes exactly its own account, also when others differ only slightly.
    void accountsStoredExactly_data()
    {
        QTest::addColumn<QString>("text");
        for (const auto& [what, text] : badTexts())
            QTest::newRow(what.toUtf8().constData()) << text;
    }

    void accountsStoredExactly()
    {
        QFETCH(QString, text);
        ++m_tried;
        test::TempStore db(QStringLiteral("INSERT INTO BookMarkWeb(ID,WebName) VALUES(0,'甲站'),(1,'乙站');"));
        store::ProgramStore store;
        store.gcnnStore.open(db.path());
        test::MessageRecorder boxes(true);
        {
            ui::dialogs::AccountsDialog dlg(store);
            dlg.show();
            addAccount(dlg, 0, text, text + QStringLiteral("-pw"));
            addAccount(dlg, 1, text, QStringLiteral("other site"));              // the same user id on another site
            addAccount(dlg, 0, text + QLatin1Char(' '), QStringLiteral("near")); // one blank more
            QCOMPARE(boxes.count(), 0);
        }
        const QList<QStringList> stored = storedAccounts(db.path());
        QCOMPARE(stored.size(), 3);
        QCOMPARE(stored.at(0), (QStringList{QStringLiteral("0"), text, text + QStringLiteral("-pw")}));
        QCOMPARE(stored.at(1), (QStringList{QStringLiteral("1"), text, QStringLiteral("other site")}));
        QCOMPARE(stored.at(2).at(1), text + QLatin1Char(' '));

        ui::dialogs::AccountsDialog dlg(store); // a new showing reads the file
        dlg.show();
        auto* list = child<QTreeWidget>(dlg, "lvwAccounts");
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(1), text);
        // The password is never shown: one "*" per character.
        QCOMPARE(list->topLevelItem(0)->text(2),
                 QString(QString(text + QStringLiteral("-pw")).toUcs4().size(), QLatin1Char('*')));
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        child<controls::Command>(dlg, "cmdRemove")->click();
        QCOMPARE(boxes.count(), 1); // the question only
        const QList<QStringList> left = storedAccounts(db.path());
        QCOMPARE(left.size(), 2);
        QCOMPARE(left.at(0).at(0), QStringLiteral("1"));
        QCOMPARE(left.at(1).at(1), text + QLatin1Char(' '));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM BookMarkWeb")), QStringLiteral("2"));
        if (!QTest::currentTestFailed())
            ++m_survived;
    }

    // A real run: every account logs in with its user id and password exactly as stored, and every
    // bookmark's title, address, categories and summary reach the submit form exactly.
    void typedIntoPagesExactly()
    {
        QWebEngineProfile::defaultProfile()->cookieStore()->deleteAllCookies();
        demosite::DemoSite site;
        site.start();
        // By id (categories joined with ","), by name (joined with blanks), and a site that also fills
        // the summary.
        const QStringList kinds{QStringLiteral("byid"), QStringLiteral("byname"), QStringLiteral("tt365")};
        QString sql;
        for (int id = 0; id < kinds.size(); ++id)
            sql += q(demosite::siteRowSql(id, kinds.at(id).toStdString(), site.base()));
        test::TempStore db(sql);
        store::ProgramStore store;
        ui::MainWindow window(store, {db.path(), QString(),
                                      WebHosts{q(site.base()), q(site.base()) + QStringLiteral("/fb"),
                                               q(site.base()) + QStringLiteral("/fanfou")}});
        test::MessageRecorder boxes;
        QVERIFY(test::startMainWindow(window));
        // The 100,000-character bookmark fills five fields of the summary site in one step, which takes
        // several seconds on a busy machine; the run checks what arrives, not how fast, and no step of it
        // is meant to time out, so the time-out is generous.
        store.gintTimeout = 30;

        // Accounts: every bad text as user id and password on the first site; the summary site and
        // the by-name site get one account with all of them at once.
        QString all;
        for (const auto& [what, text] : badTexts())
            if (text.size() < 1000)
                all += text;
        QList<QPair<QString, QString>> accounts;
        for (const auto& [what, text] : badTexts())
            accounts.append({text, text + QStringLiteral("-pw")});
        for (const auto& [uid, pwd] : accounts)
            store.gcnnStore.execute(store::catalogue::insertAccount(0, uid, pwd));
        store.gcnnStore.execute(store::catalogue::insertAccount(1, all, all));
        store.gcnnStore.execute(store::catalogue::insertAccount(2, all, all));
        accounts.append({all, all});
        accounts.append({all, all});

        // Bookmarks: every bad text in every field, short ones together and the long one alone.
        const QString tags = QStringLiteral("标签 tag'\" </script> 😀 a\\b") + u16(u"\u2028 \u202e右");
        QList<tvx::Bookmark> bookmarks{
            {QStringLiteral("http://example.com/?q='\"\\</script>") + u16(u"\u2028&x=%00😀#片段"), all, tags, all},
            {QStringLiteral("http://example.com/") + badTexts().last().second, badTexts().last().second,
             badTexts().last().second, badTexts().last().second}};
        for (const tvx::Bookmark& b : bookmarks)
            window.urlListModel()->append(b);

        m_tried += int(accounts.size());
        window.engine().cmdAllSubmit_Click();
        QVERIFY(test::waitUntil([&] { return !window.engine().state().mblnRunning; }, 300000));
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("网摘提交完毕！")});

        const auto logins = site.logins();
        QCOMPARE(int(logins.size()), int(accounts.size()));
        const auto submissions = site.submissions();
        QCOMPARE(int(submissions.size()), int(accounts.size() * bookmarks.size()));
        for (int a = 0; a < accounts.size(); ++a) {
            QCOMPARE(q(logins.at(size_t(a)).user), accounts.at(a).first);
            QCOMPARE(q(logins.at(size_t(a)).password), accounts.at(a).second);
            const QString kind = q(logins.at(size_t(a)).site);
            for (int b = 0; b < bookmarks.size(); ++b) {
                const demosite::Submission& s = submissions.at(size_t(a * bookmarks.size() + b));
                QCOMPARE(q(s.site), kind);
                QCOMPARE(q(s.title), bookmarks.at(b).title);
                QCOMPARE(q(s.url), bookmarks.at(b).url);
                const QString separator = kind == QLatin1String("byname") ? QStringLiteral(" ") : QStringLiteral(",");
                QCOMPARE(q(s.tags), engine::forms::JoinTags(bookmarks.at(b).tags, separator));
                if (kind == QLatin1String("tt365"))
                    QCOMPARE(q(s.summary), bookmarks.at(b).summary);
            }
            if (!QTest::currentTestFailed())
                ++m_survived;
        }
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
