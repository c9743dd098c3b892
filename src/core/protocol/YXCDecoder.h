#pragma once

#include "base/Result.h"
#include "core/protocol/DecodingError.h"
#include "core/protocol/YXCPayload.h"

#include <QByteArray>

namespace amplora {

// The protocol envelope every answer carries: a required integer "response_code".
struct Envelope {
    int responseCode = 0;

    friend bool operator==(const Envelope &, const Envelope &) = default;
};

// Decodes receiver answers into the typed models, by the rules of each model: strict for state answers, lenient for
// capabilities and signal information. Unknown keys are ignored; nothing in the bytes can crash it.
namespace YXCDecoder {

// Defined for Envelope and for every alternative of YXCPayload.
template<class T> Result<T, DecodingError> decode(const QByteArray &bytes);

extern template Result<Envelope, DecodingError> decode<Envelope>(const QByteArray &bytes);
extern template Result<DeviceInfo, DecodingError> decode<DeviceInfo>(const QByteArray &bytes);
extern template Result<Features, DecodingError> decode<Features>(const QByteArray &bytes);
extern template Result<NameText, DecodingError> decode<NameText>(const QByteArray &bytes);
extern template Result<ZoneStatus, DecodingError> decode<ZoneStatus>(const QByteArray &bytes);
extern template Result<PlayInfo, DecodingError> decode<PlayInfo>(const QByteArray &bytes);
extern template Result<NetworkStatus, DecodingError> decode<NetworkStatus>(const QByteArray &bytes);
extern template Result<SignalInfo, DecodingError> decode<SignalInfo>(const QByteArray &bytes);
extern template Result<PresetInfo, DecodingError> decode<PresetInfo>(const QByteArray &bytes);

// The same, choosing the model at run time.
Result<YXCPayload, DecodingError> decodePayload(YXCPayloadType type, const QByteArray &bytes);

} // namespace YXCDecoder

} // namespace amplora
