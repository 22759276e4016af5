#include "core/numbers.h"

#include <QTest>

using namespace tvx::numbers;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void leadingNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("complete");
        QTest::newRow("whole") << "30" << 30.0 << true;
        QTest::newRow("fraction") << "2.5" << 2.5 << true;
        QTest::newRow("blanks skipped") << " 1 2 " << 12.0 << true;
        QTest::newRow("second point stops") << "1.2.3" << 1.2 << false;
        QTest::newRow("letters stop") << "7abc" << 7.0 << false;
        QTest::newRow("only a point") << "." << 0.0 << false;
        QTest::newRow("empty") << "" << 0.0 << false;
        QTest::newRow("leading point") << ".5" << 0.5 << true;
        QTest::newRow("minus is not read") << "-5" << 0.0 << false;
    }
    void leadingNumbers()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, complete);
        const LeadingNumber n = leadingNumber(text);
        QCOMPARE(n.value, value);
        QCOMPARE(n.complete, complete);
    }

    void halvesToEven()
    {
        QCOMPARE(roundHalfEven(2.5), 2.0);
        QCOMPARE(roundHalfEven(3.5), 4.0);
        QCOMPARE(roundHalfEven(0.4), 0.0);
        QCOMPARE(roundHalfEven(0.5), 0.0);
        QCOMPARE(roundHalfEven(-2.5), -2.0);
        QCOMPARE(roundHalfEven(-3.5), -4.0);
        QCOMPARE(roundHalfEven(2.51), 3.0);
        QCOMPARE(toInt16(32767.4), std::optional<qint16>(32767));
        QCOMPARE(toInt16(32767.5), std::nullopt); // rounds to 32768
        QCOMPARE(toInt16(-32768.5), std::optional<qint16>(-32768));
        QCOMPARE(toInt16(std::numeric_limits<double>::infinity()), std::nullopt);
        QCOMPARE(toInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
