// The per-frame records of the two metrics. The field order is part of their contract:
// the run adds the PSNR record's first six values element by element, and logs both in order.
#pragma once

namespace bv {

struct SsimFrameResult {
    double ssimY = 0;       // plain mean of the local SSIM values; 0 without windows
    double weightSum = 0;   // sum of the luminance weights
    double qY = 0;          // weighted mean SSIM; 0 when weightSum <= 0
    double windowCount = 0; // windows evaluated
    double lowestSsim = 0;  // lowest local SSIM; 1.0 when none is below 1.0
    double lowestX = 0;     // left column of the lowest window
    double lowestY = 0;     // top row of the lowest window
};

struct PsnrFrameResult {
    double mseY = 0;
    double mseU = 0;
    double mseV = 0;
    double edY = 0; // mean absolute difference per plane
    double edU = 0;
    double edV = 0;
    double edYuv = 0; // mean per-pixel Euclidean distance in YUV
};

} // namespace bv
