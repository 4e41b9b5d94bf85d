#pragma once

#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/GlRecorder.h"

namespace glrec {

// A recorded call and its leading arguments; any further ones are not looked at.
inline void expectCall(const Record& r, Call call, const std::vector<double>& args = {}) {
    EXPECT_EQ(r.call, call);
    for (std::size_t k = 0; k < args.size(); ++k) {
        EXPECT_EQ(r.a[k], args[k]) << "argument " << k;
    }
}

} // namespace glrec
