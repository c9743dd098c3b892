#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace amplora {

// What a UPnP device description tells about a receiver with the maker's extended control interface.
struct DeviceDescription {
    QString name; // "friendlyName", the host when there is none
    QString host; // of "X_URLBase", with its port when that is not 80
    QUrl urlBase; // "X_URLBase" itself

    static constexpr auto makerNamespace = "urn:schemas-yamaha-com:device-1-0";
    static constexpr auto controlURL = "/YamahaExtendedControl/v1/";

    // Nothing when the bytes are not XML, the maker is another, or the control interface is missing or differs.
    // A UTF-8 document with a stray invalid byte (a name typed on the device) still counts: the byte becomes
    // U+FFFD.
    static std::optional<DeviceDescription> parse(const QByteArray &bytes);

    // Whether the description sends control to the host it was fetched from (any port): a description served
    // by one machine must not point control at another.
    bool isServedFrom(const QUrl &location) const;
};

} // namespace amplora
