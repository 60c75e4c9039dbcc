// MSE, mean absolute difference and mean YUV distance of one frame pair, and the PSNR of an MSE.
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "metrics/frame_metrics.h"
#include "metrics/helper_thread.h"
#include "metrics/kernel_config.h"
#include "metrics/mse_rows.h"

namespace bv {
namespace mse {
namespace {

void PortableRowImpl(const uint8_t* a, const uint8_t* b, int groups, const double* root, Sums& s) {
    for (int g = 0; g < groups; ++g, a += 4, b += 4) {
        const int d0 = a[0] - b[0], du = a[1] - b[1], d1 = a[2] - b[2], dv = a[3] - b[3];
        s.squareY += d0 * d0 + d1 * d1;
        s.squareU += 2 * du * du;
        s.squareV += 2 * dv * dv;
        s.absoluteY += std::abs(d0) + std::abs(d1);
        s.absoluteU += 2 * std::abs(du);
        s.absoluteV += 2 * std::abs(dv);
        const int chroma = du * du + dv * dv;
        s.distance += root[d0 * d0 + chroma] + root[d1 * d1 + chroma];
    }
}

} // namespace

const double* SqrtTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kMaxSquareSum + 1);
        for (int i = 0; i <= kMaxSquareSum; ++i)
            t[i] = std::sqrt(static_cast<double>(i));
        return t;
    }();
    return table.data();
}

RowFn PortableRow() { return PortableRowImpl; }

} // namespace mse

PsnrFrameResult MseKernel(const PlaneView& original, const PlaneView& encoded, int height,
                          int64_t pixelCount, bool ssimFollows) {
    if (pixelCount <= 0)
        return {}; // no pixels to average over: every figure 0 rather than 0/0
    const mse::RowFn row = ActiveKernelPath() == KernelPath::Avx2 ? mse::Avx2Row() : mse::PortableRow();
    const double* root = mse::SqrtTable();
    const int groups = original.rowSize / 4;

    // The sum of distances is a chain of dependent additions, one per group, and this pass runs
    // at the pace of that chain: a second thread would not shorten it. But when the SSIM of the
    // pair follows and shares the frame with the helper thread, the helper is woken now so that
    // its wake-up time passes during this pass. Without SSIM it sleeps and leaves its core free.
    HelperThread* helper = nullptr;
    if (ssimFollows && SsimUsesHelper(original.rowSize / 2, height)) {
        try {
            helper = &HelperThread::ForThisThread();
            helper->Prime(std::chrono::nanoseconds(2 * static_cast<int64_t>(groups) * height));
        } catch (const std::system_error&) {
        }
    }
    mse::Sums s;
    for (int y = 0; y < height && groups > 0; ++y)
        row(original.data + static_cast<std::ptrdiff_t>(y) * original.pitch,
            encoded.data + static_cast<std::ptrdiff_t>(y) * encoded.pitch, groups, root, s);
    if (helper != nullptr)
        helper->Prime(std::chrono::microseconds(300));
    const double n = static_cast<double>(pixelCount);
    return {static_cast<double>(s.squareY) / n,   static_cast<double>(s.squareU) / n,
            static_cast<double>(s.squareV) / n,   static_cast<double>(s.absoluteY) / n,
            static_cast<double>(s.absoluteU) / n, static_cast<double>(s.absoluteV) / n,
            s.distance / n};
}

double PsnrFromMse(double mse) { return 20.0 * std::log10(255.0 / std::sqrt(mse)); }

} // namespace bv
