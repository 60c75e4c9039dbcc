// Under a locale whose decimal separator is a comma (run with LC_ALL=de_DE.UTF-8).
#include "analysis/number_format.h"
#include "analysis/run_fixture.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace bv::testing {
namespace {

TEST(CommaLocale, NumbersUseTheUsersSeparatorAndNothingElseChanges) {
    ASSERT_EQ(UserDecimalSeparator(), ",") << "run with LC_ALL=de_DE.UTF-8 (./test.sh generates it)";
    EXPECT_EQ(FormatNumber(0.98765), "0,9877");
    EXPECT_EQ(FormatNumber(12.5), "12,5");
    EXPECT_EQ(FormatNumber(3.0), "3");
    // The process's own C locale stays as it was.
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    EXPECT_STREQ(buffer, "1.5");
}

class CommaLocaleRun : public RunFolder {};

TEST_F(CommaLocaleRun, LogsAndReportsWriteCommas) {
    const std::string s1 = Source("orig.mkv", "clip w=24 h=16 frames=2");
    const std::string s2 = Source("enc.mkv", "clip w=24 h=16 frames=2 seed=3 noise=4");
    const RunOutcome out = Run(Settings(s1, {s2}));
    ASSERT_NE(out.status, RunStatus::Failed) << out.error;
    const auto logs = FilesEndingWith("_log.csv");
    ASSERT_EQ(logs.size(), 1u);
    const Lines frames = FrameLines(ReadCrLfLines(logs[0]));
    ASSERT_EQ(frames.size(), 2u);
    const auto fields = SplitFields(frames[0]);
    ASSERT_EQ(fields.size(), 8u) << frames[0];
    for (int k = 1; k <= 6; ++k) {
        EXPECT_EQ(fields[k].find('.'), std::string::npos) << fields[k];
    }
    EXPECT_NE(fields[1].find(','), std::string::npos) << "PSNR " << fields[1];
    EXPECT_EQ(fields[7].find(','), 2u) << "window corners keep their \", \"";
    EXPECT_NE(out.overviewLines[1].find(','), std::string::npos) << out.overviewLines[1];
}

} // namespace
} // namespace bv::testing
