// The sites with handling of their own are known by their exact display name, as data/README.md lists them.
#include "engine/sitequirks.h"

#include <QFile>
#include <QTest>

using namespace tvx::engine;

namespace {
// The names that data/README.md says select a site's own handling.
QStringList documentedNames()
{
    QFile readme(QStringLiteral(TVX_DATA_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString marker = QStringLiteral("one of: ");
    for (const QString& line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(marker);
        if (!line.startsWith(QStringLiteral("| `WebName`")) || at < 0)
            continue;
        QString list = line.mid(at + marker.size()).trimmed();
        if (list.endsWith(QLatin1Char('|')))
            list.chop(1);
        return list.trimmed().split(QStringLiteral(", "));
    }
    return {};
}
} // namespace

class TestSiteQuirks : public QObject {
    Q_OBJECT
private slots:
    void onlyTheExactNamesHaveTheirHandling()
    {
        const QStringList names = documentedNames();
        QVERIFY(!names.isEmpty());
        for (const QString& name : names) {
            QVERIFY2(!(quirksOf(name) == SiteQuirks{}), qPrintable(name));
            // A name that differs by a blank or by letter case is any other site.
            QVERIFY2(quirksOf(name + QLatin1Char(' ')) == SiteQuirks{}, qPrintable(name));
            QVERIFY2(quirksOf(QLatin1Char(' ') + name) == SiteQuirks{}, qPrintable(name));
            for (const QString& other : {name.toUpper(), name.toLower()})
                if (other != name)
                    QVERIFY2(quirksOf(other) == SiteQuirks{}, qPrintable(other));
        }
        QVERIFY(quirksOf(QString()) == SiteQuirks{});
    }
};

QTEST_GUILESS_MAIN(TestSiteQuirks)
#include "tst_sitequirks.moc"
