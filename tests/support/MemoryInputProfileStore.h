#pragma once

#include "api/scenes/InputProfileStore.h"

#include <optional>

namespace amplora::test {

// Input profiles kept in memory with the file store's rules (one per zone and exact input; a replaced profile
// moves to the end). Every task completes at once. `failure`, when set, fails every operation.
class MemoryInputProfileStore : public api::InputProfileStore {
public:
    QList<api::InputProfile> profiles;
    std::optional<api::SceneStoreError> failure;

    api::ProfileTask<QList<api::InputProfile>> all(api::Zone zone) override;
    api::ProfileTask<bool> save(api::InputProfile profile) override;
    api::ProfileTask<bool> remove(api::Zone zone, QString input) override;
};

} // namespace amplora::test
