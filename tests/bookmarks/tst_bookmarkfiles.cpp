// Reading and writing bookmark files: exports of real browsers and services, spreadsheets' CSV in
// their encodings, and the round trip of the program's own exports.
#include "bookmarks/bookmarkfile.h"
#include "bookmarks/delimited.h"
#include "bookmarks/importsort.h"
#include "bookmarks/netscape.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tvx;
using namespace tvx::bookmarks;
using tvx::Bookmark;

namespace {
QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(TVX_BOOKMARK_FILES "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no fixture %s", name);
    return f.readAll();
}

QStringList urls(const QList<ImportedItem>& items)
{
    QStringList out;
    for (const ImportedItem& i : items)
        out.append(i.bookmark.url);
    return out;
}
} // namespace

class TestBookmarkFiles : public QObject {
    Q_OBJECT
private slots:
    void firefoxExport()
    {
        const FileContents f = readBookmarkBytes(fixture("firefox.html"));
        QCOMPARE(f.kind, FileKind::Netscape);
        QCOMPARE(f.encoding, QStringLiteral("UTF-8"));
        QCOMPARE(urls(f.items), QStringList({"place:parent=toolbar_____&sort=12&maxResults=10",
                                             "https://support.mozilla.org/products/firefox",
                                             "https://www.mozilla.org/en-US/about/?utm_source=a&utm_medium=b",
                                             "http://news.example.cn/2024/科技.html", "https://docs.example.org/guide",
                                             "ftp://files.example.org/pub/", "javascript:alert(1)"}));
        const ImportedItem& about = f.items.at(2);
        QCOMPARE(about.bookmark.title, QStringLiteral("About Us & Mission"));
        QCOMPARE(about.bookmark.tags, QStringLiteral("mozilla open_source"));
        QCOMPARE(about.bookmark.summary, QStringLiteral("Who we are <and> what we \"do\""));
        QCOMPARE(about.folders, QStringList{"Mozilla Firefox"});
        QCOMPARE(about.line, 16);
        // The toolbar is the browser's own folder, not a category; its description is nobody's summary.
        const ImportedItem& news = f.items.at(3);
        QCOMPARE(news.bookmark.title, QStringLiteral("科技新闻 — 今日"));
        QCOMPARE(news.bookmark.tags, QStringLiteral("新闻 科技"));
        QCOMPARE(news.bookmark.summary, QString());
        QCOMPARE(news.folders, QStringList());
        const ImportedItem& guide = f.items.at(4);
        QCOMPARE(guide.folders, QStringList{"工作 资料"});
        QCOMPARE(guide.bookmark.summary, QStringLiteral("Line one\nline two"));
        QCOMPARE(f.items.at(1).bookmark.summary, QString());
        // After the folders close, links are in no folder again.
        QCOMPARE(f.items.at(5).folders, QStringList());
    }

    void chromeExportWithNestedFolders()
    {
        const FileContents f = readBookmarkBytes(fixture("chrome.html"));
        QCOMPARE(f.items.size(), 5);
        QCOMPARE(f.items.at(0).folders, QStringList());
        QCOMPARE(f.items.at(1).bookmark.url, QStringLiteral("https://news.example.com/world?id=1&lang=zh"));
        QCOMPARE(f.items.at(1).bookmark.title, QStringLiteral("世界新闻"));
        QCOMPARE(f.items.at(1).folders, QStringList{"News"});
        QCOMPARE(f.items.at(2).folders, QStringList({"News", "Deep"}));
        QCOMPARE(f.items.at(3).bookmark.title, QStringLiteral("After deep"));
        QCOMPARE(f.items.at(3).folders, QStringList{"News"});
        QCOMPARE(f.items.at(4).folders, QStringList{"Other bookmarks"});

        // Folders as categories, the same address twice in the file, one already in the list.
        const ImportOutcome o = sortImported(f.items, {addressKey(QStringLiteral("https://deep.example.com/a"))}, true);
        QCOMPARE(o.added.size(), 3);
        QCOMPARE(o.skipped, 2);
        QCOMPARE(o.added.at(1).tags, QStringLiteral("News"));
        QCOMPARE(o.added.at(2).url, QStringLiteral("https://news.example.com/after-deep"));
        QCOMPARE(sortImported(f.items, {}, false).added.at(1).tags, QString());
    }

    void shaarliExport()
    {
        const FileContents f = readBookmarkBytes(fixture("shaarli.html"));
        QCOMPARE(f.items.size(), 3);
        const Bookmark& first = f.items.at(0).bookmark;
        QCOMPARE(first.tags, QStringLiteral("doc shaarli"));
        QCOMPARE(first.summary,
                 QStringLiteral("Welcome to Shaarli!\n\nYou use it to **share** & keep links: 中文摘要 😀"));
        QCOMPARE(f.items.at(1).bookmark.title, QStringLiteral("Note: a private note"));
        QCOMPARE(f.items.at(1).bookmark.summary, QString());
        const Bookmark& third = f.items.at(2).bookmark;
        QCOMPARE(third.url, QStringLiteral("https://example.net/search?q=a&b=c&lang=zh-CN"));
        QCOMPARE(third.title, QStringLiteral("Search & results <beta>"));
        QCOMPARE(third.tags, QString());
        QCOMPARE(third.summary, QString());
    }

    void aLinkLeftOpenAndAPageOfLinks()
    {
        // A link without its end tag does not take in the entry after it.
        const FileContents open = readBookmarkBytes(
            QByteArrayLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><A HREF=\"https://d.example/\">D\n"
                              "<DD>about D\n<DT><A HREF=\"https://e.example/\">E</A>\n</DL><p>\n"));
        QCOMPARE(urls(open.items), QStringList({"https://d.example/", "https://e.example/"}));
        QCOMPARE(open.items.at(0).bookmark, (Bookmark{"https://d.example/", "D", "", "about D"}));
        QCOMPARE(open.items.at(1).bookmark.title, QStringLiteral("E"));
        // A reading list's export is a page of links without the folders' lists: HTML all the same.
        const FileContents page = readBookmarkBytes(QByteArrayLiteral(
            "\xEF\xBB\xBF<!DOCTYPE html>\n<html><body><ul>\n<li><a href=\"https://g.example/a\" tags=\"x,y\">A</a></li>\n"
            "<li><a href=\"https://g.example/b\">B</a></li>\n</ul></body></html>\n"));
        QCOMPARE(page.kind, FileKind::Netscape);
        QCOMPARE(urls(page.items), QStringList({"https://g.example/a", "https://g.example/b"}));
        QCOMPARE(page.items.at(0).bookmark.tags, QStringLiteral("x y"));
    }

    void refusalsAndSameAddresses()
    {
        const ImportOutcome o = sortImported(readBookmarkBytes(fixture("firefox.html")).items, {}, false);
        QCOMPARE(o.added.size(), 4);
        QCOMPARE(o.refused.size(), 3);
        QCOMPARE(o.refused.at(0).line, 12);
        QCOMPARE(o.refused.at(1).url, QStringLiteral("ftp://files.example.org/pub/"));
        QCOMPARE(o.refused.at(1).reason, QStringLiteral("不是 http 或 https 网址"));
        QCOMPARE(refusalReason(QStringLiteral("   ")), QStringLiteral("没有网址"));
        QCOMPARE(refusalReason(QStringLiteral("www.example.com")), QStringLiteral("不是 http 或 https 网址"));
        QCOMPARE(refusalReason(QStringLiteral("http://")), QStringLiteral("网址中没有主机名"));
        QCOMPARE(refusalReason(QStringLiteral("http://exa mple.com/")), QStringLiteral("网址格式不正确"));
        QVERIFY(refusalReason(QStringLiteral("HTTPS://例子.测试/路径?q=中")).isEmpty());
        // The same bookmark however it is written; different ones stay different.
        QCOMPARE(addressKey(QStringLiteral("HTTP://Example.COM")), addressKey(QStringLiteral("http://example.com/")));
        QCOMPARE(addressKey(QStringLiteral("http://example.com:80/a/./b")),
                 addressKey(QStringLiteral(" http://example.com/a/b ")));
        QVERIFY(addressKey(QStringLiteral("http://example.com/A")) !=
                addressKey(QStringLiteral("http://example.com/a")));
        QVERIFY(addressKey(QStringLiteral("https://example.com/")) !=
                addressKey(QStringLiteral("http://example.com/")));
    }

    void csvWithHeaderInChineseBomQuotesAndNewLines()
    {
        const FileContents f = readBookmarkBytes(fixture("header-cn-bom.csv"));
        QCOMPARE(f.kind, FileKind::Delimited);
        QCOMPARE(f.items.size(), 3);
        const ImportedItem& a = f.items.at(0);
        QCOMPARE(a.bookmark, (Bookmark{"https://a.example.com/", "A, with comma", "新闻 科技",
                                       "first line\nsecond \"quoted\" line"}));
        QCOMPARE(a.line, 2);
        QCOMPARE(f.items.at(1).bookmark, (Bookmark{"https://b.example.com/x?y=1", "B", "", ""}));
        QCOMPARE(f.items.at(1).line, 4);
        QCOMPARE(f.items.at(2).line, 6); // after a blank line
        QCOMPARE(sortImported(f.items, {}, false).refused.size(), 1);
    }

    void gb18030WithColumnsByName()
    {
        const FileContents f = readBookmarkBytes(fixture("gb18030.csv"));
        QCOMPARE(f.encoding, QStringLiteral("GB18030"));
        QCOMPARE(f.items.size(), 2);
        QCOMPARE(f.items.at(0).bookmark, (Bookmark{"http://c.example.cn/页面", "中文标题", "财经 股票", ""}));
        QCOMPARE(f.items.at(1).bookmark.title, QStringLiteral("另一个"));
    }

    void tabSeparatedUtf16FromASpreadsheet()
    {
        const FileContents f = readBookmarkBytes(fixture("excel-utf16.txt"));
        QCOMPARE(f.encoding, QStringLiteral("UTF-16"));
        QCOMPARE(f.items.size(), 1);
        QCOMPARE(f.items.at(0).bookmark, (Bookmark{"https://e.example.com/", "Tab separated", "a b", "multi\nline"}));
    }

    void columnsInOrderWithoutHeader()
    {
        // No header: address, title, categories, summary; short records and semicolons too.
        const FileContents f = readBookmarkBytes(
            QByteArrayLiteral("http://x.example/;X;a b;s\nhttp://y.example/;Y\n\"http://z.example/\";\"Z;1\"\n"));
        QCOMPARE(f.items.size(), 3);
        QCOMPARE(f.items.at(0).bookmark, (Bookmark{"http://x.example/", "X", "a b", "s"}));
        QCOMPARE(f.items.at(1).bookmark, (Bookmark{"http://y.example/", "Y", "", ""}));
        QCOMPARE(f.items.at(2).bookmark.title, QStringLiteral("Z;1"));
        // Tab-separated: the commas of a title do not split it.
        const FileContents t = readBookmarkBytes(QByteArrayLiteral("https://t.example/\t标题, 一, 二, 三\t新闻\n"));
        QCOMPARE(t.items.size(), 1);
        QCOMPARE(t.items.at(0).bookmark, (Bookmark{"https://t.example/", "标题, 一, 二, 三", "新闻", ""}));
        // Loose quoting as spreadsheets accept it; a quoted field running to the end of the file.
        const QList<delimited::Record> r = delimited::records(QStringLiteral("a\"b,\"c\"d,\"e\r\nf"), QLatin1Char(','));
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.at(0).fields, QStringList({"a\"b", "cd", "e\r\nf"}));
    }

    void roundTripThroughBothFormats()
    {
        const QList<Bookmark> list{
            {"http://a.example.com/?x=1&y=<2>", "标题 \"引号\" & 'apos'", "新闻 科技", "摘要\n第二行 <b>粗</b>"},
            {"https://b.example.com/", "", "", ""},
            {"https://c.example.com/逗号", "a, b", "one", " blanks at the ends? no: trimmed"},
            {"https://d.example.com/", "😀 emoji", "标签,内 x", "tab\there"},
        };
        QList<Bookmark> expected = list;
        expected[2].summary = QStringLiteral("blanks at the ends? no: trimmed");
        expected[3].tags = QStringLiteral("标签 内 x");
        for (const QByteArray& bytes : {netscape::write(list, 1700000000), delimited::writeCsv(list)}) {
            const FileContents f = readBookmarkBytes(bytes);
            QList<Bookmark> back;
            for (const ImportedItem& i : f.items)
                back.append(i.bookmark);
            QCOMPARE(back, expected);
        }
        const QByteArray csv = delimited::writeCsv(list);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF\xE7\xBD\x91\xE5\x9D\x80,")); // BOM, then 网址
        QVERIFY(csv.contains("\"摘要\n第二行 <b>粗</b>\"\r\n"));
    }

    void aCellASpreadsheetWouldComputeIsWrittenAsTextAndReadsBack()
    {
        const QList<Bookmark> list{
            {"https://a.example/", "=HYPERLINK(\"http://evil.example/\",\"点我\")", "", "+1 摘要"},
            {"https://b.example/", "-2", "@sum", "@SUM(A1:A9)"},
            {"https://c.example/", "'=已是文字", "", "'普通的撇号"},
            {"https://d.example/", "a=b", "", "''+两个撇号"},
        };
        const QByteArray csv = delimited::writeCsv(list);
        const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(1),
                 QStringLiteral(
                     "https://a.example/,\"'=HYPERLINK(\"\"http://evil.example/\"\",\"\"点我\"\")\",,\"'+1 摘要\""));
        QCOMPARE(lines.at(2), QStringLiteral("https://b.example/,\"'-2\",\"'@sum\",\"'@SUM(A1:A9)\""));
        QCOMPARE(lines.at(3), QStringLiteral("https://c.example/,\"''=已是文字\",,'普通的撇号"));
        QCOMPARE(lines.at(4), QStringLiteral("https://d.example/,a=b,,\"'''+两个撇号\""));
        QCOMPARE(delimited::csvRecord({QStringLiteral("\tx"), QStringLiteral("\ry")}),
                 QStringLiteral("\"'\tx\",\"'\ry\""));
        // Our own import takes the apostrophe away again: the list comes back as it was.
        QList<Bookmark> back;
        for (const ImportedItem& i : readBookmarkBytes(csv).items)
            back.append(i.bookmark);
        QCOMPARE(back, list);
    }

    void shaarliReadsOurExportWithEveryField()
    {
        // Shaarli imports a bookmark file with its own parser (Debian's php-netscape-bookmark-parser);
        // it leaves character references as they stand, so the check decodes them as HTML does.
        QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
        if (php.isEmpty())
            php = QStandardPaths::findExecutable(QStringLiteral("php8.2"));
        QVERIFY2(!php.isEmpty(), "PHP is not installed (scripts/deps.sh installs it)");
        const QList<Bookmark> list{
            {"http://a.example.com/?x=1&y=<2>", "标题 \"引号\" & 'apos'", "新闻 科技", "摘要\n第二行 <b>粗</b>"},
            {"https://b.example.com/", "", "", ""},
            {"https://c.example.com/路径", "😀 emoji", "one", "x"},
        };
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("export.html"));
        writeWholeFile(file, netscape::write(list, 1700000000));
        const QString script = QStringLiteral(
            "require '/usr/share/php/Shaarli/NetscapeBookmarkParser/autoload.php';"
            "$p = new Shaarli\\NetscapeBookmarkParser\\NetscapeBookmarkParser(false, [], '0', sys_get_temp_dir());"
            "$d = fn($s) => html_entity_decode($s, ENT_QUOTES | ENT_HTML5, 'UTF-8');"
            "$out = [];"
            "foreach ($p->parseFile($argv[1]) as $b)"
            "  $out[] = [$d($b['uri']), $d($b['title']), implode(' ', $b['tags']), $d($b['note'])];"
            "echo json_encode($out);");
        QProcess proc;
        proc.start(php, {QStringLiteral("-r"), script, file});
        QVERIFY(proc.waitForFinished(60000));
        QCOMPARE(proc.exitCode(), 0);
        const QJsonArray read = QJsonDocument::fromJson(proc.readAllStandardOutput()).array();
        QCOMPARE(read.size(), list.size());
        for (int i = 0; i < list.size(); ++i) {
            const QJsonArray b = read.at(i).toArray();
            QCOMPARE((Bookmark{b.at(0).toString(), b.at(1).toString(), b.at(2).toString(), b.at(3).toString()}),
                     list.at(i));
        }
    }

    void tenThousandRowsAndStopping()
    {
        QString csv = QStringLiteral("url,title\n");
        QString html = QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n");
        for (int i = 0; i < 10000; ++i) {
            csv += QStringLiteral("http://h%1.example.com/,第%1个\n").arg(i);
            html += QStringLiteral("<DT><A HREF=\"http://h%1.example.com/\">第%1个</A>\n<DD>说明 %1\n").arg(i);
        }
        for (const QString& text : {csv, html}) {
            const FileContents f = readBookmarkBytes(text.toUtf8());
            QCOMPARE(f.items.size(), 10000);
            QCOMPARE(f.items.last().bookmark.title, QStringLiteral("第9999个"));
            QCOMPARE(sortImported(f.items, {}, false).added.size(), 10000);
            // Stopped at the first report: fewer links, and said so.
            const FileContents stopped = readBookmarkBytes(text.toUtf8(), [](qint64, qint64) { return false; });
            QVERIFY(stopped.stopped);
            QVERIFY(stopped.items.size() < 10000);
        }
    }
};

QTEST_GUILESS_MAIN(TestBookmarkFiles)
#include "tst_bookmarkfiles.moc"
