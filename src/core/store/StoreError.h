#pragma once

#include "core/protocol/YXCError.h"

#include <QString>

#include <optional>

namespace amplora {

// Why a store operation that talks to the receiver did not complete: the receiver's own error, an address that
// now answers as another receiver, or an answer that came too late to count (the store's tasks were stopped,
// its transport replaced or the store destroyed while it was on its way), or a read abandoned because nobody
// waited for it any more. A superseded or abandoned operation changed nothing and is never shown.
class StoreError {
public:
    enum class Kind { receiver, otherReceiver, superseded, abandoned };

    StoreError(YXCError error)
        : m_kind(Kind::receiver)
        , m_receiverError(std::move(error))
    { }
    static StoreError otherReceiver() { return StoreError(Kind::otherReceiver); }
    static StoreError superseded() { return StoreError(Kind::superseded); }
    static StoreError abandoned() { return StoreError(Kind::abandoned); }

    Kind kind() const { return m_kind; }
    bool isSuperseded() const { return m_kind == Kind::superseded; }
    const std::optional<YXCError> &receiverError() const { return m_receiverError; }

    QString description() const;

    friend bool operator==(const StoreError &, const StoreError &) = default;

private:
    explicit StoreError(Kind kind)
        : m_kind(kind)
    { }

    Kind m_kind;
    std::optional<YXCError> m_receiverError;
};

} // namespace amplora
