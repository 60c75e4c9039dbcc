// The x264 frames the clip fixture makes for the metric tests: a normal and a dark original,
// each encoded at CRF 18, 28 and 38, three 720x576 frames apiece.
#pragma once

#include "test_frames.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace bv::testing {

// Calls `check` for every pair (original frame, the same frame of one encode).
inline void ForEachRealEncodedPair(const std::function<void(const Yuy2Frame&, const Yuy2Frame&)>& check) {
    const std::string dir = TestDataDir();
    for (const char* source : {"orig", "dark"}) {
        const auto originals = ReadYuyvFile(dir + "/metrics_" + source + ".yuyv", 720, 576);
        ASSERT_EQ(originals.size(), 3u) << "test clips missing in " << dir;
        for (int crf : {18, 28, 38}) {
            const auto encodes =
                ReadYuyvFile(dir + "/metrics_" + source + "_crf" + std::to_string(crf) + ".yuyv", 720, 576);
            ASSERT_EQ(encodes.size(), originals.size());
            for (size_t f = 0; f < originals.size(); ++f) {
                SCOPED_TRACE(::testing::Message() << source << " crf " << crf << " frame " << f);
                check(originals[f], encodes[f]);
            }
        }
    }
}

} // namespace bv::testing
