#include "core/protocol/DecodingError.h"

#include <algorithm>

namespace amplora {

namespace {

// Bytes on either side of the offset that go into the detail: enough to recognise an HTML page, a cut-off
// answer or a stray character, short enough for one line.
constexpr qsizetype excerptReach = 12;

// The bytes as one line of plain ASCII: a hostile answer cannot put control or direction characters into a log
// line or an error text, and nothing is lost to a failed conversion.
QString escaped(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        switch (byte) {
        case '\\':
            text += QStringLiteral("\\\\");
            break;
        case '\'':
            text += QStringLiteral("\\'");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\r':
            text += QStringLiteral("\\r");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        default:
            if (code >= 0x20 && code < 0x7f) {
                text += QLatin1Char(byte);
            } else {
                text += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
            }
        }
    }
    return text;
}

} // namespace

DecodingError DecodingError::notJSON(const QByteArray &bytes, qsizetype offset)
{
    const qsizetype at = std::clamp<qsizetype>(offset, 0, bytes.size());
    const qsizetype from = std::max<qsizetype>(0, at - excerptReach);
    const qsizetype to = std::min(bytes.size(), at + excerptReach);
    DecodingError error(Kind::notJSON, {});
    error.offset = at;
    error.near = bytes.mid(from, to - from);
    return error;
}

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
    case Kind::notJSON:
        if (near.isEmpty()) {
            return QStringLiteral("invalid JSON: the answer is empty");
        }
        return QStringLiteral("invalid JSON at byte %1 near '%2'").arg(QString::number(offset), escaped(near));
    }
    return QStringLiteral("invalid JSON at ") + quoted;
}

} // namespace amplora
