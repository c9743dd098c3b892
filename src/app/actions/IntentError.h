#pragma once

#include <QString>

namespace amplora::app {

// Why an action refused to run before it reached the receiver.
class IntentError {
public:
    enum class Kind { aboveCap, outOfRange, notReady };

    static IntentError aboveCap(double requestedDb, double capDb) { return { Kind::aboveCap, requestedDb, capDb }; }
    static IntentError outOfRange(double requestedDb) { return { Kind::outOfRange, requestedDb, 0 }; }
    static IntentError notReady() { return { Kind::notReady, 0, 0 }; }

    Kind kind() const { return m_kind; }
    // Both numbers are shown snapped to 0.5 dB with one decimal: "-19.5 dB is above the volume cap of -20.0 dB."
    QString description() const;

    friend bool operator==(const IntentError &, const IntentError &) = default;

private:
    IntentError(Kind kind, double requestedDb, double capDb)
        : m_kind(kind)
        , m_requestedDb(requestedDb)
        , m_capDb(capDb)
    { }

    Kind m_kind;
    double m_requestedDb;
    double m_capDb;
};

} // namespace amplora::app
