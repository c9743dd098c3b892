#pragma once

#include <QString>

#include <optional>

namespace amplora {

// Answer of zone + "/getSignalInfo": the audio signal the receiver is decoding. Decoded leniently field by field:
// a field of the wrong type is simply absent.
struct SignalInfo {
    struct Audio {
        std::optional<int> error; // 0 when the signal is fine
        std::optional<QString> format;
        std::optional<QString> fs; // sampling frequency text, such as "48 kHz"
        std::optional<QString> bit; // bit depth text, such as "24 bit"
        std::optional<int> bitrate;

        friend bool operator==(const Audio &, const Audio &) = default;
    };

    std::optional<int> responseCode;
    std::optional<Audio> audio;

    // The demonstration signals of mock mode: "atmos", "dtsx", and PCM for any other name.
    static SignalInfo mock(const QString &name);

    friend bool operator==(const SignalInfo &, const SignalInfo &) = default;
};

} // namespace amplora
