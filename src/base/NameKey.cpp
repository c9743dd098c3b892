#include "base/NameKey.h"

#include <QChar>

namespace amplora {

QString nameMatchingKey(QStringView text)
{
    const QString lowered = text.toString().toLower();
    QString key;
    key.reserve(lowered.size());
    // Walk code points, not UTF-16 units, so letters outside the basic plane survive whole. The key is built in
    // place: names are keyed on every list and status the API serves, so no step allocates per character.
    for (qsizetype i = 0; i < lowered.size(); ++i) {
        const QChar unit = lowered.at(i);
        if (unit.isHighSurrogate() && i + 1 < lowered.size() && lowered.at(i + 1).isLowSurrogate()) {
            const QChar low = lowered.at(i + 1);
            if (QChar::isLetterOrNumber(QChar::surrogateToUcs4(unit, low))) {
                key.append(unit);
                key.append(low);
            }
            ++i;
        } else if (unit.isLetterOrNumber()) {
            key.append(unit);
        }
    }
    return key;
}

} // namespace amplora
