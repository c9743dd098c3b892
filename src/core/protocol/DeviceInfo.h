#pragma once

#include <QString>

#include <optional>

namespace amplora {

// Answer of "system/getDeviceInfo". Every field is optional; the client rejects an answer without a model name.
struct DeviceInfo {
    std::optional<int> responseCode;
    std::optional<QString> modelName;
    std::optional<QString> deviceId;
    std::optional<double> systemVersion;
    std::optional<double> apiVersion;

    friend bool operator==(const DeviceInfo &, const DeviceInfo &) = default;
};

} // namespace amplora
