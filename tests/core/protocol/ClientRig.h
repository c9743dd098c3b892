#pragma once

// What the client tests share: a client with short deadlines, a task waited for, and a gzip body.

#include "core/protocol/YXCClient.h"

#include "support/WaitFor.h"

#include <QByteArray>
#include <QCoroTask>

#include <chrono>

namespace amplora::test {

inline YXCClient::Options fastOptions()
{
    using namespace std::chrono_literals;
    YXCClient::Options options;
    options.requestTimeout = 300ms;
    options.albumArtTimeout = 300ms;
    return options;
}

template<class T> T wait(QCoro::Task<T> &&task)
{
    return amplora::test::waitFor(std::move(task));
}

// The gzip member format around a deflate stream (qCompress gives zlib's: a 4-byte length, a 2-byte header,
// the stream, a 4-byte checksum), with the CRC-32 gzip wants.
inline QByteArray gzipped(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    crc = ~crc;
    const QByteArray zlib = qCompress(data);
    QByteArray gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    gzip += zlib.mid(6, zlib.size() - 10);
    for (const quint32 value : { crc, quint32(data.size()) }) {
        for (int shift = 0; shift < 32; shift += 8) {
            gzip += char((value >> shift) & 0xFF);
        }
    }
    return gzip;
}

} // namespace amplora::test
