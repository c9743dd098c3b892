#include "api/auth/KeychainTokenStore.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include "support/WaitFor.h"

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

// A session bus that accepts connections and never answers, like a Secret Service stuck behind a password
// prompt: every keychain call must give up on its own time-out with a clear error. (That a time-out writes no
// file instead is the secret store's rule, in tst_tokenstores.)
class TestKeychainTimeout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QLocalServer m_silentBus;
    QList<QLocalSocket *> m_clients;

private Q_SLOTS:
    void initTestCase()
    {
        const QString path = m_dir.filePath(u"bus"_s);
        QVERIFY(m_silentBus.listen(path));
        connect(&m_silentBus, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *client = m_silentBus.nextPendingConnection())
                m_clients.append(client); // kept open, never answered
        });
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(path));
        qunsetenv("DISPLAY");
    }

    void callsGiveUpInTime()
    {
        KeychainTokenStore store(u"org.amplora.Amplora.api.test"_s, u"bearer-token"_s, std::chrono::milliseconds(300));
        const auto read = amplora::test::waitFor(store.read());
        QVERIFY(!read);
        QCOMPARE(read.error().status, KeychainTokenStore::TimedOut);
        QCOMPARE(read.error().description(),
            u"Keychain error -1: The Secret Service did not answer within 0.3 s (is the keyring locked?)."_s);
        const auto saved = amplora::test::waitFor(store.save(u"x"_s));
        QVERIFY(!saved);
        QCOMPARE(saved.error().status, KeychainTokenStore::TimedOut);
    }
};

QTEST_GUILESS_MAIN(TestKeychainTimeout)
#include "tst_keychaintimeout.moc"
