#pragma once

// What every receiver answer must come through, shared by the decoder test (the project's fixtures) and the
// conformance run over real receivers' answers.

#include "core/protocol/YXCDecoder.h"
#include "core/protocol/YXCEncoder.h"

#include <QTest>

namespace amplora::test {

// The decoded answer; fails the running test (and returns an empty model) when it does not decode.
template<class T> T decoded(const QByteArray &body)
{
    auto result = YXCDecoder::decode<T>(body);
    if (!result) {
        QTest::qFail(qPrintable(result.error().detail()), __FILE__, __LINE__);
        return T {};
    }
    return std::move(result).value();
}

// The answer decodes as its payload, passes the checks the client makes, and survives a trip through the encoder.
// Reports through the running test; the caller returns when QTest::currentTestFailed().
inline void verifyAnswer(YXCPayloadType type, const QByteArray &body)
{
    QVERIFY(YXCDecoder::decode<Envelope>(body));
    const auto payload = YXCDecoder::decodePayload(type, body);
    QVERIFY2(payload, qPrintable(payload ? QString() : payload.error().detail()));
    if (const auto *status = std::get_if<ZoneStatus>(&payload.value())) {
        QVERIFY(status->power);
    }
    if (const auto *device = std::get_if<DeviceInfo>(&payload.value())) {
        QVERIFY(device->modelName);
    }
    const auto again = YXCDecoder::decodePayload(type, YXCEncoder::encode(payload.value()));
    QVERIFY(again);
    QCOMPARE(again.value(), payload.value());
}

} // namespace amplora::test
