#pragma once

#include "core/protocol/DeviceInfo.h"
#include "core/protocol/DistributionInfo.h"
#include "core/protocol/Features.h"
#include "core/protocol/NameText.h"
#include "core/protocol/NetworkStatus.h"
#include "core/protocol/PlayInfo.h"
#include "core/protocol/PresetInfo.h"
#include "core/protocol/SignalInfo.h"
#include "core/protocol/TunerInfo.h"
#include "core/protocol/ZoneStatus.h"

#include <cstddef>
#include <variant>

namespace amplora {

// Every typed answer a read command can produce. A transport that keeps its state as models (the mock receiver)
// answers with one of these directly; the real client decodes one from the receiver's bytes.
using YXCPayload = std::variant<DeviceInfo, Features, NameText, ZoneStatus, PlayInfo, NetworkStatus, SignalInfo,
    PresetInfo, DistributionInfo, TunerPlayInfo, TunerPresetInfo>;

// Names the alternative of YXCPayload a caller asks for, in the same order.
enum class YXCPayloadType {
    deviceInfo,
    features,
    nameText,
    zoneStatus,
    playInfo,
    networkStatus,
    signalInfo,
    presetInfo,
    distributionInfo,
    tunerPlayInfo,
    tunerPresetInfo,
};

namespace detail {
template<class T, std::size_t I = 0> constexpr std::size_t payloadIndex()
{
    static_assert(I < std::variant_size_v<YXCPayload>, "not a payload model");
    if constexpr (std::is_same_v<T, std::variant_alternative_t<I, YXCPayload>>) {
        return I;
    } else {
        return payloadIndex<T, I + 1>();
    }
}
} // namespace detail

template<class T>
inline constexpr YXCPayloadType payloadTypeOf = static_cast<YXCPayloadType>(detail::payloadIndex<T>());

static_assert(payloadTypeOf<ZoneStatus> == YXCPayloadType::zoneStatus);
static_assert(payloadTypeOf<SignalInfo> == YXCPayloadType::signalInfo);
static_assert(payloadTypeOf<PresetInfo> == YXCPayloadType::presetInfo);
static_assert(payloadTypeOf<DistributionInfo> == YXCPayloadType::distributionInfo);

} // namespace amplora
