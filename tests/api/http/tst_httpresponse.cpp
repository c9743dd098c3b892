#include "api/http/DecibelText.h"
#include "api/http/HTTPResponse.h"
#include "api/http/JSONEncoder.h"

#include <QTest>

#include "../ErrorJSON.h"

#include <limits>

using namespace amplora::api;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(amplora::api::APIError)

class TestHTTPResponse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wireForm()
    {
        HTTPResponse response { 201, { { "X-One", "1" }, { "X-Two", "2" } }, "hello", {} };
        QCOMPARE(response.serialized(),
            QByteArrayLiteral("HTTP/1.1 201 Created\r\n"
                              "X-One: 1\r\n"
                              "X-Two: 2\r\n"
                              "Content-Length: 5\r\n"
                              "Connection: close\r\n"
                              "\r\n"
                              "hello"));
        // Clients go by the number; a status without a phrase of its own still gets a well-formed status line.
        QCOMPARE((HTTPResponse { 418, {}, {}, {} }.serialized()),
            QByteArrayLiteral("HTTP/1.1 418 Status 418\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
    }

    void errorResponses_data()
    {
        QTest::addColumn<APIError>("error");
        QTest::addColumn<QByteArray>("head"); // status line and the headers before Content-Length
        QTest::addColumn<QByteArray>("body");
        const QByteArray json = "Content-Type: application/json; charset=utf-8\r\n";
        QTest::addRow("parser error") << APIError { 400, u"malformed_request"_s, u"Malformed request line."_s, {}, {},
            {} } << "HTTP/1.1 400 Bad Request\r\n" + json
                                      << amplora::test::errorJSON(400, "malformed_request", "Malformed request line.");
        QTest::addRow("every optional field, in sorted order")
            << APIError { 401, u"volume_above_cap"_s, u"Volume -19.5 dB is above the cap of -20 dB."_s, -20.0,
                   QStringList { u"HDMI 1"_s, u"Tuner"_s }, 3 }
            << "HTTP/1.1 401 Unauthorized\r\n" + json
                + "WWW-Authenticate: Bearer realm=\"Amplora\"\r\nRetry-After: 3\r\n"
            << QByteArray("{\"error\":{\"cap\":-20,\"code\":\"volume_above_cap\",\"message\":\"Volume -19.5 dB is "
                          "above the cap of -20 dB.\",\"retryAfterSeconds\":3,\"status\":401,\"validNames\":"
                          "[\"HDMI 1\",\"Tuner\"]}}");
    }
    void errorResponses()
    {
        QFETCH(APIError, error);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QCOMPARE(HTTPResponse::error(error).serialized(),
            head + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("json");
        QTest::addRow("negative zero") << -0.0 << QByteArray("0");
        QTest::addRow("shortest round trip") << 0.1 << QByteArray("0.1");
        QTest::addRow("largest exact integer") << 9007199254740992.0 << QByteArray("9007199254740992");
        QTest::addRow("beyond exact integers") << 1e20 << QByteArray("1e+20");
        QTest::addRow("tiny") << 5e-324 << QByteArray("5e-324");
    }
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, json);
        QCOMPARE(JSONEncoder::encode(JSONValue(value)), std::optional<QByteArray>(json));
    }

    void nonFiniteNumbersGiveEmptyObject_data()
    {
        QTest::addColumn<double>("value");
        QTest::addRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::addRow("infinity") << std::numeric_limits<double>::infinity();
    }
    void nonFiniteNumbersGiveEmptyObject()
    {
        QFETCH(double, value);
        const JSONValue nested(JSONValue::Object { { u"ok"_s, true }, { u"v"_s, JSONValue::Array { value } } });
        QCOMPARE(JSONEncoder::encode(nested), std::nullopt);
        const HTTPResponse response = HTTPResponse::json(200, nested);
        QCOMPARE(response.body, QByteArrayLiteral("{}"));
        QCOMPARE(response.status, 200);
    }

    void valuesAndEscapes()
    {
        const JSONValue value(JSONValue::Object {
            { u"zone"_s, "main" },
            { u"applied"_s, JSONValue::Array { "power", "input" } },
            { u"ok"_s, true },
            { u"nothing"_s, nullptr },
            { u"off"_s, false },
            { u"text"_s, QStringLiteral("q\"b\\s/\n\r\t\b\f\x01 caf\u00e9 \U0001F3B5") },
            { u"empty"_s, JSONValue::Object {} },
        });
        QCOMPARE(JSONEncoder::encode(value),
            std::optional<QByteArray>(QByteArray(
                "{\"applied\":[\"power\",\"input\"],\"empty\":{},\"nothing\":null,\"off\":false,\"ok\":true,"
                "\"text\":\"q\\\"b\\\\s/\\n\\r\\t\\b\\f\\u0001 caf\xc3\xa9 \xf0\x9f\x8e\xb5\",\"zone\":\"main\"}")));
    }

    void decibelTexts_data()
    {
        QTest::addColumn<double>("db");
        QTest::addColumn<QString>("text");
        QTest::addRow("whole") << -30.0 << u"-30"_s;
        QTest::addRow("half") << -30.5 << u"-30.5"_s;
        QTest::addRow("step") << 0.5 << u"0.5"_s;
        QTest::addRow("negative zero") << -0.0 << u"0"_s;
    }
    void decibelTexts()
    {
        QFETCH(double, db);
        QFETCH(QString, text);
        QCOMPARE(decibelText(db), text);
    }
};

QTEST_GUILESS_MAIN(TestHTTPResponse)
#include "tst_httpresponse.moc"
