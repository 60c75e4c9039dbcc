// A library that cannot be loaded, or cannot create an environment, gives a clear error
// instead of a crash. CTest runs this binary once per situation; EXPECTED_TEXT names it.
#include <cstdlib>
#include <gtest/gtest.h>

#include "frame_source/avs_error.h"
#include "frame_source/script_environment.h"

TEST(FrameSourceLoadError, RaisesWithAClearText) {
    const char* expected = std::getenv("EXPECTED_TEXT");
    ASSERT_NE(expected, nullptr);
    try {
        bv::ScriptEnvironment env;
        FAIL() << "no exception";
    } catch (const bv::EAviSynthCException& e) {
        EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
}
