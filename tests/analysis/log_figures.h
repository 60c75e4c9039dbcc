// Checking what a run wrote in its CSV log against the figures worked out literally.
#pragma once

#include "analysis/number_format.h"
#include "analysis/run_fixture.h"
#include "support/reference_metrics.h"

#include <gtest/gtest.h>
#include <string>

namespace bv::testing {

// The literal figures of one frame pair.
struct FrameFigures {
    reference::Distances d;
    reference::Ssim s;
};

// The written figure is the literal one rounded to 4 decimals.
inline void ExpectFigure(const std::string& written, double exact, const std::string& what) {
    EXPECT_NEAR(std::stod(written), reference::Round4(exact), 1e-9)
        << what << ": " << written << " against " << exact;
}

// One frame line of a log with both metrics: frame, PSNR (empty for identical luma), ED in
// YUV, Q, weighting, SSIM, lowest local SSIM and its window; then the encode's frame number
// when the file has an offset (`encodedFrame` not -1).
inline void ExpectFrameLine(const std::string& line, int frame, const FrameFigures& x, int encodedFrame = -1) {
    const auto f = SplitFields(line);
    ASSERT_EQ(f.size(), encodedFrame < 0 ? 8u : 9u) << line;
    if (encodedFrame >= 0) {
        EXPECT_EQ(f[8], FormatFrameNumber(encodedFrame));
    }
    EXPECT_EQ(f[0], FormatFrameNumber(frame));
    if (x.d.mse[0] > 0)
        ExpectFigure(f[1], reference::Psnr(x.d.mse[0]), "PSNR");
    else
        EXPECT_EQ(f[1], "");
    ExpectFigure(f[2], x.d.edYuv, "ED in YUV");
    ExpectFigure(f[3], x.s.q, "Q");
    ExpectFigure(f[4], x.s.weightSum / x.s.windows, "weighting");
    ExpectFigure(f[5], x.s.ssim, "SSIM");
    ExpectFigure(f[6], x.s.lowest, "lowest local SSIM");
    EXPECT_EQ(f[7], WindowCorners(x.s.lowestX, x.s.lowestY));
}

// The sums over a file's frames, and the footer figures they give.
struct FileFigures {
    int frames = 0;
    double sumMse[3] = {0, 0, 0}, sumEd[3] = {0, 0, 0}, sumEdYuv = 0, sumSsim = 0, sumW = 0, sumWQ = 0;
    double lowestQ = 1.0, highestQ = 0.0;
    int lowestFrame = 0, highestFrame = 0;

    void Add(const FrameFigures& x, int frame) {
        ++frames;
        for (int p = 0; p < 3; ++p) {
            sumMse[p] += x.d.mse[p];
            sumEd[p] += x.d.ed[p];
        }
        sumEdYuv += x.d.edYuv;
        sumSsim += x.s.ssim;
        sumW += x.s.weightSum;
        sumWQ += x.s.weightSum * x.s.q;
        if (x.s.q < lowestQ) {
            lowestQ = x.s.q;
            lowestFrame = frame;
        }
        if (x.s.q > highestQ) {
            highestQ = x.s.q;
            highestFrame = frame;
        }
    }
    double Q() const { return sumWQ / sumW; }

    // The footer's averages, the PSNR of the average MSE and the weighted Q.
    void ExpectFooter(const Lines& log) const {
        const std::string psnr = LineValue(log, "PSNR in Y:");
        ASSERT_GT(psnr.size(), 3u);
        ASSERT_EQ(psnr.substr(psnr.size() - 3), " dB");
        ExpectFigure(psnr.substr(0, psnr.size() - 3), reference::Psnr(sumMse[0] / frames), "file PSNR");
        const char* planes = "YUV";
        for (int p = 0; p < 3; ++p) {
            ExpectFigure(LineValue(log, std::string("MSE in ") + planes[p] + ":"), sumMse[p] / frames, "MSE");
            ExpectFigure(LineValue(log, std::string("Euclidean Distance in ") + planes[p] + ":"),
                         sumEd[p] / frames, "ED");
        }
        ExpectFigure(LineValue(log, "Euclidean Distance in YUV:"), sumEdYuv / frames, "ED in YUV");
        ExpectFigure(LineValue(log, "Q in Y:"), Q(), "Q");
        ExpectFigure(LineValue(log, "SSIM in Y:"), sumSsim / frames, "SSIM");
    }
};

} // namespace bv::testing
