#include "core/events/YXCEventListener.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

using namespace amplora;

namespace {

const QHostAddress loopback(QHostAddress::LocalHost);

struct Received {
    QList<QByteArray> packets;
    YXCEventListener::PacketHandler handler()
    {
        return [this](const QByteArray &bytes) { packets << bytes; };
    }
};

void send(quint16 port, const QByteArray &bytes)
{
    QUdpSocket sender;
    QCOMPARE(sender.writeDatagram(bytes, loopback, port), qint64(bytes.size()));
}

} // namespace

class TestYXCEventListener : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliversEveryNonEmptyDatagramInOrder()
    {
        YXCEventListener listener(loopback);
        Received received;
        listener.setOnPacket(received.handler());
        const auto port = listener.start(0);
        QVERIFY(port.ok());
        QVERIFY(*port != 0);

        const QList<QByteArray> sent { QByteArray(R"({"main":{"volume":72}})"), QByteArray(), QByteArray("\xff\x00", 2),
            QByteArray(R"({"main":{"power":"on"}})") };
        for (const auto &bytes : sent) {
            send(*port, bytes);
        }
        QTRY_COMPARE(received.packets.size(), 3);
        QCOMPARE(
            received.packets, (QList<QByteArray> { sent[0], sent[2], sent[3] })); // the empty datagram is not delivered
    }

    void takenPortFallsBackToAFreeOne()
    {
        QUdpSocket occupant;
        QVERIFY(occupant.bind(loopback, 0));
        YXCEventListener listener(loopback);
        Received received;
        listener.setOnPacket(received.handler());
        const auto port = listener.start(occupant.localPort());
        QVERIFY(port.ok());
        QVERIFY(*port != occupant.localPort());
        QCOMPARE(listener.port(), *port);

        send(*port, "{}");
        QTRY_COMPARE(received.packets.size(), 1);
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
        YXCEventListener listener(loopback);
        Received received;
        listener.setOnPacket([&](const QByteArray &bytes) {
            received.packets << bytes;
            listener.stop();
        });
        const auto port = listener.start(0);
        QVERIFY(port.ok());
        send(*port, "one");
        send(*port, "two");
        QTRY_COMPARE(received.packets.size(), 1);
        QTest::qWait(50);
        QCOMPARE(received.packets.size(), 1);
        QVERIFY(!listener.isListening());
        QCOMPARE(listener.port(), quint16(0));
    }

    void floodIsReadInBoundedBatches()
    {
        YXCEventListener listener(loopback);
        int delivered = 0;
        int deliveredWhenLoopTurned = -1;
        listener.setOnPacket([&](const QByteArray &) {
            if (++delivered == 1) {
                // Runs on the next turn of the event loop: by then only one batch may have been delivered.
                QTimer::singleShot(0, this, [&] { deliveredWhenLoopTurned = delivered; });
            }
        });
        const auto port = listener.start(0);
        QVERIFY(port.ok());

        QUdpSocket sender;
        const int total = 3 * YXCEventListener::batchSize;
        for (int i = 0; i < total; ++i) {
            sender.writeDatagram(QByteArray::number(i), loopback, *port);
        }
        QTRY_VERIFY(deliveredWhenLoopTurned != -1);
        QVERIFY2(deliveredWhenLoopTurned <= YXCEventListener::batchSize,
            qPrintable(QString::number(deliveredWhenLoopTurned)));
        QTRY_COMPARE(delivered, total);
        // The listener still hears what comes after the flood.
        sender.writeDatagram("after", loopback, *port);
        QTRY_COMPARE(delivered, total + 1);
    }

    void restartRebinds()
    {
        YXCEventListener listener(loopback);
        Received received;
        listener.setOnPacket(received.handler());
        const auto first = listener.start(0);
        QVERIFY(first.ok());
        const auto second = listener.start(0);
        QVERIFY(second.ok());
        send(*second, "x");
        QTRY_COMPARE(received.packets.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestYXCEventListener)
#include "tst_yxceventlistener.moc"
