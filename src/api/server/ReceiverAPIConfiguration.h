#pragma once

#include <QtGlobal>

namespace amplora::api {

// Every tunable of the API library. The application replaces `port` and `localhostOnly` with the user's
// settings and uses the other values as they are.
struct ReceiverAPIConfiguration {
    struct DecibelRange {
        double lower = 0;
        double upper = 0;
        bool contains(double db) const { return db >= lower && db <= upper; }
        friend bool operator==(const DecibelRange &, const DecibelRange &) = default;
    };

    quint16 port = 8765;
    bool localhostOnly = true;
    int volumeChangesPerWindow = 5;
    double volumeRateWindowSeconds = 1.0;
    double minimumVolumeDb = -80.5;
    DecibelRange toneRangeDb { -6.0, 6.0 };
    DecibelRange subwooferRangeDb { -6.0, 6.0 };
    double dbStep = 0.5;
    qsizetype maxBodyBytes = 65536;
    double requestTimeoutSeconds = 10.0;
    // Connections open at once; a connection beyond them is closed as soon as it is accepted.
    int maxConnections = 256;

    friend bool operator==(const ReceiverAPIConfiguration &, const ReceiverAPIConfiguration &) = default;
};

} // namespace amplora::api
