#pragma once

#include "core/capabilities/Link.h"
#include "core/store/FriendlyNames.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace amplora {

class ReceiverStore;
struct ZoneFeatures;

// What several view models read of the store the same way: the selected zone's features and its current input
// and sound program.
namespace StoreReadings {

const ZoneFeatures *zoneFeatures(const ReceiverStore &store);
QStringList zoneInputs(const ReceiverStore &store);
QStringList zonePrograms(const ReceiverStore &store);
QStringList funcList(const ReceiverStore &store);
QString currentInput(const ReceiverStore &store);
QString currentProgram(const ReceiverStore &store);
// The selected zone's inputs by the names the window gives them.
QList<FriendlyNames::Entry> inputEntries(const ReceiverStore &store);
// The selected zone's link with other receivers; none while it is in no group.
std::optional<Link::ZoneLink> zoneLink(const ReceiverStore &store);
// The current input and sound program by the names the window gives them.
QString inputName(const ReceiverStore &store);
QString soundProgramName(const ReceiverStore &store);
// The entry's name, or a readable form of the id when the list does not hold it (a status can name an input
// the features leave out).
QString nameIn(const QList<FriendlyNames::Entry> &entries, const QString &id);
// A value QML reads as undefined while it is unknown.
QVariant optional(const std::optional<double> &value);
QVariantMap range(double min, double max, double step);

} // namespace StoreReadings

} // namespace amplora
