#include "core/protocol/DecodingError.h"

namespace amplora {

QString DecodingError::detail() const
{
    const QString quoted = u'\'' + path + u'\'';
    switch (kind) {
    case Kind::typeMismatch:
        return QStringLiteral("invalid ") + quoted;
    case Kind::valueNotFound:
        return QStringLiteral("null ") + quoted;
    case Kind::keyNotFound:
        return QStringLiteral("missing ") + quoted;
    case Kind::dataCorrupted:
        return QStringLiteral("invalid JSON at ") + quoted;
    }
    return QStringLiteral("invalid JSON at ") + quoted;
}

} // namespace amplora
