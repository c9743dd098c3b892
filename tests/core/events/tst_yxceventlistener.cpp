#include "core/events/YXCEventListener.h"

#include "support/ManualClock.h"

#include <QTest>
#include <QTimer>
#include <QUdpSocket>

using namespace amplora;

namespace {

const QHostAddress loopback(QHostAddress::LocalHost);
// Another address of this machine: a stranger on the loopback network.
const QHostAddress stranger(QStringLiteral("127.0.0.2"));

// A listener on loopback that hears `senders` and keeps what it delivers.
struct Listening {
    YXCEventListener listener;
    QList<QByteArray> packets;
    quint16 port = 0;

    explicit Listening(Clock *clock = nullptr, const QList<QHostAddress> &senders = { loopback })
        : listener(loopback, clock)
    {
        listener.setAcceptedSenders(senders);
        listener.setOnPacket([this](const QByteArray &bytes) { packets << bytes; });
    }
    bool start(quint16 wanted = 0)
    {
        const auto bound = listener.start(wanted);
        port = bound.ok() ? *bound : 0;
        return bound.ok() && port != 0;
    }
};

void send(quint16 port, const QByteArray &bytes, const QHostAddress &from = loopback)
{
    QUdpSocket sender;
    QVERIFY(sender.bind(from, 0));
    QCOMPARE(sender.writeDatagram(bytes, loopback, port), qint64(bytes.size()));
}

// The listener's reports of dropped datagrams, as logged.
QStringList dropReports;
void captureDropReports(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category) == "amplora.events" && message.startsWith(QStringLiteral("Dropped"))) {
        dropReports.append(message);
    }
}

} // namespace

class TestYXCEventListener : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversEveryNonEmptyDatagramInOrder()
    {
        Listening events;
        QVERIFY(events.start());
        const QList<QByteArray> sent { QByteArray(R"({"main":{"volume":72}})"), QByteArray(), QByteArray("\xff\x00", 2),
            QByteArray(R"({"main":{"power":"on"}})") };
        for (const auto &bytes : sent) {
            send(events.port, bytes);
        }
        QTRY_COMPARE(events.packets.size(), 3);
        QCOMPARE(events.packets, (QList<QByteArray> { sent[0], sent[2], sent[3] })); // the empty one is not delivered
    }

    void takenPortFallsBackToAFreeOne()
    {
        QUdpSocket occupant;
        QVERIFY(occupant.bind(loopback, 0));
        Listening events;
        QVERIFY(events.start(occupant.localPort()));
        QVERIFY(events.port != occupant.localPort());
        QCOMPARE(events.listener.port(), events.port);
        send(events.port, "{}");
        QTRY_COMPARE(events.packets.size(), 1);
    }

    void onlyTheReceiverIsHeard_data()
    {
        QTest::addColumn<QList<QHostAddress>>("receiver");
        QTest::addColumn<QHostAddress>("from");
        QTest::addColumn<bool>("delivered");
        QTest::addRow("the receiver") << QList<QHostAddress> { loopback } << loopback << true;
        QTest::addRow("a stranger") << QList<QHostAddress> { loopback } << stranger << false;
        QTest::addRow("receiver given IPv4-mapped")
            << QList<QHostAddress> { QHostAddress(QStringLiteral("::ffff:127.0.0.1")) } << loopback << true;
        QTest::addRow("one of the receiver's addresses")
            << QList<QHostAddress> { QHostAddress(QStringLiteral("::1")), stranger } << stranger << true;
        QTest::addRow("no receiver known yet") << QList<QHostAddress> {} << loopback << false;
    }

    void onlyTheReceiverIsHeard()
    {
        QFETCH(QList<QHostAddress>, receiver);
        QFETCH(QHostAddress, from);
        QFETCH(bool, delivered);
        test::ManualClock clock;
        Listening events(&clock, receiver);
        QVERIFY(events.start());
        if (!delivered) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Dropped 1 push-event datagram")));
        }
        send(events.port, R"({"main":{"power":"on"}})", from);
        QTRY_COMPARE(events.packets.size() + events.listener.droppedCount(), 1u);
        QCOMPARE(events.packets.size(), delivered ? 1 : 0);
    }

    void dropReportsAreSpacedByTheClock()
    {
        test::ManualClock clock;
        Listening events(&clock);
        QVERIFY(events.start());
        dropReports.clear();
        const auto previous = qInstallMessageHandler(captureDropReports);
        const auto strangerSends = [&](int datagrams) {
            for (int i = 0; i < datagrams; ++i) {
                send(events.port, "{}", stranger);
            }
            send(events.port, "marker");
            const qsizetype before = events.packets.size();
            QTRY_COMPARE(events.packets.size(), before + 1);
        };
        strangerSends(3);
        clock.advance(std::chrono::seconds(59));
        strangerSends(2);
        const QStringList withinTheMinute = dropReports;
        clock.advance(std::chrono::seconds(1));
        strangerSends(1);
        qInstallMessageHandler(previous);

        QCOMPARE(events.listener.droppedCount(), quint64(6));
        QCOMPARE(withinTheMinute.size(), 1);
        QVERIFY2(withinTheMinute[0].startsWith(QStringLiteral("Dropped 1 push-event datagram(s)")),
            qPrintable(withinTheMinute[0]));
        QVERIFY(withinTheMinute[0].endsWith(QStringLiteral("the latest from 127.0.0.2")));
        // A minute after the first report: one more, counting every datagram dropped since.
        QCOMPARE(dropReports.size(), 2);
        QVERIFY2(
            dropReports[1].startsWith(QStringLiteral("Dropped 5 push-event datagram(s)")), qPrintable(dropReports[1]));
    }

    void bindFailureIsReported()
    {
        // An address this machine does not have cannot be bound on any port.
        YXCEventListener listener(QHostAddress(QStringLiteral("192.0.2.1")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Could not open a UDP port")));
        const auto port = listener.start(0);
        QVERIFY(!port.ok());
        QVERIFY(port.error().description().startsWith(QStringLiteral("Could not open a UDP port for push events: ")));
        QVERIFY(!listener.isListening());
    }

    void stopEndsDeliveryEvenFromInsideTheHandler()
    {
        Listening events;
        events.listener.setOnPacket([&](const QByteArray &bytes) {
            events.packets << bytes;
            events.listener.stop();
        });
        QVERIFY(events.start());
        send(events.port, "one");
        send(events.port, "two");
        QTRY_COMPARE(events.packets.size(), 1);
        QTest::qWait(50);
        QCOMPARE(events.packets.size(), 1);
        QVERIFY(!events.listener.isListening());
        QCOMPARE(events.listener.port(), quint16(0));
    }

    void floodIsReadInBoundedBatches()
    {
        Listening events;
        int delivered = 0;
        int deliveredWhenLoopTurned = -1;
        events.listener.setOnPacket([&](const QByteArray &) {
            if (++delivered == 1) {
                // Runs on the next turn of the event loop: by then only one batch may have been delivered.
                QTimer::singleShot(0, this, [&] { deliveredWhenLoopTurned = delivered; });
            }
        });
        QVERIFY(events.start());
        QUdpSocket sender;
        const int total = 3 * YXCEventListener::batchSize;
        for (int i = 0; i < total; ++i) {
            sender.writeDatagram(QByteArray::number(i), loopback, events.port);
        }
        QTRY_VERIFY(deliveredWhenLoopTurned != -1);
        QVERIFY2(deliveredWhenLoopTurned <= YXCEventListener::batchSize,
            qPrintable(QString::number(deliveredWhenLoopTurned)));
        QTRY_COMPARE(delivered, total);
        // The listener still hears what comes after the flood.
        sender.writeDatagram("after", loopback, events.port);
        QTRY_COMPARE(delivered, total + 1);
    }

    void restartRebinds()
    {
        Listening events;
        QVERIFY(events.start());
        QVERIFY(events.start());
        send(events.port, "x");
        QTRY_COMPARE(events.packets.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestYXCEventListener)
#include "tst_yxceventlistener.moc"
