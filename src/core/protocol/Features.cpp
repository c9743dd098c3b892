#include "core/protocol/Features.h"

namespace amplora {

namespace {

template<class List, class Predicate> const typename List::value_type *firstWhere(const List &list, Predicate matches)
{
    for (const auto &entry : list) {
        if (matches(entry)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

const InputFeature *SystemFeatures::input(const QString &id) const
{
    return firstWhere(inputList, [&](const InputFeature &entry) { return entry.id == id; });
}

const RangeStep *ZoneFeatures::range(const QString &id) const
{
    return firstWhere(rangeStep, [&](const RangeStep &entry) { return entry.id == id; });
}

const RangeStep *TunerFeatures::range(const QString &band) const
{
    return firstWhere(rangeStep, [&](const RangeStep &entry) { return entry.id == band; });
}

const ZoneFeatures *Features::zoneFeatures(Zone which) const
{
    const QString id = rawValue(which);
    return firstWhere(zone, [&](const ZoneFeatures &entry) { return entry.id == id; });
}

QList<Zone> Features::zones() const
{
    QList<Zone> result;
    for (const ZoneFeatures &entry : zone) {
        if (const auto known = zoneFromRawValue(entry.id)) {
            result.append(*known);
        }
    }
    return result;
}

} // namespace amplora
