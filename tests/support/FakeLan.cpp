#include "support/FakeLan.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

#include <algorithm>

namespace amplora::test {

using namespace std::chrono_literals;

bool onlyLoopbackExists()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.cbegin(), interfaces.cend(),
        [](const QNetworkInterface &interface) { return interface.flags().testFlag(QNetworkInterface::IsLoopBack); });
}

QByteArray descriptionXML(
    const QString &name, const QString &manufacturer, const QString &controlURL, const QString &urlBase)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<root xmlns="urn:schemas-upnp-org:device-1-0" xmlns:yamaha="urn:schemas-yamaha-com:device-1-0">
 <device><friendlyName>%1</friendlyName><manufacturer>%2</manufacturer><modelName>x</modelName></device>
 <yamaha:X_device><yamaha:X_URLBase>%4</yamaha:X_URLBase><yamaha:X_serviceList><yamaha:X_service>
  <yamaha:X_yxcControlURL>%3</yamaha:X_yxcControlURL></yamaha:X_service></yamaha:X_serviceList></yamaha:X_device>
</root>)")
        .arg(name, manufacturer, controlURL, urlBase)
        .toUtf8();
}

QByteArray deviceInfoJSON(const QString &model, const QString &deviceID)
{
    return QStringLiteral(R"({"response_code":0,"model_name":"%1","device_id":"%2","system_version":2.85})")
        .arg(model, deviceID)
        .toUtf8();
}

QByteArray ssdpAnswer(const QString &location, const QByteArray &statusLine, const QByteArray &header)
{
    return statusLine + "\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\n" + header + ": " + location.toUtf8()
        + "\r\nSERVER: Linux/3.2 UPnP/1.0 Network_Module/1.0 (RX-V481)\r\nST: "
          "urn:schemas-upnp-org:device:MediaRenderer:1\r\n\r\n";
}

void FakeDevice::describe(const QString &name, const QString &model, const QString &deviceID,
    const QString &manufacturer, const QString &controlURL, const QString &path)
{
    server->answer(path, descriptionXML(name, manufacturer, controlURL, base()));
    server->answer(QStringLiteral("system/getDeviceInfo"), deviceInfoJSON(model, deviceID));
}

qsizetype FakeDevice::requestsFor(const QString &path) const
{
    const auto &all = server->requests();
    return std::count_if(all.cbegin(), all.cend(), [&](const auto &request) { return request.path == path; });
}

bool SSDPResponder::start()
{
    const auto lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
    if (!m_socket.bind(
            QHostAddress(QHostAddress::AnyIPv4), 1900, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
        || !m_socket.joinMulticastGroup(QHostAddress(QStringLiteral("239.255.255.250")), lo)) {
        qWarning("responder: %s", qPrintable(m_socket.errorString()));
        return false;
    }
    answerSearches();
    return true;
}

bool SSDPResponder::startUnicastOnly(const QHostAddress &address)
{
    if (!m_socket.bind(address, 1900)) {
        qWarning("responder: %s", qPrintable(m_socket.errorString()));
        return false;
    }
    answerSearches();
    return true;
}

void SSDPResponder::answerSearches()
{
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            if (!datagram.data().startsWith("M-SEARCH")) {
                continue;
            }
            searches << datagram.data();
            for (const QByteArray &answer : std::as_const(answers)) {
                m_socket.writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
            }
            for (const auto &[from, answer] : std::as_const(answersFrom)) {
                if (QUdpSocket *sender = socketFor(from)) {
                    sender->writeDatagram(answer, datagram.senderAddress(), quint16(datagram.senderPort()));
                }
            }
        }
    });
}

QUdpSocket *SSDPResponder::socketFor(const QHostAddress &address)
{
    auto &socket = m_senders[address.toString()];
    if (!socket) {
        socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(address, 0)) {
            qWarning("responder: cannot send from %s: %s", qPrintable(address.toString()),
                qPrintable(socket->errorString()));
            socket.reset();
        }
    }
    return socket.get();
}

ReceiverDiscovery::Options loopbackDiscoveryOptions()
{
    ReceiverDiscovery::Options options;
    options.search.includeLoopback = true;
    options.search.timing = { 150ms, 3, 20ms, 600ms };
    options.descriptionTimeout = 500ms;
    options.deviceInfoTimeout = 1000ms;
    return options;
}

} // namespace amplora::test
