#include "api/auth/APIToken.h"
#include "api/auth/FileTokenStore.h"
#include "api/auth/KeychainTokenStore.h"
#include "api/auth/SecretTokenStore.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/TableRows.h"
#include "support/WaitFor.h"

#include <sys/stat.h>

using namespace amplora;
using namespace amplora::api;
using namespace Qt::StringLiterals;

namespace {

// A store whose calls fail with a given error, and that counts what it was asked.
class FailingStore final : public APITokenStore {
public:
    std::optional<KeychainError> readError;
    std::optional<KeychainError> saveError;
    std::optional<QString> stored;
    bool hideStored = false; // reads as empty whatever is stored
    int reads = 0;
    int saves = 0;

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override
    {
        ++reads;
        if (readError)
            co_return Failure { *readError };
        if (hideStored)
            co_return std::optional<QString>();
        // A copy: clang 14 moves a member named in co_return.
        const std::optional<QString> copy = stored;
        co_return copy;
    }
    QCoro::Task<Result<Done, KeychainError>> save(QString token) override
    {
        ++saves;
        if (saveError)
            co_return Failure { *saveError };
        stored = token;
        co_return Done {};
    }
};

// The Secret Service as the store sees it: a bus or none, a keyring locked or not.
class FakeSecretService final : public SecretService {
public:
    std::optional<QString> bus; // why there is no bus, or none
    bool locked = false;

    std::optional<QString> missingBus() const override { return bus; }
    QCoro::Task<Result<Done, KeychainError>> checkUnlocked() override
    {
        if (locked)
            co_return Failure { KeychainError { KeychainTokenStore::KeyringUnavailable,
                u"The keyring that keeps the API token cannot be used: the login keyring is locked."_s } };
        co_return Done {};
    }
};

// A keyring store and file set up for one situation: "usable", "locked" (reads as empty, refuses to save, as
// gnome-keyring does without a display), "silent" (every call times out), "unprovided" (nothing on the bus
// provides the service) or "no bus".
struct Rig {
    QTemporaryDir dir;
    std::shared_ptr<FailingStore> keychain = std::make_shared<FailingStore>();
    std::shared_ptr<FakeSecretService> service = std::make_shared<FakeSecretService>();
    SecretTokenStore store;

    Rig(const QString &situation, const QString &keychainToken, const QString &fileToken)
        : store(keychain, FileTokenStore(dir.filePath(u"api-token"_s)), service)
    {
        if (!keychainToken.isEmpty())
            keychain->stored = keychainToken;
        if (!fileToken.isEmpty())
            QVERIFY(amplora::test::waitFor(FileTokenStore(dir.filePath(u"api-token"_s)).save(fileToken)));
        if (situation == u"locked"_s) {
            service->locked = true;
            keychain->hideStored = true;
            keychain->saveError
                = KeychainError { KeychainTokenStore::AccessDenied, u"Cannot create an item in a locked collection"_s };
        } else if (situation == u"silent"_s) {
            keychain->readError = keychain->saveError = KeychainError { KeychainTokenStore::TimedOut, u"no answer"_s };
        } else if (situation == u"unprovided"_s) {
            keychain->readError = keychain->saveError = KeychainError { KeychainTokenStore::OtherError,
                u"The name org.freedesktop.secrets was not provided by any .service files"_s };
        } else if (situation == u"no bus"_s) {
            service->bus = u"no session bus (test)"_s;
        }
    }

    QString fileToken() const
    {
        QFile file(dir.filePath(u"api-token"_s));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).trimmed();
    }
};

mode_t modeOf(const QString &path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

QStringList entriesOf(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

} // namespace

class TestTokenStores : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No Secret Service may answer here, whatever the machine runs.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/amplora-test-bus");
        qunsetenv("DISPLAY");
    }

    void loadOrCreatePassesFailuresOn()
    {
        FailingStore readFails;
        readFails.readError = KeychainError { 4, u"Access denied"_s };
        const auto read = amplora::test::waitFor(readFails.loadOrCreate());
        QVERIFY(!read);
        QCOMPARE(read.error().description(), u"Keychain error 4: Access denied"_s);
        QCOMPARE(readFails.saves, 0);

        FailingStore saveFails;
        saveFails.saveError = KeychainError { -25300, QString() };
        const auto saved = amplora::test::waitFor(saveFails.loadOrCreate());
        QVERIFY(!saved);
        QCOMPARE(saved.error().description(), u"Keychain error -25300: unknown"_s);
        QCOMPARE(saveFails.stored, std::nullopt);
    }

    void fileStoreIsPrivate()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"nested/Amplora/api-token"_s);
        FileTokenStore store(path);
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::nullopt);

        QVERIFY(amplora::test::waitFor(store.save(u"first"_s)));
        QCOMPARE(modeOf(path), mode_t(0600));
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::optional(u"first"_s));

        QVERIFY(amplora::test::waitFor(store.save(u"second"_s)));
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::optional(u"second"_s));
        QCOMPARE(entriesOf(QFileInfo(path).absolutePath()), QStringList { u"api-token"_s });

        // A file someone made readable to others is made private again when read.
        ::chmod(QFile::encodeName(path).constData(), 0644);
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::optional(u"second"_s));
        QCOMPARE(modeOf(path), mode_t(0600));

        QVERIFY(store.remove());
        QVERIFY(store.remove()); // already gone is fine
        QCOMPARE(amplora::test::waitFor(store.read()).value(), std::nullopt);
    }

    // The token goes through a temporary file of its own: nothing in the folder decides its name, and nothing
    // of it stays behind.
    void fileStoreTemporaryFiles_data()
    {
        QTest::addColumn<QString>("obstacle"); // made in the folder first: "dir:" or "file:" plus a name
        QTest::addColumn<bool>("saves");
        QTest::addRow("a folder where a fixed temporary name would go") << u"dir:api-token.tmp"_s << true;
        QTest::addRow("a file where a fixed temporary name would go") << u"file:api-token.tmp"_s << true;
        QTest::addRow("a folder where the token goes") << u"dir:api-token/inside"_s << false;
    }
    void fileStoreTemporaryFiles()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, saves);
        QTemporaryDir dir;
        const QString name = obstacle.section(u':', 1);
        if (obstacle.startsWith(u"dir:"_s)) {
            QVERIFY(QDir(dir.path()).mkpath(name));
        } else {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList before = entriesOf(dir.path());
        FileTokenStore store(dir.filePath(u"api-token"_s));
        const auto saved = amplora::test::waitFor(store.save(u"token"_s));
        QCOMPARE(bool(saved), saves);
        if (!saves)
            QVERIFY2(saved.error().description().startsWith(u"Keychain error "_s)
                    && saved.error().description().contains(dir.path()),
                qPrintable(saved.error().description()));
        QStringList expected = before;
        if (saves && !expected.contains(u"api-token"_s)) {
            expected.append(u"api-token"_s);
            expected.sort();
            QCOMPARE(modeOf(dir.filePath(u"api-token"_s)), mode_t(0600));
        }
        QCOMPARE(entriesOf(dir.path()), expected);
    }

    // QtKeychain answers every D-Bus failure with code 7; only a missing bus or provider sends the token to the
    // file. The texts are what QtKeychain reported on Debian 12 (dbus-daemon) and what dbus-broker answers.
    void whatMeansNoSecretService_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("noService");
        test::row("no backend", int(KeychainTokenStore::NoBackendAvailable), QString(), true);
        test::row("not implemented", int(KeychainTokenStore::NotImplemented), QString(), true);
        test::row("nothing provides it (dbus-daemon)", int(KeychainTokenStore::OtherError),
            u"The name org.freedesktop.secrets was not provided by any .service files"_s, true);
        test::row("nothing provides it (dbus-broker)", int(KeychainTokenStore::OtherError),
            u"The name is not activatable"_s, true);
        test::row("no bus, no display", int(KeychainTokenStore::OtherError),
            u"Cannot autolaunch D-Bus without X11 $DISPLAY"_s, true);
        test::row("no bus, no dbus-launch", int(KeychainTokenStore::OtherError),
            uR"(Failed to execute child process "dbus-launch" (No such file or directory))"_s, true);
        test::row("a keyring without a login collection", int(KeychainTokenStore::OtherError),
            u"Object does not exist at path “/org/freedesktop/secrets/collection/login”"_s, false);
        test::row(
            "another D-Bus error", int(KeychainTokenStore::OtherError), u"Message recipient disconnected"_s, false);
        test::row("a locked collection", int(KeychainTokenStore::AccessDenied),
            u"Cannot create an item in a locked collection"_s, false);
        test::row("user refused", int(KeychainTokenStore::AccessDeniedByUser), QString(), false);
        test::row("no answer in time", int(KeychainTokenStore::TimedOut), QString(), false);
        test::row("keyring unavailable", int(KeychainTokenStore::KeyringUnavailable), QString(), false);
    }
    void whatMeansNoSecretService()
    {
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, noService);
        QCOMPARE(KeychainTokenStore::meansNoSecretService(KeychainError { status, message }), noService);
    }

    void sessionBusAddresses_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<bool>("missing");
        test::row("not set, no bus in the runtime folder", QByteArray(), true);
        test::row("a socket path where nothing is", QByteArray("unix:path=/nonexistent/amplora-bus,guid=1"), true);
        test::row("a socket path that exists", QByteArray("unix:path=%1"), false);
        test::row("an escaped path that exists", QByteArray("unix:path=%2"), false);
        test::row("an abstract socket", QByteArray("unix:abstract=/tmp/dbus-x"), false);
        test::row("a list of addresses", QByteArray("unix:path=/nonexistent;unix:path=/also-not"), false);
    }
    void sessionBusAddresses()
    {
        QFETCH(QByteArray, address);
        QFETCH(bool, missing);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"bus socket"_s));
        address.replace("%1", QFile::encodeName(dir.filePath(u"bus socket"_s)));
        address.replace("%2", QFile::encodeName(dir.path()) + "/bus%20socket");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        if (address.isEmpty())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        const std::optional<QString> why = SessionSecretService().missingBus();
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("DBUS_SESSION_BUS_ADDRESS", previous);
        QCOMPARE(why.has_value(), missing);
    }

    // What the Secret Service answers decides where the token lives, and it never changes behind the user's
    // back. The keyring (a fake: a real one cannot be made to vanish or stick) starts as "keychain", the file as
    // "file" (empty: nothing stored).
    void secretStoreTokenCases_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("keychain");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("loaded"); // the token loadOrCreate gives, "new" for a fresh one, or the error
        QTest::addColumn<QString>("keychainAfter");
        QTest::addColumn<QString>("fileAfter");
        const QString locked = u"Keychain error -2: The keyring that keeps the API token cannot be used: "
                               "the login keyring is locked."_s;
        test::row("stored in the keyring", u"usable"_s, u"K"_s, QString(), u"K"_s, u"K"_s, QString());
        test::row("none anywhere: a new one, in the keyring", u"usable"_s, QString(), QString(), u"new"_s, u"new"_s,
            QString());
        test::row("locked keyring answers \"no such item\": nothing is made", u"locked"_s, QString(), QString(), locked,
            QString(), QString());
        test::row("locked keyring, a token in the file: kept there until it opens", u"locked"_s, QString(), u"F"_s,
            locked, QString(), u"F"_s);
        test::row("the file's token moves into the keyring", u"usable"_s, QString(), u"F"_s, u"F"_s, u"F"_s, QString());
        test::row("the file's token replaces an older one in the keyring", u"usable"_s, u"K"_s, u"F"_s, u"F"_s, u"F"_s,
            QString());
        test::row(
            "a copy of the keyring's token in the file goes", u"usable"_s, u"K"_s, u"K"_s, u"K"_s, u"K"_s, QString());
        test::row("no answer in time: nothing is made", u"silent"_s, QString(), QString(),
            u"Keychain error -1: no answer"_s, QString(), QString());
        test::row("no answer in time, a token in the file: not used", u"silent"_s, QString(), u"F"_s,
            u"Keychain error -1: no answer"_s, QString(), u"F"_s);
        test::row("nothing provides the service: the file", u"unprovided"_s, QString(), QString(), u"new"_s, QString(),
            u"new"_s);
        test::row("nothing provides the service, a token in the file", u"unprovided"_s, QString(), u"F"_s, u"F"_s,
            QString(), u"F"_s);
        test::row("no session bus: the file, the keyring not asked", u"no bus"_s, u"K"_s, QString(), u"new"_s, u"K"_s,
            u"new"_s);
    }
    void secretStoreTokenCases()
    {
        QFETCH(QString, situation);
        QFETCH(QString, keychain);
        QFETCH(QString, file);
        QFETCH(QString, loaded);
        QFETCH(QString, keychainAfter);
        QFETCH(QString, fileAfter);
        Rig rig(situation, keychain, file);

        const auto result = amplora::test::waitFor(rig.store.loadOrCreate());
        const QString token = result ? result.value() : QString();
        if (loaded == u"new"_s) {
            QVERIFY2(result, qPrintable(result ? QString() : result.error().description()));
            QCOMPARE(token.size(), APIToken::kLength);
        } else if (loaded.startsWith(u"Keychain error"_s)) {
            QVERIFY(!result);
            QCOMPARE(result.error().description(), loaded);
        } else {
            QCOMPARE(token, loaded);
        }
        const auto expected = [&](const QString &value) { return value == u"new"_s ? token : value; };
        QCOMPARE(rig.keychain->stored.value_or(QString()), expected(keychainAfter));
        QCOMPARE(rig.fileToken(), expected(fileAfter));
        QCOMPARE(rig.store.usedFile(), situation == u"unprovided"_s || situation == u"no bus"_s);
    }

    void aServiceThatGoesAwayKeepsItsToken()
    {
        Rig rig(u"usable"_s, u"K"_s, QString());
        QCOMPARE(amplora::test::waitFor(rig.store.loadOrCreate()).value(), u"K"_s);
        // Gone: the file takes the token the service held, not a new one.
        rig.service->bus = u"no session bus (test)"_s;
        QCOMPARE(amplora::test::waitFor(rig.store.loadOrCreate()).value(), u"K"_s);
        QCOMPARE(rig.fileToken(), u"K"_s);
        // Back: the keyring has it still, and the copy on disk goes.
        rig.service->bus.reset();
        QCOMPARE(amplora::test::waitFor(rig.store.loadOrCreate()).value(), u"K"_s);
        QCOMPARE(rig.fileToken(), QString());
        QCOMPARE(rig.keychain->saves, 0);
    }

    void aLockedKeyringIsReadAgainOnlyOnceUnlocked()
    {
        Rig rig(u"locked"_s, u"K"_s, QString());
        QVERIFY(!amplora::test::waitFor(rig.store.loadOrCreate()));
        QCOMPARE(rig.keychain->reads, 1);
        QVERIFY(!amplora::test::waitFor(rig.store.loadOrCreate())); // no second read, so no second prompt
        QCOMPARE(rig.keychain->reads, 1);
        rig.service->locked = false;
        rig.keychain->hideStored = false;
        QCOMPARE(amplora::test::waitFor(rig.store.loadOrCreate()).value(), u"K"_s);
        QCOMPARE(rig.keychain->saves, 0);
    }

    void savingIntoAFailingKeyringWritesNoFile()
    {
        Rig rig(u"silent"_s, QString(), QString());
        const auto saved = amplora::test::waitFor(rig.store.save(u"T"_s));
        QVERIFY(!saved);
        QCOMPARE(saved.error().status, KeychainTokenStore::TimedOut);
        QCOMPARE(rig.fileToken(), QString());

        Rig unprovided(u"unprovided"_s, QString(), QString());
        QVERIFY(amplora::test::waitFor(unprovided.store.save(u"T"_s)));
        QCOMPARE(unprovided.fileToken(), u"T"_s);
    }
};

QTEST_GUILESS_MAIN(TestTokenStores)
#include "tst_tokenstores.moc"
