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

        // Arguments after the program's name and environment keys, each blank-separated.
        const auto row
            = [](const char *name, const char *arguments, const char *keys, bool mock, bool readOnly, bool tests) {
                  const auto words
                      = [](const char *text) { return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts); };
                  QTest::addRow("%s", name) << QStringList { QStringLiteral("amplora") } + words(arguments)
                                            << words(keys) << mock << readOnly << tests;
              };
        row("nothing", "", "", false, false, false);
        row("mock and read-only, any order", "--read-only x --mock", "", true, true, false);
        row("flag with a value is not the flag", "--mock=1", "", false, false, false);
        row("flag in other letter case", "--MOCK --Read-Only", "", false, false, false);
        row("flag as part of another argument", "--mock-discovery-empty", "", false, false, false);
        row("bundle path alone", "", "XCTestBundlePath", false, false, true);
        row("configuration path", "", "XCTestConfigurationFilePath", false, false, true);
        row("our runner", "", "AMPLORA_TESTING", false, false, true);
        row("similar key", "", "XCTestBundle", false, false, false);
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
