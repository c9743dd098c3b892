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

// Decodes receiver answers into the typed models. A value that cannot be read (of the wrong type, a number beyond
// what its field holds) is left out with one debug line in amplora.yxc, and the rest of the answer still counts;
// only what the answer is of no use without fails it: malformed JSON, a "response_code" that cannot be read, a
// model name or power state that cannot be read, a list element without its id (that element only). Unknown keys
// are ignored; nothing in the bytes can crash it.
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
extern template Result<DistributionInfo, DecodingError> decode<DistributionInfo>(const QByteArray &bytes);
extern template Result<TunerPlayInfo, DecodingError> decode<TunerPlayInfo>(const QByteArray &bytes);
extern template Result<TunerPresetInfo, DecodingError> decode<TunerPresetInfo>(const QByteArray &bytes);

// The same, choosing the model at run time.
Result<YXCPayload, DecodingError> decodePayload(YXCPayloadType type, const QByteArray &bytes);

} // namespace YXCDecoder

} // namespace amplora
