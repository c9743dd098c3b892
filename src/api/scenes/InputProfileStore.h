#pragma once

#include "api/control/Zone.h"
#include "api/scenes/InputProfile.h"
#include "api/scenes/SceneStoreError.h"

#include "base/Result.h"

#include <QCoroTask>
#include <QList>
#include <QString>

namespace amplora::api {

template<class T> using ProfileTask = QCoro::Task<Result<T, SceneStoreError>>;

// Where input profiles are kept: at most one per zone and input, the input compared exactly. Implementations
// serialise their operations, as the scene stores do.
class InputProfileStore {
public:
    virtual ~InputProfileStore() = default;

    // The zone's profiles, in stored order.
    virtual ProfileTask<QList<InputProfile>> all(Zone zone) = 0;
    // Replaces the profile of the same zone and input (the replacement goes to the end); true when it was new.
    virtual ProfileTask<bool> save(InputProfile profile) = 0;
    // True when a profile was removed.
    virtual ProfileTask<bool> remove(Zone zone, QString input) = 0;
};

} // namespace amplora::api
