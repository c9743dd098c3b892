#include "api/matching/NameMatcher.h"

#include "base/NameKey.h"

namespace amplora::api::NameMatcher {

Result match(QStringView requested, const QStringList &candidates)
{
    const QStringView trimmed = requested.trimmed();
    const QString key = nameMatchingKey(trimmed);

    QStringList found;
    for (const QString &candidate : candidates) {
        if (nameMatchingKey(candidate) == key) {
            found.append(candidate);
        }
    }
    if (found.isEmpty()) {
        return Result::notFound();
    }
    if (found.size() == 1) {
        return Result::matched(found.constFirst());
    }

    QStringList spelledAlike;
    for (const QString &candidate : std::as_const(found)) {
        if (trimmed.compare(candidate, Qt::CaseInsensitive) == 0) {
            spelledAlike.append(candidate);
        }
    }
    if (spelledAlike.size() == 1) {
        return Result::matched(spelledAlike.constFirst());
    }
    return Result::ambiguousBetween(found);
}

} // namespace amplora::api::NameMatcher
