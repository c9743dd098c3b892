#include "core/protocol/LenientText.h"

#include <QString>
#include <QStringDecoder>

namespace amplora {

QByteArray lenientUtf8(const QByteArray &bytes)
{
    // Nearly every answer is valid: check without decoding, and decode only to repair.
    if (bytes.isValidUtf8()) {
        return bytes;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return QString(decoder.decode(bytes)).toUtf8();
}

} // namespace amplora
