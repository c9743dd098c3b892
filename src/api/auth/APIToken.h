#pragma once

#include <QString>

namespace amplora::api {

// The API's bearer token: 32 bytes from the kernel's CSPRNG, Base64 made URL-safe (+ to -, / to _) without
// padding, so always 43 characters of A-Z, a-z, 0-9, - and _.
class APIToken {
public:
    static constexpr qsizetype kLength = 43;

    static QString generate();
};

} // namespace amplora::api
