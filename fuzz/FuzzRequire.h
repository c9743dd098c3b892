#pragma once

#include <cstdlib>

// A broken invariant is a finding: abort so libFuzzer records the input.
inline void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}
