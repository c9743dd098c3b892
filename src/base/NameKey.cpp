#include "base/NameKey.h"

#include <QChar>
#include <QList>

namespace amplora {

QString nameMatchingKey(QStringView text)
{
    const QString lowered = text.toString().toLower();
    QString key;
    key.reserve(lowered.size());
    // Walk code points, not UTF-16 units, so letters outside the basic plane survive whole.
    for (const uint unit : lowered.toUcs4()) {
        const auto codePoint = static_cast<char32_t>(unit);
        if (QChar::isLetterOrNumber(codePoint))
            key.append(QString::fromUcs4(&codePoint, 1));
    }
    return key;
}

} // namespace amplora
