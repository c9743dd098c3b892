#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace amplora {

// A receiver found on the network, identified by its device id.
struct DiscoveredReceiver {
    QString name;
    QString model;
    QString host;
    QString deviceID;
    // Other hosts that passed the same checks and answered with the same device id, in the order they answered.
    // The id is no secret, so a second claimant may be a stranger; the list shows one entry per id, and whoever
    // would move to another address must weigh every claimant.
    QStringList otherHosts = {};

    // "name · model · host": what the list shows and sorts by.
    QString label() const;

    friend bool operator==(const DiscoveredReceiver &, const DiscoveredReceiver &) = default;
};

// Sorts as a file manager would: case-insensitive, with numbers compared by value ("Den 9" before "Den 10").
void sortForDisplay(QList<DiscoveredReceiver> &receivers, const QLocale &locale = QLocale());

} // namespace amplora
