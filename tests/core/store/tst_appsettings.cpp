#include "core/store/AppSettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using amplora::AppSettings;

class TestAppSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_file = 0;
    QString m_path;

    std::unique_ptr<QSettings> store() const { return std::make_unique<QSettings>(m_path, QSettings::IniFormat); }

private Q_SLOTS:
    void init()
    {
        // A fresh file per test function.
        m_path = m_dir.filePath(QStringLiteral("settings-%1.conf").arg(++m_file));
    }

    void freshStoreGivesDefaults()
    {
        AppSettings settings(store());
        QCOMPARE(settings.host(), QString());
        QCOMPARE(settings.deviceID(), std::nullopt);
        QCOMPARE(settings.frontPanelDisplay(), false);
        QCOMPARE(settings.onScreenDisplay(), true);
        QCOMPARE(settings.maxVolumeDB(), -20.0);
    }

    void storedValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");

        QTest::addRow("cap as number") << "maxVolumeDB" << QVariant(-35.5) << QVariant(-35.5);
        QTest::addRow("cap as integer") << "maxVolumeDB" << QVariant(-40) << QVariant(-40.0);
        QTest::addRow("cap as text") << "maxVolumeDB" << QVariant(QStringLiteral("loud")) << QVariant(-20.0);
        QTest::addRow("cap as list") << "maxVolumeDB"
                                     << QVariant(QStringList { QStringLiteral("1"), QStringLiteral("2") })
                                     << QVariant(-20.0);
        QTest::addRow("cap not a number") << "maxVolumeDB" << QVariant(QStringLiteral("nan")) << QVariant(-20.0);
        QTest::addRow("display on") << "frontPanelDisplay" << QVariant(true) << QVariant(true);
        QTest::addRow("display as text") << "frontPanelDisplay" << QVariant(QStringLiteral("yes")) << QVariant(false);
        QTest::addRow("display as number") << "frontPanelDisplay" << QVariant(1) << QVariant(false);
        QTest::addRow("changes on screen off") << "onScreenDisplay" << QVariant(false) << QVariant(false);
        QTest::addRow("changes on screen off as text")
            << "onScreenDisplay" << QVariant(QStringLiteral("false")) << QVariant(false);
        QTest::addRow("changes on screen as number") << "onScreenDisplay" << QVariant(0) << QVariant(true);
        QTest::addRow("host as list") << "receiverHost"
                                      << QVariant(QStringList { QStringLiteral("a"), QStringLiteral("b") })
                                      << QVariant(QString());
        QTest::addRow("device id as list")
            << "receiverDeviceID" << QVariant(QStringList { QStringLiteral("a"), QStringLiteral("b") }) << QVariant();
    }

    void storedValues()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        store()->setValue(key, stored);

        const AppSettings settings(store());
        const QHash<QString, QVariant> read { { QStringLiteral("maxVolumeDB"), settings.maxVolumeDB() },
            { QStringLiteral("frontPanelDisplay"), settings.frontPanelDisplay() },
            { QStringLiteral("onScreenDisplay"), settings.onScreenDisplay() },
            { QStringLiteral("receiverHost"), settings.host() },
            { QStringLiteral("receiverDeviceID"), settings.deviceID() ? QVariant(*settings.deviceID()) : QVariant() } };
        QCOMPARE(read.value(key), expected);
    }

    void writesAreOnDiskAtOnce()
    {
        // Two instances on one file, as a second process would be: no restart, no sync by the caller.
        AppSettings writer(store());
        writer.setHost(QStringLiteral("receiver.local"));
        writer.setDeviceID(QStringLiteral("ABC123"));
        writer.setFrontPanelDisplay(true);
        writer.setOnScreenDisplay(false);
        writer.setMaxVolumeDB(-12.5);
        const AppSettings reader(store());
        QCOMPARE(reader.host(), QStringLiteral("receiver.local"));
        QCOMPARE(reader.deviceID(), std::optional<QString>(QStringLiteral("ABC123")));
        QCOMPARE(reader.frontPanelDisplay(), true);
        QCOMPARE(reader.onScreenDisplay(), false);
        QCOMPARE(reader.maxVolumeDB(), -12.5);
    }

    void clearingDeviceIdRemovesTheKey()
    {
        AppSettings settings(store());
        settings.setDeviceID(QStringLiteral("ABC"));
        settings.setDeviceID(std::nullopt);
        QVERIFY(!store()->contains(QStringLiteral("receiverDeviceID")));
        QCOMPARE(AppSettings(store()).deviceID(), std::nullopt);
    }

    void sameValueIsWrittenButNotAnnounced()
    {
        store()->setValue(QStringLiteral("receiverHost"), QStringLiteral("a"));
        AppSettings settings(store());
        QSignalSpy hostSpy(&settings, &AppSettings::hostChanged);
        QSignalSpy capSpy(&settings, &AppSettings::maxVolumeDBChanged);
        store()->remove(QStringLiteral("receiverHost")); // behind its back

        settings.setHost(QStringLiteral("a"));
        settings.setMaxVolumeDB(-20.0);
        QCOMPARE(hostSpy.count(), 0);
        QCOMPARE(capSpy.count(), 0);
        QCOMPARE(store()->value(QStringLiteral("receiverHost")).toString(), QStringLiteral("a"));
        QVERIFY(store()->contains(QStringLiteral("maxVolumeDB")));

        settings.setHost(QStringLiteral("b"));
        QCOMPARE(hostSpy.count(), 1);
    }

    void capThatIsNotANumberIsRefused()
    {
        AppSettings settings(store());
        settings.setMaxVolumeDB(-30.0);
        settings.setMaxVolumeDB(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(settings.maxVolumeDB(), -30.0);
        QCOMPARE(AppSettings(store()).maxVolumeDB(), -30.0);
    }

    void mockRunsUseTheirOwnFile()
    {
        QStandardPaths::setTestModeEnabled(true);
        const auto real = AppSettings::openStore(false);
        const auto mock = AppSettings::openStore(true);
        QVERIFY(real->fileName().endsWith(QLatin1String("Amplora/Amplora.conf")));
        QVERIFY(mock->fileName().endsWith(QLatin1String("Amplora/AmploraMock.conf")));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
