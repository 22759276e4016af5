#include "ui/dialogs/timeoutinput.h"
#include "ui/dialogs/timeoutvalidator.h"

#include <QTest>

using namespace tvx::ui::dialogs;

namespace {
const QString kEmpty = QStringLiteral("请输入超时时限！");
const QString kZero = QStringLiteral("超时时限不能为零！");
const QString kRoundsToZero = QStringLiteral("超时时限取整后为零，请输入至少 1 秒！");
const QString kTooLarge = QStringLiteral("超时时限不能超过 32767 秒！");
} // namespace

class TestTimeoutInput : public QObject {
    Q_OBJECT
private slots:
    void acceptedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("whole") << "30" << 30;
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("leading zeros") << "00030" << 30;
        QTest::newRow("trailing point") << "7." << 7;
        QTest::newRow("half goes down to even") << "2.5" << 2;
        QTest::newRow("half goes up to even") << "3.5" << 4;
        QTest::newRow("just over a half") << "0.6" << 1;
        QTest::newRow("1.5 rounds to 2") << "1.5" << 2;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("rounds down to the largest") << "32767.4" << 32767;
        QTest::newRow("surrounding blanks") << " 45 " << 45;
    }
    void acceptedValues()
    {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        const TimeoutCheck check = checkTimeoutText(text);
        QVERIFY2(check.seconds.has_value(), qPrintable(check.message));
        QCOMPARE(int(*check.seconds), seconds);
        QVERIFY(check.message.isEmpty());
    }

    void refusedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << kEmpty;
        QTest::newRow("blanks") << "   " << kEmpty;
        QTest::newRow("only a full stop") << "." << kZero;
        QTest::newRow("zero") << "0" << kZero;
        QTest::newRow("zero with a fraction") << "0.000" << kZero;
        // The zero test comes first, as the user is told about it first.
        QTest::newRow("zero, then malformed") << "0.0.1" << kZero;
        QTest::newRow("below a half") << "0.4" << kRoundsToZero;
        QTest::newRow("exactly a half") << "0.5" << kRoundsToZero;
        QTest::newRow("one over the largest") << "32768" << kTooLarge;
        QTest::newRow("rounds up past the largest") << "32767.5" << kTooLarge;
        QTest::newRow("far too large") << "99999999999999999999999" << kTooLarge;
        QTest::newRow("400 digits") << QString(400, QLatin1Char('9')) << kTooLarge;
    }
    void refusedValues()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        const TimeoutCheck check = checkTimeoutText(text);
        QVERIFY(!check.seconds.has_value());
        QCOMPARE(check.message, message);
    }

    void malformedNumbersAreNamed()
    {
        for (const QString& text : {QStringLiteral("1.2.3"), QStringLiteral("12..")}) {
            const TimeoutCheck check = checkTimeoutText(text);
            QVERIFY(!check.seconds.has_value());
            QVERIFY2(check.message.contains(QStringLiteral("不是有效的数字")) && check.message.contains(text),
                     qPrintable(check.message));
        }
    }

    void keystrokeFilter()
    {
        for (const char* accepted : {"0", "5", "9", "."})
            QVERIFY2(isTimeoutKeyAccepted(0, QString::fromLatin1(accepted)), accepted);
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Backspace, QStringLiteral("\b")));
        for (const char* refused : {"a", "-", ",", " ", "+", "e", "\r", "\x16" /* Ctrl+V */, "\x03" /* Ctrl+C */})
            QVERIFY2(!isTimeoutKeyAccepted(0, QString::fromLatin1(refused)), refused);
        QVERIFY(!isTimeoutKeyAccepted(Qt::Key_V, QStringLiteral("\x16")));
        QVERIFY(!isTimeoutKeyAccepted(Qt::Key_3, QStringLiteral("３"))); // a full-width digit is no digit here
        // Keys that carry no character, or move the focus, confirm or close, are no input.
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Return, QStringLiteral("\r")));
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Enter, QStringLiteral("\r")));
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Left, QString()));
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Tab, QStringLiteral("\t")));
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Escape, QStringLiteral("\x1b")));
        QVERIFY(isTimeoutKeyAccepted(Qt::Key_Delete, QStringLiteral("\x7f")));
    }

    void insertedTextIsFiltered()
    {
        TimeoutValidator validator;
        QString text = QStringLiteral("1a-2,\t3.5x");
        int pos = 6; // behind "1a-2,\t"
        QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
        QCOMPARE(text, QStringLiteral("123.5"));
        QCOMPARE(pos, 2);
        text = QStringLiteral("42");
        pos = 1;
        QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
        QCOMPARE(text, QStringLiteral("42"));
        QCOMPARE(pos, 1);
    }
};

QTEST_GUILESS_MAIN(TestTimeoutInput)
#include "tst_timeoutinput.moc"
