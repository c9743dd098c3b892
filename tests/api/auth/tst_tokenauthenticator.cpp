#include "api/auth/APIToken.h"
#include "api/auth/TokenAuthenticator.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace amplora::api;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString kToken = u"Abc-_0123456789abcdefghijklmnopqrstuvwxyzAB"_s;

HTTPRequest withAuthorization(const std::optional<QString> &value)
{
    HTTPRequest request;
    request.method = u"GET"_s;
    if (value)
        request.headers.insert(u"authorization"_s, *value);
    return request;
}

} // namespace

class TestTokenAuthenticator : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void generatedTokens()
    {
        static const QRegularExpression alphabet(u"^[A-Za-z0-9_-]{43}$"_s);
        QSet<QString> seen;
        for (int i = 0; i < 500; ++i) {
            const QString token = APIToken::generate();
            QCOMPARE(token.size(), APIToken::kLength);
            QVERIFY2(alphabet.match(token).hasMatch(), qPrintable(token));
            seen.insert(token);
        }
        QCOMPARE(seen.size(), 500);
    }

    void authorization_data()
    {
        QTest::addColumn<std::optional<QString>>("header");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("Bearer") << std::optional(u"Bearer "_s + kToken) << true;
        QTest::addRow("lower-case scheme") << std::optional(u"bearer "_s + kToken) << true;
        QTest::addRow("trailing tab and space") << std::optional(u"Bearer "_s + kToken + u"\t "_s) << true;
        QTest::addRow("leading spaces") << std::optional(u"  Bearer "_s + kToken) << true;
        QTest::addRow("no header") << std::optional<QString>() << false;
        QTest::addRow("empty header") << std::optional(QString()) << false;
        QTest::addRow("other scheme") << std::optional(u"Token "_s + kToken) << false;
        QTest::addRow("scheme without token") << std::optional(u"Bearer"_s) << false;
        QTest::addRow("tab instead of space") << std::optional(u"Bearer\t"_s + kToken) << false;
        QTest::addRow("token alone") << std::optional(kToken) << false;
        QTest::addRow("last character differs") << std::optional(u"Bearer "_s + kToken.chopped(1) + u'C') << false;
        QTest::addRow("one character longer") << std::optional(u"Bearer "_s + kToken + u'A') << false;
        QTest::addRow("one character shorter") << std::optional(u"Bearer "_s + kToken.chopped(1)) << false;
        QTest::addRow("two tokens") << std::optional(u"Bearer "_s + kToken + u' ' + kToken) << false;
        QTest::addRow("empty token") << std::optional(u"Bearer \t"_s) << false;
    }
    void authorization()
    {
        QFETCH(std::optional<QString>, header);
        QFETCH(bool, accepted);
        TokenAuthenticator authenticator;
        authenticator.setToken(kToken);
        QCOMPARE(authenticator.authenticate(withAuthorization(header)), accepted);
    }

    void noTokenRefusesEverything()
    {
        TokenAuthenticator authenticator;
        QVERIFY(!authenticator.authenticate(withAuthorization(u"Bearer "_s + kToken)));
        authenticator.setToken(QString());
        QVERIFY(!authenticator.authenticate(withAuthorization(u"Bearer "_s)));
        QVERIFY(!authenticator.authenticate(withAuthorization(u"Bearer  "_s)));
    }

    void constantTimeComparison_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<bool>("equal");
        QTest::addRow("same") << QByteArray("abc") << QByteArray("abc") << true;
        QTest::addRow("prefix") << QByteArray("abc") << QByteArray("ab") << false;
        QTest::addRow("trailing NUL") << QByteArray("ab") << QByteArray("ab\0", 3) << false;
        QTest::addRow("one bit") << QByteArray("abc") << QByteArray("abb") << false;
        QTest::addRow("high bytes") << QByteArray("\xff\x80") << QByteArray("\xff\x81") << false;
    }
    void constantTimeComparison()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(bool, equal);
        QCOMPARE(TokenAuthenticator::constantTimeEquals(a, b), equal);
        QCOMPARE(TokenAuthenticator::constantTimeEquals(b, a), equal);
    }
};

QTEST_GUILESS_MAIN(TestTokenAuthenticator)
#include "tst_tokenauthenticator.moc"
