#include "core/store/LaunchOptions.h"

#include <QTest>

using amplora::LaunchOptions;

class TestLaunchOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flags_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environmentKeys");
        QTest::addColumn<bool>("mock");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("isRunningTests");

        const QString program = QStringLiteral("amplora");
        QTest::addRow("nothing") << QStringList { program } << QStringList {} << false << false << false;
        QTest::addRow("mock and read-only, any order")
            << QStringList { program, QStringLiteral("--read-only"), QStringLiteral("x"), QStringLiteral("--mock") }
            << QStringList {} << true << true << false;
        QTest::addRow("flag with a value is not the flag")
            << QStringList { program, QStringLiteral("--mock=1") } << QStringList {} << false << false << false;
        QTest::addRow("flag in other letter case")
            << QStringList { program, QStringLiteral("--MOCK"), QStringLiteral("--Read-Only") } << QStringList {}
            << false << false << false;
        QTest::addRow("flag as part of another argument")
            << QStringList { program, QStringLiteral("--mock-discovery-empty") } << QStringList {} << false << false
            << false;
        QTest::addRow("bundle path alone")
            << QStringList { program } << QStringList { QStringLiteral("XCTestBundlePath") } << false << false << true;
        QTest::addRow("configuration path")
            << QStringList { program } << QStringList { QStringLiteral("XCTestConfigurationFilePath") } << false
            << false << true;
        QTest::addRow("our runner") << QStringList { program } << QStringList { QStringLiteral("AMPLORA_TESTING") }
                                    << false << false << true;
        QTest::addRow("similar key") << QStringList { program } << QStringList { QStringLiteral("XCTestBundle") }
                                     << false << false << false;
    }

    void flags()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environmentKeys);
        QProcessEnvironment environment;
        for (const QString &key : environmentKeys) {
            environment.insert(key, QString()); // the value is never looked at
        }
        const LaunchOptions options = LaunchOptions::fromProcess(arguments, environment);
        QTEST(options.mock, "mock");
        QTEST(options.readOnly, "readOnly");
        QTEST(options.isRunningTests, "isRunningTests");
    }

    void currentSeesOurRunner()
    {
        // CTest runs every test with AMPLORA_TESTING set.
        QVERIFY(LaunchOptions::current().isRunningTests);
    }
};

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "tst_launchoptions.moc"
