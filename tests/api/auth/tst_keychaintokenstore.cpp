#include "api/auth/FileTokenStore.h"
#include "api/auth/KeychainTokenStore.h"
#include "api/auth/SecretTokenStore.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/WaitFor.h"

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

// Runs in a private D-Bus session with an unlocked gnome-keyring (label keyring).
class TestKeychainTokenStore : public QObject {
    Q_OBJECT

    // A service of its own, so a developer's real token is never touched.
    KeychainTokenStore m_store { u"org.amplora.Amplora.api.test"_s, u"bearer-token"_s,
        std::chrono::milliseconds(5000) };

private Q_SLOTS:
    void init() { QVERIFY(amplora::test::waitFor(m_store.deleteToken())); }
    void cleanupTestCase()
    {
        if (!qEnvironmentVariableIsSet("AMPLORA_PRIVATE_KEYRING"))
            QVERIFY(amplora::test::waitFor(m_store.deleteToken()));
    }

    void roundTrip()
    {
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::nullopt);
        const auto saved = amplora::test::waitFor(m_store.save(u"first-token"_s));
        QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().description()));
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::optional(u"first-token"_s));
        // Saving again replaces the item in place.
        QVERIFY(amplora::test::waitFor(m_store.save(u"second-token"_s)));
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::optional(u"second-token"_s));
        // Another account of the same service is a separate item.
        KeychainTokenStore other(m_store.service(), u"other-account"_s);
        QCOMPARE(amplora::test::waitFor(other.read()).value(), std::nullopt);
        // Deleting twice is fine (init deletes a token that is already gone on the first run, too).
        QVERIFY(amplora::test::waitFor(m_store.deleteToken()));
        QVERIFY(amplora::test::waitFor(m_store.deleteToken()));
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::nullopt);
    }

    void secretStoreMovesTheFileTokenIntoTheKeyring()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"api-token"_s);
        FileTokenStore file(path);
        QVERIFY(amplora::test::waitFor(file.save(u"from-the-file"_s)));

        SecretTokenStore store(std::make_shared<KeychainTokenStore>(m_store), file);
        // The keyring is unlocked and empty: the token kept on disk while it was away moves into it.
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::optional(u"from-the-file"_s));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!store.usedFile());
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::optional(u"from-the-file"_s));

        QVERIFY(amplora::test::waitFor(store.save(u"in-the-keyring"_s)));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::optional(u"in-the-keyring"_s));
    }

    // Last: the keyring stays locked for the rest of this private session.
    void aLockedKeyringIsNotAnEmptyOne()
    {
        if (!qEnvironmentVariableIsSet("AMPLORA_PRIVATE_KEYRING"))
            QSKIP("Locks the login keyring: only in a private session (tests/support/run-under keyring)");
        QVERIFY(amplora::test::waitFor(m_store.save(u"the-token"_s)));

        QDBusMessage lock = QDBusMessage::createMethodCall(u"org.freedesktop.secrets"_s, u"/org/freedesktop/secrets"_s,
            u"org.freedesktop.Secret.Service"_s, u"Lock"_s);
        lock << QVariant::fromValue(
            QList<QDBusObjectPath> { QDBusObjectPath(u"/org/freedesktop/secrets/collection/login"_s) });
        const QDBusMessage locked = QDBusConnection::sessionBus().call(lock);
        QVERIFY2(locked.type() == QDBusMessage::ReplyMessage, qPrintable(locked.errorMessage()));

        // What QtKeychain answers for a locked keyring without a display to ask for its password.
        QCOMPARE(amplora::test::waitFor(m_store.read()).value(), std::nullopt);

        QTemporaryDir dir;
        SecretTokenStore store(
            std::make_shared<KeychainTokenStore>(m_store), FileTokenStore(dir.filePath(u"api-token"_s)));
        const auto loaded = amplora::test::waitFor(store.loadOrCreate());
        QVERIFY(!loaded);
        QCOMPARE(loaded.error().description(),
            u"Keychain error -2: The keyring that keeps the API token cannot be used: the login keyring is locked."_s);
        QVERIFY(!QFile::exists(dir.filePath(u"api-token"_s)));
    }
};

QTEST_GUILESS_MAIN(TestKeychainTokenStore)
#include "tst_keychaintokenstore.moc"
