#include "support/MemoryInputProfileStore.h"

namespace amplora::test {

using namespace api;

ProfileTask<QList<InputProfile>> MemoryInputProfileStore::all(Zone zone)
{
    if (failure)
        co_return Failure { *failure };
    QList<InputProfile> inZone;
    for (const InputProfile &stored : std::as_const(profiles)) {
        if (stored.zone == zone)
            inZone.append(stored);
    }
    co_return inZone;
}

ProfileTask<bool> MemoryInputProfileStore::save(InputProfile profile)
{
    if (failure)
        co_return Failure { *failure };
    const qsizetype replaced = profiles.removeIf(
        [&](const InputProfile &stored) { return stored.zone == profile.zone && stored.input == profile.input; });
    profiles.append(profile);
    co_return replaced == 0;
}

ProfileTask<bool> MemoryInputProfileStore::remove(Zone zone, QString input)
{
    if (failure)
        co_return Failure { *failure };
    co_return profiles.removeIf([&](const InputProfile &stored) {
        return stored.zone == zone && stored.input == input;
    }) > 0;
}

} // namespace amplora::test
