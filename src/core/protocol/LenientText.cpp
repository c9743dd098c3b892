#include "core/protocol/LenientText.h"

#include <QString>
#include <QStringDecoder>

namespace amplora {

QByteArray lenientUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError()) {
        return bytes;
    }
    return text.toUtf8();
}

} // namespace amplora
