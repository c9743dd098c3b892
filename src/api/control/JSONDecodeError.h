#pragma once

#include <QString>

namespace amplora::api {

// Why a JSON value does not have the shape of one of the API's records, naming the offending key.
struct JSONDecodeError {
    QString message;

    QString description() const { return message; }

    friend bool operator==(const JSONDecodeError &, const JSONDecodeError &) = default;
};

} // namespace amplora::api
