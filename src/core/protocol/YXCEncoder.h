#pragma once

#include "core/protocol/YXCPayload.h"

#include <QByteArray>

namespace amplora {

// Writes a decoded model back as JSON with the receiver's snake-case keys, sorted, absent fields left out, so that
// what was understood can be compared with what was sent.
namespace YXCEncoder {

QByteArray encode(const YXCPayload &payload, bool indented = true);

} // namespace YXCEncoder

} // namespace amplora
