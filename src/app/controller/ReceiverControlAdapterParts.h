#pragma once

// What the control adapter's files share: the names of inputs and sound modes as the API shows them.

#include "api/control/ControlError.h"
#include "core/capabilities/Link.h"
#include "core/protocol/Features.h"
#include "core/protocol/NameText.h"
#include "core/store/FriendlyNames.h"

#include <QStringList>

#include <optional>

namespace amplora::app::adapterparts {

inline api::ControlError storeGone()
{
    return api::ControlError::receiverFailure(QStringLiteral("Amplora is shutting down."));
}

inline QStringList namesOf(const QList<FriendlyNames::Entry> &entries)
{
    QStringList names;
    names.reserve(entries.size());
    for (const auto &entry : entries) {
        names.append(entry.name);
    }
    return names;
}

inline QList<FriendlyNames::Entry> inputEntries(FriendlyNames::Memo &memo, const ZoneFeatures *zone,
    const std::optional<NameText> &names, const std::optional<DistributionInfo> &distribution)
{
    return zone ? memo.inputs(zone->inputList, names, Link::groupName(distribution)) : QList<FriendlyNames::Entry> {};
}

inline QList<FriendlyNames::Entry> programEntries(
    FriendlyNames::Memo &memo, const ZoneFeatures *zone, const std::optional<NameText> &names)
{
    return zone && zone->soundProgramList ? memo.soundPrograms(*zone->soundProgramList, names)
                                          : QList<FriendlyNames::Entry> {};
}

} // namespace amplora::app::adapterparts
