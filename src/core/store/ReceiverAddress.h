#pragma once

#include <QCoroTask>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace amplora {

// The machine part of a receiver address as the user gives it: "192.168.1.20:80" gives 192.168.1.20,
// "[fe80::1]:80" gives fe80::1, "av-receiver.local" stays as it is. Surrounding blanks are ignored.
QString machineOf(const QString &host);

// The addresses of the machine a receiver address names: the address itself when it is one, else what the name
// resolves to. The name is resolved in the background, so the calling thread (which needs an event loop) never
// waits on the network. Empty when the address is empty or the name does not resolve.
QCoro::Task<QList<QHostAddress>> receiverAddresses(QString host);

} // namespace amplora
