// The lenient pass over receiver text: valid text untouched, each kind of broken sequence replaced, and the JSON
// around a broken byte kept intact; what the JSON library refuses outright (a number beyond a double, a lone
// surrogate escape) spoils only its own value.

#include "core/protocol/LenientJson.h"
#include "core/protocol/LenientText.h"

#include <nlohmann/json.hpp>

#include <QTest>

#include <cmath>

using namespace amplora;

namespace {

const QByteArray replacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// The document as compact JSON, with the infinities the library would print as null written as inf and -inf.
QString render(const nlohmann::json &value)
{
    if (value.is_number_float() && std::isinf(value.get<double>())) {
        return value.get<double>() > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    }
    if (value.is_array() || value.is_object()) {
        QStringList parts;
        for (auto it = value.begin(); it != value.end(); ++it) {
            const QString key
                = value.is_object() ? QString::fromStdString(nlohmann::json(it.key()).dump()) + u':' : QString();
            parts.append(key + render(it.value()));
        }
        return value.is_array() ? u'[' + parts.join(u',') + u']' : u'{' + parts.join(u',') + u'}';
    }
    return QString::fromStdString(value.dump());
}

} // namespace

class TestLenientText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repairs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");

        QTest::addRow("empty") << QByteArray() << QByteArray();
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

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome");

        QTest::addRow("number beyond a double") << QByteArray(R"({"a":1e400,"b":2})") << R"({"a":inf,"b":2})";
        QTest::addRow("below the lowest double") << QByteArray("[-1e400]") << "[-inf]";
        QTest::addRow("four hundred digits") << QByteArray("[" + QByteArray(400, '9') + "]") << "[inf]";
        QTest::addRow("largest double kept") << QByteArray("[1.7976931348623157e308]") << "[1.7976931348623157e+308]";
        QTest::addRow("just beyond the largest double") << QByteArray("[1.7976931348623159e308]") << "[inf]";
        QTest::addRow("below the smallest double is zero") << QByteArray("[1e-400]") << "[0.0]";
        // Each infinity lands on its own number, whatever numbers stand between.
        QTest::addRow("among other numbers")
            << QByteArray(R"([1,1e400,{"x":2.5,"y":-7},-1E+999,18446744073709551615,3])")
            << R"([1,inf,{"x":2.5,"y":-7},-inf,18446744073709551615,3])";
        QTest::addRow("the same digits in a string stay text")
            << QByteArray("{\"a\":\"1e400 \\\"1e400\\\"\",\"b\":1e400}") << "{\"a\":\"1e400 \\\"1e400\\\"\",\"b\":inf}";
        QTest::addRow("lone high surrogate") << QByteArray(R"(["\ud83d"])") << QStringLiteral("[\"\uFFFD\"]");
        QTest::addRow("high surrogate at the end of the text") << QByteArray("[\"a\\ud83d") << "error";
        QTest::addRow("two high surrogates, then a low one")
            << QByteArray(R"(["\ud83d\ud83d\ude00"])") << QStringLiteral("[\"\uFFFD\U0001F600\"]");
        QTest::addRow("lone surrogate in a key") << QByteArray(R"({"\ud800":1})") << QStringLiteral("{\"\uFFFD\":1}");
        QTest::addRow("escaped backslash before u is no escape")
            << QByteArray(R"(["\\ud83d",1e400])") << R"(["\\ud83d",inf])";
        QTest::addRow("pair kept beside a repair")
            << QByteArray(R"(["\ud83d\ude00","\udbff"])") << QStringLiteral("[\"\U0001F600\",\"\uFFFD\"]");
        // What is no JSON stays no JSON, and the error shows the bytes as received.
        QTest::addRow("leading zero beside an overflow") << QByteArray("[01,1e400]") << "error";
        QTest::addRow("bad escape beside an overflow") << QByteArray(R"(["\u12G4",1e400])") << "error";
        QTest::addRow("overflow, then a syntax error")
            << QByteArray(R"({"a":1e400,})") << "invalid JSON at byte 11 near '{\"a\":1e400,}'";
        QTest::addRow("bare exponent") << QByteArray("[1e]") << "invalid JSON at byte 3 near '[1e]'";
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        const auto parsed = parseLenientJson(bytes);
        const QString got = parsed ? render(parsed.value()) : parsed.error().detail();
        if (outcome == QStringLiteral("error")) {
            QVERIFY2(!parsed, qPrintable(got));
        } else {
            QCOMPARE(got, outcome);
        }
    }
};

QTEST_GUILESS_MAIN(TestLenientText)
#include "tst_lenienttext.moc"
