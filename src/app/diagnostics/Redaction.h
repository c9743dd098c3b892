#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace amplora::diagnostics {

// One file of a diagnostics bundle: its name inside the archive and its bytes.
struct BundleFile {
    QString name;
    QByteArray contents;

    friend bool operator==(const BundleFile &, const BundleFile &) = default;
};

// What redaction replaced, by kind ("mac", "ip", "ssid", "device-id", "serial", "token", "secret"): how many
// different values of each kind were found.
struct RedactionSummary {
    QMap<QString, int> distinctValues;

    bool isEmpty() const { return distinctValues.isEmpty(); }
    // "2 MAC addresses, 1 IP address, 1 SSID", or "nothing" when nothing was found.
    QString text() const;
};

struct Redacted {
    QList<BundleFile> files;
    RedactionSummary summary;
};

// What redaction must know beyond the files themselves.
struct RedactionContext {
    // The receiver's own address, kept as it is: the bundle is about it. A host name or an address with a port.
    QString receiverHost;
    // Secrets known by value, such as the local API's token; each becomes "<token>" wherever it appears.
    QStringList secrets;
};

// Removes from every file's contents and name what identifies the user's network or devices: known secrets, device
// ids, serial numbers, MAC addresses in any common notation (also as 12 bare hex digits), SSIDs, and every IPv4
// and IPv6 address but the receiver's. Values are found by the key that holds them (in JSON at any depth, and in
// "key=value" lines) and by their shape. Each value is replaced by a placeholder such as "<mac-1>" that is the same
// for the same value in every file, so references between files stay linked.
Redacted redact(const QList<BundleFile> &files, const RedactionContext &context);

} // namespace amplora::diagnostics
