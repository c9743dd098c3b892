#pragma once

#include <QCoroTask>
#include <QHostAddress>
#include <QList>
#include <QString>

namespace amplora {

// The addresses of the machine a receiver address names, as the user gives it: "192.168.1.20:80" gives
// 192.168.1.20, "[fe80::1]:80" gives fe80::1 (a port is ignored, and so are surrounding blanks), and a name such
// as "av-receiver.local" gives what it resolves to. The name is resolved in the background, so the calling
// thread (which needs an event loop) never waits on the network. Empty when the address is empty or the name
// does not resolve.
QCoro::Task<QList<QHostAddress>> receiverAddresses(QString host);

} // namespace amplora
