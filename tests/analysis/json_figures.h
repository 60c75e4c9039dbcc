// A run's JSON results read back and held against its CSV log and results text: the same
// figures at the precision those print.
#pragma once

#include "analysis/number_format.h"
#include "analysis/run_fixture.h"

#include <nlohmann/json.hpp>

namespace bv::testing {

using Json = nlohmann::json;

inline Json ReadJson(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Json::parse(in); // throws on anything that is not one valid document
}

// As the logs print a figure; "" for an absent one.
inline std::string Printed(const Json& v) {
    return v.is_null() ? std::string() : FormatNumber(v.get<double>(), ".");
}

// Every frame line of the encode's CSV log, rebuilt from its JSON frames; the per-plane
// figures the log does not carry add up to the totals.
inline void ExpectJsonMatchesLog(const Json& encode, const Lines& log) {
    const Lines lines = FrameLines(log);
    const Json& frames = encode.at("frames");
    ASSERT_EQ(frames.size(), lines.size()) << encode.at("path");
    double sums[7] = {};
    const char* planes[] = {"mse_y", "mse_u", "mse_v", "mad_y", "mad_u", "mad_v", "ed_yuv"};
    for (size_t i = 0; i < lines.size(); ++i) {
        const Json& f = frames[i];
        std::string line = FormatFrameNumber(f.at("frame").get<int>());
        if (!f.at("mse_y").is_null())
            line.append(";").append(Printed(f.at("psnr_y"))).append(";").append(Printed(f.at("ed_yuv")));
        if (!f.at("q_y").is_null()) {
            const Json& w = f.at("lowest_window");
            for (const char* key : {"q_y", "weight_mean", "ssim_y", "lowest_local_ssim_y"})
                line.append(";").append(Printed(f.at(key)));
            line.append(";").append(WindowCorners(w.at("x1").get<int>(), w.at("y1").get<int>()));
            EXPECT_EQ(w.at("x2").get<int>() - w.at("x1").get<int>(), 7);
        }
        EXPECT_EQ(line, lines[i]);
        for (int p = 0; p < 7 && !f.at("mse_y").is_null(); ++p)
            sums[p] += f.at(planes[p]).get<double>();
    }
    const Json& totals = encode.at("totals");
    for (int p = 0; p < 7 && !frames.empty() && !frames[0].at("mse_y").is_null(); ++p)
        EXPECT_EQ(totals.at(planes[p]).get<double>(), sums[p] / static_cast<double>(frames.size())) << planes[p];
}

// The lines of the results text from "Source File 2: <path>" to the next separator.
inline Lines ResultsBlockOf(const Lines& results, const std::string& path) {
    auto at = std::find(results.begin(), results.end(), "Source File 2: " + path);
    auto end = std::find(at, results.end(), "========================================");
    return Lines(at, end);
}

// Every figure of the encode's block of the results text.
inline void ExpectJsonMatchesResults(const Json& encode, const Lines& results) {
    const Lines block = ResultsBlockOf(results, encode.at("path").get<std::string>());
    ASSERT_FALSE(block.empty()) << encode.at("path");
    const Json& t = encode.at("totals");
    EXPECT_EQ(LineValue(block, "Start Frame:"), std::to_string(t.at("start_frame").get<int>()));
    EXPECT_EQ(LineValue(block, "End Frame:"), std::to_string(t.at("end_frame").get<int>()));
    EXPECT_EQ(LineValue(block, "Start:"), t.at("start_time").get<std::string>());
    EXPECT_EQ(LineValue(block, "End:"), t.at("end_time").get<std::string>());
    const std::pair<const char*, const char*> figures[] = {
        {"MSE in Y:", "mse_y"}, {"MSE in U:", "mse_u"}, {"MSE in V:", "mse_v"},
        {"Euclidean Distance in Y:", "mad_y"}, {"Euclidean Distance in U:", "mad_u"},
        {"Euclidean Distance in V:", "mad_v"}, {"Euclidean Distance in YUV:", "ed_yuv"},
        {"Q in Y:", "q_y"}, {"SSIM in Y:", "ssim_y"}};
    for (const auto& [label, key] : figures) {
        if (!t.at(key).is_null()) {
            EXPECT_EQ(LineValue(block, label), Printed(t.at(key))) << label;
        }
    }
    if (!t.at("mse_y").is_null()) {
        const bool psnr = !t.at("psnr_y").is_null();
        EXPECT_NE(std::find(block.begin(), block.end(), psnr ? "PSNR in Y: " + Printed(t.at("psnr_y")) + " dB"
                                                             : std::string("PSNR in Y:")),
                  block.end());
    }
    for (const auto& [label, key] : {std::pair{"Lowest Q in Y:", "lowest_q_y"}, {"Highest Q in Y:", "highest_q_y"}}) {
        if (!t.at(key).is_null()) {
            EXPECT_EQ(LineValue(block, label),
                      Printed(t.at(key).at("value")) + " (" + std::to_string(t.at(key).at("frame").get<int>()) + ")");
        }
    }
    EXPECT_EQ(t.at("frames_analysed").get<size_t>(), encode.at("frames").size());
}

} // namespace bv::testing
