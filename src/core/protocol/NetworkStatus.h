#pragma once

#include <QString>

#include <optional>

namespace amplora {

// Answer of "system/getNetworkStatus".
struct NetworkStatus {
    std::optional<int> responseCode;
    std::optional<QString> networkName;

    friend bool operator==(const NetworkStatus &, const NetworkStatus &) = default;
};

} // namespace amplora
