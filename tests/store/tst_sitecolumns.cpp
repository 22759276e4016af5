// The columns of BookMarkWeb are declared once (store/sitecolumns.h); whatever else names them must
// follow: the run statement, whose text is fixed, the engine's site record and the site form. Each test
// names the column that was forgotten.
#include "engine/siterecord.h"
#include "sites/siteform.h"
#include "store/catalogue.h"
#include "store/sitecolumns.h"

#include <QSet>
#include <QTest>

using namespace tvx;
using store::ColumnKind;
using store::SiteColumn;

namespace {
QStringList columnNamesButKey()
{
    QStringList names;
    for (const SiteColumn& c : store::siteColumns())
        if (c.name != store::sitecolumn::ID)
            names.append(c.name);
    return names;
}

int expectedColumnCount(sites::FormRow::Kind kind)
{
    switch (kind) {
    case sites::FormRow::Field:
    case sites::FormRow::LoginButton:
        return 2;
    case sites::FormRow::SubmitButton:
    case sites::FormRow::FurtherField:
        return 3;
    default:
        return 1;
    }
}
} // namespace

class TestSiteColumns : public QObject {
    Q_OBJECT
private slots:
    void runStatementNamesEveryColumn()
    {
        const QString sql = store::catalogue::runQueryAllSites().sql;
        const qsizetype from = sql.indexOf(QStringLiteral(" FROM "));
        QVERIFY(sql.startsWith(QStringLiteral("SELECT ")) && from > 0);
        QSet<QString> selected;
        for (const QString& item : sql.mid(7, from - 7).split(QLatin1Char(',')))
            if (item.startsWith(QStringLiteral("A.")))
                selected.insert(item.mid(2));
        for (const QString& column : columnNamesButKey())
            QVERIFY2(selected.contains(column), qPrintable(column + QStringLiteral(" is not selected")));
        for (const QString& column : std::as_const(selected))
            QVERIFY2(store::siteColumn(column), qPrintable(column + QStringLiteral(" is no column of the table")));
        QVERIFY(sql.mid(from).contains(QStringLiteral("=A.ID"))); // the key joins the accounts
    }

    void siteRecordBindsEveryColumnOnce()
    {
        QStringList bound;
        QList<QString engine::SiteRecord::*> texts;
        for (const engine::SiteRecordBinding& b : engine::kSiteRecordBindings) {
            const QString name = b.column;
            bound.append(name);
            const SiteColumn* column = store::siteColumn(name);
            QVERIFY2(column && name != store::sitecolumn::ID,
                     qPrintable(name + QStringLiteral(" is bound but no column")));
            if (b.flag)
                QVERIFY2(column->kind == ColumnKind::Flag, qPrintable(name + QStringLiteral(" is no flag")));
            if (b.text) {
                QVERIFY2(column->kind == ColumnKind::Text, qPrintable(name + QStringLiteral(" is no text")));
                QVERIFY2(!texts.contains(b.text),
                         qPrintable(name + QStringLiteral(" reads into a field already bound")));
                texts.append(b.text);
            }
        }
        for (const QString& column : columnNamesButKey())
            QVERIFY2(bound.count(column) == 1, qPrintable(column + QStringLiteral(" is not bound exactly once")));
    }

    void formShowsEveryColumnOnce()
    {
        QStringList shown;
        QStringList firstColumns;
        for (const sites::FormRow& row : sites::formRows()) {
            const QString first = row.columns.value(0);
            firstColumns.append(first);
            QVERIFY2(!row.label.isEmpty() && !row.hint.isEmpty(),
                     qPrintable(first + QStringLiteral(": no label or hint")));
            QVERIFY2(row.columns.size() == expectedColumnCount(row.kind),
                     qPrintable(first + QStringLiteral(": wrong number of columns for its kind")));
            for (const QString& column : row.columns) {
                shown.append(column);
                const SiteColumn* c = store::siteColumn(column);
                QVERIFY2(c, qPrintable(column + QStringLiteral(" is shown but no column")));
                QVERIFY2((c->kind == ColumnKind::Flag) == (row.kind == sites::FormRow::Flag),
                         qPrintable(column + QStringLiteral(": a flag needs a check box, a text a box")));
                // Only a row's first column carries its label; one further on would be lost.
                QVERIFY2(c->label.isEmpty() == (column != first), qPrintable(column + QStringLiteral(": label")));
            }
        }
        for (const QString& column : columnNamesButKey())
            QVERIFY2(shown.count(column) == 1, qPrintable(column + QStringLiteral(" is not shown exactly once")));
        // The rows in the order the form has always shown them: the login button after the two fields.
        QCOMPARE(firstColumns,
                 QStringList({"WebName", "AllowLogin", "LoginUrl", "IsScript", "UidFieldId", "PwdFieldId",
                              "LoginButtonName", "SubmitUrl", "TitleFieldId", "UrlFieldId", "TagsFieldId", "TagsSplit",
                              "SummaryFieldId", "SubmitButtonId", "LogoutUrl", "OtherFieldID1", "OtherFieldID2"}));
    }
};

QTEST_GUILESS_MAIN(TestSiteColumns)
#include "tst_sitecolumns.moc"
