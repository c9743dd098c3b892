// libFuzzer target: the receiver answer decoders. The first byte picks the model, the rest is the answer. A model
// that decodes must survive a trip through the wire encoder unchanged; a failure's detail is one line of printable
// ASCII; the UTF-8 repair yields valid UTF-8 and leaves valid text as it is. Crashes, leaks and hangs count too.

#include "core/protocol/LenientText.h"
#include "core/protocol/SignalStripValues.h"
#include "core/protocol/VolumeScale.h"
#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"

#include "FuzzRequire.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace amplora;

namespace {

bool isPrintableLine(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

} // namespace

// A value left out is worth a debug line in use; thousands a second would only slow the search down.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("amplora.*.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const auto type = static_cast<YXCPayloadType>(data[0] % std::variant_size_v<YXCPayload>);
    const QByteArray body(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    const QByteArray repaired = lenientUtf8(body);
    require(repaired.isValidUtf8() && (!body.isValidUtf8() || repaired == body));

    const auto envelope = YXCDecoder::decode<Envelope>(body);
    require(envelope || (!envelope.error().detail().isEmpty() && isPrintableLine(envelope.error().detail())));

    const auto payload = YXCDecoder::decodePayload(type, body);
    if (!payload) {
        require(!payload.error().detail().isEmpty() && isPrintableLine(payload.error().detail()));
        return 0;
    }
    const auto again = YXCDecoder::decodePayload(type, YXCEncoder::encode(payload.value(), false));
    require(again && again.value() == payload.value());

    // What the store and the views derive from the models must hold on anything that decodes.
    if (const auto *features = std::get_if<Features>(&payload.value())) {
        for (const ZoneFeatures &zone : features->zone) {
            if (const auto scale = VolumeScale::from(zone)) {
                require(scale->stepDB > 0 && scale->maxDB > scale->minDB);
                const double capped = scale->ceiling(scale->maxDB);
                require(capped >= scale->minDB && capped <= scale->maxDB);
                const int raw = scale->raw(scale->snap(capped));
                require(raw >= scale->rawMin);
            }
        }
    }
    if (const auto *signal = std::get_if<SignalInfo>(&payload.value())) {
        const auto strip = SignalStripValues::from(*signal, true);
        require(!strip.format.isEmpty() && !strip.sampleRate.isEmpty() && !strip.bitDepth.isEmpty());
    }
    return 0;
}
