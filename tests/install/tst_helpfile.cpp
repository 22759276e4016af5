// The help file readme.html as the build places it beside the executable: it is Chinese, its pictures
// are there (drawn by the build), and it explains every window, button and message that the program's
// sources show to a user, so that a new message cannot slip in without its explanation.
#include "installtools.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

using namespace tvx::test;

namespace {

const QString kRuntimeDir = QStringLiteral(TVX_RUNTIME_DIR);
const QString kSourceDir = QStringLiteral(TVX_SOURCE_DIR);

QString sourcesOf(const QString& folder)
{
    QString all;
    QDirIterator it(kSourceDir + QStringLiteral("/src/") + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        all += readText(it.next()) + QLatin1Char('\n');
    return all;
}

QString unescapeCpp(QString text)
{
    return text.replace(QStringLiteral("\\\""), QStringLiteral("\""))
        .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
}

// The first capture of every match of `pattern` in `text`.
QStringList captures(const QString& text, const QString& pattern)
{
    QStringList found;
    QRegularExpressionMatchIterator it = QRegularExpression(pattern).globalMatch(text);
    while (it.hasNext())
        found.append(unescapeCpp(it.next().captured(1)));
    found.removeDuplicates();
    return found;
}

// The text a reader sees: tags dropped, entities resolved.
QString visibleText(const QString& html)
{
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

// A message with %1, %2... matches the help's wording with any filled-in example.
bool explains(const QString& text, const QString& message)
{
    const QStringList pieces = message.split(QRegularExpression(QStringLiteral("%\\d")));
    QStringList escaped;
    for (const QString& piece : pieces)
        escaped.append(QRegularExpression::escape(piece));
    return text.contains(QRegularExpression(escaped.join(QStringLiteral(".{1,40}?"))));
}

// A caption without its access key: "添加(&A)" reads "添加(A)" on the button.
QString shownCaption(QString caption)
{
    return caption.remove(QLatin1Char('&'));
}

} // namespace

class TestHelpFile : public QObject {
    Q_OBJECT
private:
    QString m_html;
    QString m_text;

private slots:
    void initTestCase()
    {
        m_html = readText(kRuntimeDir + QStringLiteral("/readme.html"));
        QVERIFY2(!m_html.isEmpty(), "readme.html is not beside the executable");
        m_text = visibleText(m_html);
    }

    void isChineseAndSelfContained()
    {
        QVERIFY(m_html.startsWith(QStringLiteral("<!DOCTYPE html>")));
        QVERIFY(m_html.contains(QStringLiteral("<html lang=\"zh-CN\">")));
        QVERIFY(m_html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        // Everything it shows is beside it: no picture, style or script from the network.
        QVERIFY(!m_html.contains(QRegularExpression(QStringLiteral("(src|href)=\"(https?:)?//"))));
        QVERIFY(!m_html.contains(QStringLiteral("<script")));
    }

    void picturesAreDrawnByTheBuild()
    {
        const QStringList pictures = captures(m_html, QStringLiteral("<img src=\"([^\"]+)\""));
        QVERIFY(pictures.contains(QStringLiteral("help/mainwindow.png")));
        QVERIFY(pictures.contains(QStringLiteral("help/adddialog.png")));
        for (const QString& picture : pictures) {
            const QImage image(kRuntimeDir + QLatin1Char('/') + picture);
            QVERIFY2(!image.isNull(), qPrintable(picture));
            // A picture whose size the page states is shown at that size, undistorted.
            const QRegularExpressionMatch size =
                QRegularExpression(QStringLiteral("<img src=\"%1\"[^>]*width=\"(\\d+)\" height=\"(\\d+)\"")
                                       .arg(QRegularExpression::escape(picture)))
                    .match(m_html);
            if (size.hasMatch())
                QCOMPARE(image.size(), QSize(size.captured(1).toInt(), size.captured(2).toInt()));
        }
        QCOMPARE(m_html.count(QStringLiteral("<img ")),
                 m_html.count(QRegularExpression(QStringLiteral("<img [^>]*alt=\"[^\"]+\""))));
        // High-resolution screens get each picture drawn on a screen scaled by 2: the same window at
        // twice the pixels, not a stretched copy.
        QRegularExpressionMatchIterator sets =
            QRegularExpression(QStringLiteral("<img src=\"([^\"]+)\" srcset=\"([^\" ]+) 2x\"")).globalMatch(m_html);
        int doubled = 0;
        for (; sets.hasNext(); ++doubled) {
            const QRegularExpressionMatch set = sets.next();
            const QImage one(kRuntimeDir + QLatin1Char('/') + set.captured(1));
            const QImage two(kRuntimeDir + QLatin1Char('/') + set.captured(2));
            QVERIFY2(!two.isNull(), qPrintable(set.captured(2)));
            QCOMPARE(two.size(), one.size() * 2);
            QVERIFY2(two.convertToFormat(QImage::Format_RGB32) !=
                         one.scaled(two.size()).convertToFormat(QImage::Format_RGB32),
                     qPrintable(set.captured(2)));
        }
        QCOMPARE(doubled, int(pictures.size()));
    }

    void linksWithinThePageLeadSomewhere()
    {
        for (const QString& anchor : captures(m_html, QStringLiteral("href=\"#([^\"]+)\"")))
            QVERIFY2(m_html.contains(QStringLiteral("id=\"%1\"").arg(anchor)), qPrintable(anchor));
    }

    void explainsEveryMessage()
    {
        // Sentences the program shows in message boxes end with a full-width mark.
        const QStringList messages =
            captures(sourcesOf(QString()), QStringLiteral("QStringLiteral\\(\"((?:[^\"\\\\]|\\\\.)*[！。？])\"\\)"));
        QVERIFY(messages.size() > 30);
        QStringList missing;
        for (const QString& message : messages) {
            if (!explains(m_text, message))
                missing.append(message);
        }
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("not in readme.html:\n") + missing.join(QLatin1Char('\n'))));
    }

    void explainsEveryLogLine()
    {
        // The lines a run writes: piece, site name, piece (and the address on a time-out).
        for (const char* line :
             {"正在登录 \"", "已经登录到\"", "正在向\"", "\"提交信息...", "\"提交信息完毕!", "\"时发生错误！"})
            QVERIFY2(m_text.contains(QString::fromUtf8(line)), line);
        const QString engine = sourcesOf(QStringLiteral("engine"));
        for (const QString& piece : captures(engine, QStringLiteral("log\\(QStringLiteral\\(\"([^\"]+)\"\\)")))
            QVERIFY2(m_text.contains(piece), qPrintable(piece));
    }

    void namesEveryWindowButtonAndMenuItem()
    {
        const QString ui = sourcesOf(QStringLiteral("ui"));
        QStringList captions;
        captions += captures(ui, QStringLiteral("setWindowTitle\\(QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions += captures(ui, QStringLiteral("setUpDialog\\(this, \"\\w+\", QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions += captures(ui, QStringLiteral("ommand\\((?:[^,()]+, )?\"\\w+\", QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions += captures(ui, QStringLiteral("setCaption\\(QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions += captures(ui, QStringLiteral("addAction\\(QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions += captures(ui, QStringLiteral("addEntry\\(\"\\w+\", QStringLiteral\\(\"([^\"]+)\"\\)"));
        captions +=
            captures(sourcesOf(QStringLiteral("engine")), QStringLiteral("Caption = QStringLiteral\\(\"([^\"]+)\"\\)"));
        QVERIFY(captions.size() > 25);
        for (const QString& caption : captions)
            QVERIFY2(m_text.contains(shownCaption(caption)), qPrintable(caption));
    }
};

QTEST_GUILESS_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
