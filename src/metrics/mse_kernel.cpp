// MSE, mean absolute difference and mean YUV distance of one frame pair, and the PSNR of an MSE.
#include "metrics/frame_metrics.h"
#include "metrics/helper_thread.h"
#include "metrics/kernel_table.h"
#include "metrics/mse_rows.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

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

void Yuy2FrameImpl(const Frame& f, Sums& s) {
    Yuy2Rows(f, PortableRowImpl, s);
}

template <class T>
int64_t At(const PlaneView& p, int x, int y) {
    T v;
    std::memcpy(
        &v, p.data + static_cast<std::ptrdiff_t>(y) * p.pitch + static_cast<std::ptrdiff_t>(x) * sizeof(T),
        sizeof v);
    return v;
}

template <class T>
void PlanarFrameImpl(const Frame& f, Sums& s) {
    const double* root = sizeof(T) == 1 ? SqrtTable() : nullptr;
    const auto distance = [root](int64_t square) {
        return root != nullptr ? root[square] : std::sqrt(static_cast<double>(square));
    };
    for (int y = 0; y < f.height; ++y) {
        const int cy = y >> f.shiftY;
        for (int x = 0; x < f.width; x += 2) {
            double pair[2] = {0, 0};
            const int n = x + 1 < f.width ? 2 : 1;
            for (int k = 0; k < n; ++k) {
                const int64_t dy = At<T>(f.original[0], x + k, y) - At<T>(f.encoded[0], x + k, y);
                s.squareY += dy * dy;
                s.absoluteY += std::abs(dy);
                if (!f.chroma)
                    continue;
                const int cx = (x + k) >> f.shiftX;
                const int64_t du = At<T>(f.original[1], cx, cy) - At<T>(f.encoded[1], cx, cy);
                const int64_t dv = At<T>(f.original[2], cx, cy) - At<T>(f.encoded[2], cx, cy);
                s.squareU += du * du;
                s.squareV += dv * dv;
                s.absoluteU += std::abs(du);
                s.absoluteV += std::abs(dv);
                pair[k] = distance(dy * dy + du * du + dv * dv);
            }
            if (f.chroma)
                s.distance += n == 2 ? pair[0] + pair[1] : pair[0];
        }
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

FrameFn PortableYuy2Frame() {
    return Yuy2FrameImpl;
}

FrameFn PortablePlanarFrame(int bytesPerSample) {
    return bytesPerSample == 1 ? PlanarFrameImpl<uint8_t> : PlanarFrameImpl<uint16_t>;
}

} // namespace mse

PsnrFrameResult MseFrame(mse::FrameFn pass, const mse::Frame& frame, int64_t pixelCount, bool wakeHelper) {
    if (pixelCount <= 0)
        return {}; // no pixels to average over: every figure 0 rather than 0/0
    // The sum of distances is a chain of dependent additions, one per pixel pair, and this pass
    // runs at the pace of that chain: a second thread would not shorten it. But when the SSIM of
    // the pair follows and shares the frame with the helper thread, the helper is woken now so
    // that its wake-up time passes during this pass. Without SSIM it sleeps and leaves its core
    // free.
    HelperThread* helper = nullptr;
    if (wakeHelper) {
        try {
            helper = &HelperThread::ForThisThread();
            helper->Prime(std::chrono::nanoseconds(static_cast<int64_t>(frame.width) * frame.height));
        } catch (const std::system_error&) {
        }
    }
    mse::Sums s;
    pass(frame, s);
    if (helper != nullptr)
        helper->Prime(std::chrono::microseconds(300));
    const double n = static_cast<double>(pixelCount);
    return {static_cast<double>(s.squareY) / n,   static_cast<double>(s.squareU) / n,
            static_cast<double>(s.squareV) / n,   static_cast<double>(s.absoluteY) / n,
            static_cast<double>(s.absoluteU) / n, static_cast<double>(s.absoluteV) / n,
            s.distance / n};
}

PsnrFrameResult MseKernel(const PlaneView& original, const PlaneView& encoded, int height,
                          int64_t pixelCount) {
    const KernelEntry* k = FindKernels(avs::FormatFamily::PackedYuv422, 8, GetKernelConfig().path);
    mse::Frame frame;
    frame.original[0] = original;
    frame.encoded[0] = encoded;
    frame.width = original.rowSize / 2;
    frame.height = height;
    return MseFrame(k->msePaired, frame, pixelCount, false);
}

double PsnrFromMse(double mse, int peak) {
    return 20.0 * std::log10(peak / std::sqrt(mse));
}

} // namespace bv
