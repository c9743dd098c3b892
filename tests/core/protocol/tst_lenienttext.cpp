// The lenient UTF-8 pass over receiver text: valid text untouched, each kind of broken sequence replaced, and the
// JSON around a broken byte kept intact.

#include "core/protocol/LenientText.h"

#include <QTest>

using namespace amplora;

namespace {

const QByteArray replacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

} // namespace

class TestLenientText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repairs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");

        QTest::addRow("empty") << QByteArray() << QByteArray();
        QTest::addRow("ASCII") << QByteArray(R"({"track":"Blue"})") << QByteArray(R"({"track":"Blue"})");
        QTest::addRow("two, three and four byte characters") << QByteArray(
            "Bj\xC3\xB6rk \xE2\x99\xAB \xF0\x9F\x8E\xB5") << QByteArray("Bj\xC3\xB6rk \xE2\x99\xAB \xF0\x9F\x8E\xB5");
        QTest::addRow("a replacement character that came as such") << replacement << replacement;
        QTest::addRow("lone continuation byte") << QByteArray("a\x80z") << "a" + replacement + "z";
        // One replacement per byte of a sequence cut off by the end (the decoder's way; either way the text stays).
        QTest::addRow("truncated sequence at the end") << QByteArray("ab\xE2\x82") << "ab" + replacement + replacement;
        QTest::addRow("overlong slash") << QByteArray("\xC0\xAF!") << replacement + replacement + "!";
        QTest::addRow("surrogate") << QByteArray("x\xED\xA0\x80y")
                                   << "x" + replacement + replacement + replacement + "y";
        QTest::addRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80")
                                         << replacement + replacement + replacement + replacement;
        QTest::addRow("Latin-1 byte inside a JSON string") << QByteArray("{\"track\":\"Caf\xE9\",\"artist\":\"X\"}")
                                                           << "{\"track\":\"Caf" + replacement + "\",\"artist\":\"X\"}";
    }

    void repairs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const QByteArray repaired = lenientUtf8(bytes);
        QCOMPARE(repaired.toHex(' '), expected.toHex(' '));
        // Valid text is handed back as it is, without a copy.
        if (bytes == expected && !bytes.isEmpty()) {
            QVERIFY(repaired.isSharedWith(bytes));
        }
    }
};

QTEST_GUILESS_MAIN(TestLenientText)
#include "tst_lenienttext.moc"
