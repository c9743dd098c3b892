#pragma once

#include <QByteArray>

namespace amplora {

// Receivers pass tag bytes from streams and files through as they come, so an answer that is UTF-8 everywhere but
// in one title is common. Every invalid sequence becomes U+FFFD and the rest of the bytes are kept, so one bad
// byte costs one character, not the whole answer. Valid input comes back unchanged (and uncopied).
QByteArray lenientUtf8(const QByteArray &bytes);

} // namespace amplora
