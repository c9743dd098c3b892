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
    int saves = 0;

    QCoro::Task<Result<std::optional<QString>, KeychainError>> read() override
    {
        if (readError)
            co_return Failure { *readError };
        co_return stored;
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
        // No Secret Service may answer here, whatever the machine runs: the fallback is what is tested.
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

    void fileStoreReportsWriteFailures()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FileTokenStore store(dir.filePath(u"blocker/api-token"_s)); // its folder is a file
        const auto saved = amplora::test::waitFor(store.save(u"x"_s));
        QVERIFY(!saved);
        QVERIFY2(saved.error().description().startsWith(u"Keychain error "_s), qPrintable(saved.error().description()));
        QVERIFY(saved.error().description().contains(u"blocker"_s));
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
        QStringList expected = before;
        if (saves && !expected.contains(u"api-token"_s)) {
            expected.append(u"api-token"_s);
            expected.sort();
            QCOMPARE(modeOf(dir.filePath(u"api-token"_s)), mode_t(0600));
        }
        QCOMPARE(entriesOf(dir.path()), expected);
    }

    void defaultFileIsInTheConfigFolder()
    {
        QVERIFY2(
            FileTokenStore::defaultPath().endsWith(u"/Amplora/api-token"_s), qPrintable(FileTokenStore::defaultPath()));
    }

    void withoutSecretServiceTheFileIsUsed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"api-token"_s);
        SecretTokenStore store(
            KeychainTokenStore(u"org.amplora.Amplora.api.test"_s, u"bearer-token"_s, std::chrono::milliseconds(3000)),
            FileTokenStore(path));
        const auto created = amplora::test::waitFor(store.loadOrCreate());
        QVERIFY2(created, qPrintable(created ? QString() : created.error().description()));
        QVERIFY(store.usedFile());
        QCOMPARE(created.value().size(), APIToken::kLength);
        QCOMPARE(modeOf(path), mode_t(0600));
        const auto again = amplora::test::waitFor(store.loadOrCreate());
        QCOMPARE(again.value(), created.value());
    }

    void keychainFailureTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("fallsBackToFile");
        QTest::addRow("no backend") << int(KeychainTokenStore::NoBackendAvailable) << true;
        QTest::addRow("no service on the bus") << int(KeychainTokenStore::OtherError) << true;
        QTest::addRow("not implemented") << int(KeychainTokenStore::NotImplemented) << true;
        QTest::addRow("user refused") << int(KeychainTokenStore::AccessDeniedByUser) << false;
        QTest::addRow("access denied") << int(KeychainTokenStore::AccessDenied) << false;
        QTest::addRow("no answer in time") << int(KeychainTokenStore::TimedOut) << false;
    }
    void keychainFailureTexts()
    {
        QFETCH(int, status);
        QFETCH(bool, fallsBackToFile);
        QCOMPARE(KeychainTokenStore::meansNoSecretService(KeychainError { status, u"x"_s }), fallsBackToFile);
    }
};

QTEST_GUILESS_MAIN(TestTokenStores)
#include "tst_tokenstores.moc"
