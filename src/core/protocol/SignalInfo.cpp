#include "core/protocol/SignalInfo.h"

#include "core/Logging.h"
#include "core/protocol/YXCDecoder.h"

namespace amplora {

SignalInfo SignalInfo::mock(const QString &name)
{
    static const QByteArray pcm = QByteArrayLiteral(
        R"({"response_code":0,"audio":{"error":0,"format":"PCM","fs":"44.1 kHz","bit":"","bitrate":0}})");
    static const QByteArray atmos = QByteArrayLiteral(
        R"({"response_code":0,"audio":{"error":0,"format":"Dolby Atmos","fs":"48 kHz","bit":"24 bit","bitrate":0}})");
    static const QByteArray dtsX = QByteArrayLiteral(
        R"({"response_code":0,"audio":{"error":0,"format":"DTS:X","fs":"48 kHz","bit":"24 bit","bitrate":0}})");

    const QByteArray &text = name == QLatin1String("dtsx") ? dtsX : name == QLatin1String("atmos") ? atmos : pcm;
    auto decoded = YXCDecoder::decode<SignalInfo>(text);
    if (!decoded) {
        // The texts above are fixed; this only happens if one of them is edited into invalid JSON.
        qCCritical(lcYxc) << "mock signal" << name << "does not decode:" << decoded.error().detail();
        return {};
    }
    return std::move(decoded).value();
}

} // namespace amplora
