#pragma once

#include <QString>

namespace amplora::api {

// A scene store could not read or write its scenes; the message says what and where.
struct SceneStoreError {
    QString message;

    QString description() const { return message; }

    friend bool operator==(const SceneStoreError &, const SceneStoreError &) = default;
};

} // namespace amplora::api
