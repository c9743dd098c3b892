#include "api/http/JSONBody.h"

#include <QTest>

using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

const QStringList kVolumeKeys { u"db"_s, u"step"_s };

JSONObject object(const QByteArray &body, const QStringList &allowed)
{
    auto parsed = jsonObject(body, allowed);
    if (!parsed)
        qFatal("body did not parse: %s", qPrintable(parsed.error().message));
    return parsed.value();
}

} // namespace

class TestJSONBody : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusedBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        const QString notJSON = u"The body is not valid JSON."_s;
        const QString notObject = u"The body must be a JSON object."_s;
        QTest::addRow("empty") << QByteArray() << u"missing_body"_s << u"A JSON object body is required."_s;
        QTest::addRow("whitespace only") << QByteArray(" \n") << u"invalid_json"_s << notJSON;
        QTest::addRow("truncated") << QByteArray("{\"db\": -3") << u"invalid_json"_s << notJSON;
        QTest::addRow("trailing garbage") << QByteArray("{} x") << u"invalid_json"_s << notJSON;
        QTest::addRow("invalid UTF-8 in a string") << QByteArray("{\"db\": \"\xff\"}") << u"invalid_json"_s << notJSON;
        QTest::addRow("NUL byte") << QByteArray("{\0}", 3) << u"invalid_json"_s << notJSON;
        QTest::addRow("array") << QByteArray("[]") << u"invalid_json"_s << notObject;
        QTest::addRow("fragment number") << QByteArray("42") << u"invalid_json"_s << notObject;
        QTest::addRow("unknown keys listed sorted")
            << QByteArray("{\"foo\":1,\"bar\":2,\"db\":3}") << u"unknown_field"_s
            << u"Unknown field(s): bar, foo. Allowed: db, step."_s;
    }
    void refusedBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, code);
        QFETCH(QString, message);
        const auto result = jsonObject(body, { u"step"_s, u"db"_s });
        QVERIFY(!result);
        QCOMPARE(result.error().status, 400);
        QCOMPARE(result.error().code, code);
        QCOMPARE(result.error().message, message);
    }

    void deeplyNestedBodyIsHandled()
    {
        const QByteArray deep = "{\"db\":" + QByteArray(30000, '[') + QByteArray(30000, ']') + "}";
        const JSONObject parsed = object(deep, kVolumeKeys);
        const auto db = numberField(parsed, u"db"_s);
        QVERIFY(!db);
        QCOMPARE(db.error().message, u"\"db\" must be a number."_s);
    }

    void booleans_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("expected"); // -1 absent, 0 false, 1 true, 2 refused
        QTest::addRow("true") << QByteArray("{\"mute\": true}") << 1;
        QTest::addRow("false") << QByteArray("{\"mute\": false}") << 0;
        QTest::addRow("missing") << QByteArray("{}") << -1;
        QTest::addRow("null") << QByteArray("{\"mute\": null}") << -1;
        QTest::addRow("number 1") << QByteArray("{\"mute\": 1}") << 2;
        QTest::addRow("string") << QByteArray("{\"mute\": \"true\"}") << 2;
    }
    void booleans()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, expected);
        const auto value = boolField(object(body, { u"mute"_s }), u"mute"_s);
        if (expected == 2) {
            QVERIFY(!value);
            QCOMPARE(value.error().code, u"invalid_type"_s);
            QCOMPARE(value.error().message, u"\"mute\" must be true or false."_s);
            return;
        }
        QVERIFY(value);
        QCOMPARE(value.value().has_value(), expected != -1);
        if (expected != -1)
            QCOMPARE(*value.value(), expected == 1);
    }

    void strings_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // the value, "<absent>", or the error message
        QTest::addColumn<QString>("code");
        QTest::addRow("plain") << QByteArray("{\"input\": \"HDMI 1\"}") << u"HDMI 1"_s << QString();
        QTest::addRow("trimmed") << QByteArray("{\"input\": \" \\n\\tTuner \\n\"}") << u"Tuner"_s << QString();
        QTest::addRow("unicode") << QByteArray("{\"input\": \"Caf\\u00e9\"}") << u"Caf\u00e9"_s << QString();
        QTest::addRow("missing") << QByteArray("{}") << u"<absent>"_s << QString();
        QTest::addRow("null") << QByteArray("{\"input\": null}") << u"<absent>"_s << QString();
        QTest::addRow("blank") << QByteArray("{\"input\": \"  \"}") << u"\"input\" must not be empty."_s
                               << u"invalid_value"_s;
        QTest::addRow("number") << QByteArray("{\"input\": 1}") << u"\"input\" must be a string."_s
                                << u"invalid_type"_s;
    }
    void strings()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QFETCH(QString, code);
        const auto value = stringField(object(body, { u"input"_s }), u"input"_s);
        if (!code.isEmpty()) {
            QVERIFY(!value);
            QCOMPARE(value.error().code, code);
            QCOMPARE(value.error().message, expected);
            return;
        }
        QVERIFY(value);
        QCOMPARE(value.value().value_or(u"<absent>"_s), expected);
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");
        QTest::addRow("integer") << QByteArray("{\"db\": -30}") << true << -30.0;
        QTest::addRow("fraction") << QByteArray("{\"db\": -30.5}") << true << -30.5;
        QTest::addRow("exponent") << QByteArray("{\"db\": -3.05e1}") << true << -30.5;
        QTest::addRow("large unsigned") << QByteArray("{\"db\": 18446744073709551615}") << true
                                        << 18446744073709551615.0;
        QTest::addRow("overflowing exponent") << QByteArray("{\"db\": 1e999}") << false << 0.0;
        QTest::addRow("boolean") << QByteArray("{\"db\": true}") << false << 0.0;
        QTest::addRow("string") << QByteArray("{\"db\": \"-30\"}") << false << 0.0;
    }
    void numbers()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        auto parsed = jsonObject(body, kVolumeKeys);
        if (!parsed) { // a number JSON cannot hold may already fail to parse
            QVERIFY(!accepted);
            QCOMPARE(parsed.error().message, u"The body is not valid JSON."_s);
            return;
        }
        const auto value = numberField(parsed.value(), u"db"_s);
        QCOMPARE(bool(value), accepted);
        if (accepted)
            QCOMPARE(*value.value(), expected);
        else
            QCOMPARE(value.error().message, u"\"db\" must be a number."_s);
    }
};

QTEST_GUILESS_MAIN(TestJSONBody)
#include "tst_jsonbody.moc"
