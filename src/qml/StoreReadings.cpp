#include "qml/StoreReadings.h"

#include "core/store/ReceiverStore.h"

#include <QCoreApplication>

namespace amplora::StoreReadings {

namespace {

// The window's wording of the linked input's name.
QString linkedInputName(const std::optional<QString> &group)
{
    return group
        ? QCoreApplication::translate("StoreReadings", "Linked (%1)", "an input playing a linked group's sound")
              .arg(*group)
        : QCoreApplication::translate("StoreReadings", "Linked", "an input playing a linked group's sound");
}

} // namespace

const ZoneFeatures *zoneFeatures(const ReceiverStore &store)
{
    const auto &features = store.state().features();
    return features ? features->zoneFeatures(store.selectedZone()) : nullptr;
}

QStringList zoneInputs(const ReceiverStore &store)
{
    const ZoneFeatures *zone = zoneFeatures(store);
    return zone ? zone->inputList : QStringList();
}

QStringList zonePrograms(const ReceiverStore &store)
{
    const ZoneFeatures *zone = zoneFeatures(store);
    return zone ? zone->soundProgramList.value_or(QStringList()) : QStringList();
}

QStringList funcList(const ReceiverStore &store)
{
    const ZoneFeatures *zone = zoneFeatures(store);
    return zone ? zone->funcList : QStringList();
}

QString currentInput(const ReceiverStore &store)
{
    const auto status = store.currentStatus();
    return status ? status->input.value_or(QString()) : QString();
}

QString currentProgram(const ReceiverStore &store)
{
    const auto status = store.currentStatus();
    return status ? status->soundProgram.value_or(QString()) : QString();
}

QList<FriendlyNames::Entry> inputEntries(const ReceiverStore &store)
{
    return FriendlyNames::inputs(
        zoneInputs(store), store.state().names(), Link::groupName(store.state().distribution()), &linkedInputName);
}

std::optional<Link::ZoneLink> zoneLink(const ReceiverStore &store)
{
    return Link::of(store.state().distribution(), store.selectedZone());
}

QString inputName(const ReceiverStore &store)
{
    return nameIn(inputEntries(store), currentInput(store));
}

QString soundProgramName(const ReceiverStore &store)
{
    return nameIn(FriendlyNames::soundPrograms(zonePrograms(store), store.state().names()), currentProgram(store));
}

QString nameIn(const QList<FriendlyNames::Entry> &entries, const QString &id)
{
    for (const auto &entry : entries) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return id.isEmpty() ? QString() : FriendlyNames::prettified(id);
}

QVariant optional(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

QVariantMap range(double min, double max, double step)
{
    return { { QStringLiteral("min"), min }, { QStringLiteral("max"), max }, { QStringLiteral("step"), step } };
}

} // namespace amplora::StoreReadings
