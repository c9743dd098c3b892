// The store against the in-process fake receiver over real loopback sockets: HTTP for requests and real UDP
// datagrams for push events.

#include "core/protocol/YXCClient.h"
#include "core/store/AppSettings.h"
#include "core/store/ReceiverStore.h"
#include "qml/DisplayText.h"
#include "support/FakeReceiver.h"
#include "support/Fixtures.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace amplora;
using namespace amplora::test;

class TestReceiverStoreLoopback : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeReceiver *m_receiver = nullptr;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<ReceiverStore> m_store;

    void sendEvent(const QByteArray &datagram)
    {
        QUdpSocket sender;
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress(QHostAddress::LocalHost), *m_store->eventPort()),
            qint64(datagram.size()));
    }

private Q_SLOTS:
    void init()
    {
        m_receiver = new FakeReceiver(this);
        for (const char *path : { "system/getDeviceInfo", "system/getFeatures", "main/getStatus", "zone2/getStatus",
                 "netusb/getPlayInfo" }) {
            const QString api = QLatin1String(path);
            m_receiver->answer(api,
                fixture(QStringLiteral("av-receiver/") + QString(api).replace(u'/', u'_') + QStringLiteral(".json")));
        }
        m_receiver->answer(QStringLiteral("system/getNameText"),
            R"({"response_code":0,"zone_list":[{"id":"main","text":"Den"}],"input_list":[],"sound_program_list":[]})");
        m_receiver->answer(QStringLiteral("system/getNetworkStatus"),
            fixture(QStringLiteral("av-receiver/system_getNetworkStatus.json")));
        QVERIFY(m_receiver->isListening());

        m_settings = std::make_unique<AppSettings>(
            std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat));
        m_settings->setHost(m_receiver->host());
        ReceiverStore::Parts parts;
        parts.eventBindAddress = QHostAddress(QHostAddress::LocalHost);
        parts.eventPort = 0;
        m_store
            = std::make_unique<ReceiverStore>(*m_settings, LaunchOptions { .isRunningTests = true }, std::move(parts));
    }

    void cleanup()
    {
        m_store.reset();
        delete m_receiver;
        m_receiver = nullptr;
    }

    void connectsAndFollowsPushEvents()
    {
        QCoro::waitFor(m_store->start());
        QCOMPARE(m_store->connection(), ConnectionState::connected());
        QCOMPARE(DisplayText::zoneTitle(*m_store), QStringLiteral("Den \u00B7 RX-V481"));
        QCOMPARE(m_settings->deviceID(), QStringLiteral("00A0DEFA01A7"));
        QCOMPARE(m_store->currentStatus()->mute, false);
        QVERIFY(m_store->eventPort().has_value());
        // The registration carried the bound port to the receiver.
        QTRY_VERIFY(
            std::any_of(m_receiver->requests().begin(), m_receiver->requests().end(), [&](const RecordedRequest &r) {
                return r.header("X-AppPort") == QByteArray::number(*m_store->eventPort());
            }));

        sendEvent(R"({"device_id":"00A0DEFA01A7","main":{"mute":true,"power":"on"}})");
        QTRY_COMPARE(m_store->currentStatus()->mute, true);
        QCOMPARE(m_store->currentStatus()->power, QStringLiteral("on"));
        QCOMPARE(DisplayText::statusLine(*m_store), QStringLiteral("Live \u00B7 push events"));
    }

    void destroyedWhileARequestHangs()
    {
        m_receiver->neverAnswer(QStringLiteral("system/getFeatures"));
        YXCClient::Options quick;
        quick.requestTimeout = std::chrono::milliseconds(200);
        auto client = std::make_shared<YXCClient>(m_receiver->host(), false, quick);
        ReceiverStore::Parts parts;
        parts.transport = client;
        m_store
            = std::make_unique<ReceiverStore>(*m_settings, LaunchOptions { .isRunningTests = true }, std::move(parts));
        m_store->start();
        QVERIFY(m_receiver->waitForRequests(2));
        m_store.reset();
        // The waiting connection holds the transport until its request times out; then it ends without touching
        // the store (ASan would report it) and lets the transport go.
        QTRY_COMPARE(client.use_count(), 1L);
    }
};

QTEST_GUILESS_MAIN(TestReceiverStoreLoopback)
#include "tst_receiverstore_loopback.moc"
