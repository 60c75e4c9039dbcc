// Planar YUV and grey at every depth: every kernel-table entry against the one reference, bit for
// bit, each strip and row operation against its portable twin, and what the definitions fix.
#include "kernel_checks.h"
#include "metrics/ssim_strip.h"
#include "metrics/strip_memory.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace bv::testing {
namespace {

PlanarFrame Flat(const avs::PixelFormat& f, int width, int height, int value) {
    return RandomPlanar(f, width, height, 1, value, value);
}

TEST(PlanarKernels, EveryEntryMatchesTheReferenceForEveryFormatAndDepth) {
    struct Geometry {
        int width, height, originalPadding, encodedPadding;
    };
    // One window; widths that are not multiples of 16 or 32; pitches beyond the row.
    const Geometry geometries[] = {{8, 8, 0, 0}, {20, 10, 6, 2}, {44, 18, 0, 34}, {132, 24, 10, 0}};
    uint32_t seed = 1;
    for (const avs::PixelFormat* f : PlanarFormats())
        for (const Geometry& g : geometries) {
            SCOPED_TRACE(::testing::Message() << f->name << " " << g.width << "x" << g.height);
            const PlanarFrame o = RandomPlanar(*f, g.width, g.height, seed++, 0, -1, g.originalPadding);
            CheckPairAgainstReference(o, NoisyPlanar(o, f->PeakValue() / 10, seed++, g.encodedPadding));
            CheckPairAgainstReference(o, RandomPlanar(*f, g.width, g.height, seed++));
            // The worst case: all at the peak against all 0, both ways.
            const PlanarFrame peak = Flat(*f, g.width, g.height, f->PeakValue()),
                              zero = Flat(*f, g.width, g.height, 0);
            CheckPairAgainstReference(peak, zero);
            const PsnrFrameResult worst = CheckPairAgainstReference(zero, peak).psnr;
            const double square = static_cast<double>(f->PeakValue()) * f->PeakValue();
            EXPECT_EQ(worst.mseY, square);
            EXPECT_EQ(worst.mseU, f->family == avs::FormatFamily::Grey ? 0 : square);
        }
}

// The planar definitions generalise the packed ones: a YV16 frame and its YUY2 packing give the
// same record, to the last bit.
TEST(PlanarKernels, PlanarFourTwoTwoGivesTheRecordsOfItsYuy2Packing) {
    const avs::PixelFormat& yv16 = *avs::FindPixelFormat("YV16");
    const PlanarFrame o = RandomPlanar(yv16, 40, 12, 3), e = NoisyPlanar(o, 30, 4);
    const auto pack = [](const PlanarFrame& p) {
        Yuy2Frame f(p.width, p.height);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                f.luma(x, y) = static_cast<uint8_t>(p.Get(0, x, y));
                f.chroma(x, y) = static_cast<uint8_t>(p.Get(x % 2 == 0 ? 1 : 2, x / 2, y));
            }
        return f;
    };
    const reference::PairRecords planar = CheckPairAgainstReference(o, e);
    const Yuy2Frame po = pack(o), pe = pack(e);
    EXPECT_TRUE(SameBits(CheckMseAgainstReference(po.image(), pe.image(), 12, 40 * 12), planar.psnr));
    EXPECT_TRUE(SameBits(CheckSsimAgainstReference(po.image(), pe.image(), 12), planar.ssim));
}

// Means over the pixels equal means over the chroma samples when every sample is shared alike
// (as FFmpeg's psnr filter takes them); grey frames have Y figures only, those of any YUV frame
// with the same luma.
TEST(PlanarKernels, ChromaMeansAreOverSamplesAndGreyHasLumaOnly) {
    const avs::PixelFormat& yv12 = *avs::FindPixelFormat("YV12");
    const PlanarFrame o = RandomPlanar(yv12, 24, 16, 5), e = NoisyPlanar(o, 20, 6);
    int64_t squares = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            squares += (o.Get(1, x, y) - e.Get(1, x, y)) * (o.Get(1, x, y) - e.Get(1, x, y));
    const reference::PairRecords yuv = CheckPairAgainstReference(o, e);
    EXPECT_EQ(yuv.psnr.mseU, static_cast<double>(squares) / (12 * 8));

    const avs::PixelFormat& y8 = *avs::FindPixelFormat("Y8");
    PlanarFrame go(y8, 24, 16), ge(y8, 24, 16);
    go.planes[0] = o.planes[0];
    ge.planes[0] = e.planes[0];
    const reference::PairRecords grey = CheckPairAgainstReference(go, ge);
    EXPECT_TRUE(SameBits(yuv.ssim, grey.ssim));
    EXPECT_TRUE(SameBits(PsnrFrameResult{yuv.psnr.mseY, 0, 0, yuv.psnr.edY, 0, 0, 0}, grey.psnr));
}

// Q's thresholds scale with the depth: at 10 bits a window mean of 160 weighs 0, 180 weighs 0.5,
// 200 and more weighs 1.
TEST(PlanarKernels, WeightThresholdsScaleWithTheDepth) {
    const avs::PixelFormat& p10 = *avs::FindPixelFormat("YUV420P10");
    for (auto [mean, weight] : {std::pair{160, 0.0}, {180, 0.5}, {200, 1.0}, {1023, 1.0}}) {
        const PlanarFrame f = Flat(p10, 8, 8, mean);
        EXPECT_EQ(CheckPairAgainstReference(f, f).ssim.weightSum, weight) << mean;
    }
    EXPECT_EQ(ssim::FactsFor(10).c1, 1023.0 * 1023 / 10000);
    EXPECT_EQ(ssim::FactsFor(16).c2, 9 * 65535.0 * 65535 / 10000);
}

// Each operation of an AVX2 strip on its own against the portable strip of the same layout
// (x264's checkasm way): column sums after start and after advance, the terms, lowest and sums of
// evaluate, and accumulate.
TEST(PlanarKernels, EachStripOperationMatchesItsPortableTwin) {
    for (const KernelEntry& k : KernelTable()) {
        if (k.path != KernelPath::Avx2 || k.ssim->wideSums)
            continue;
        const avs::PixelFormat* format = avs::FindPixelFormat(k.layout == ssim::LumaLayout::Yuy2 ? "YUY2"
                                                              : k.bits == 8                      ? "Y8"
                                                                                                 : "Y10");
        const ssim::StripOps& plain = ssim::PortableOps(k.layout);
        SCOPED_TRACE(::testing::Message() << format->name << " " << k.bits << " bits");
        for (const int worst : {0, 1}) {
            const int width = 77, height = 12;
            const PlanarFrame o =
                worst ? Flat(*format, width, height, k.peak) : RandomPlanar(*format, width, height, 7);
            const PlanarFrame e = worst ? Flat(*format, width, height, 0) : NoisyPlanar(o, k.peak / 5, 8);
            // Both strips read the same images; the portable one keeps deep sums wide.
            ssim::Strip strip[2];
            ssim::StripMemory memory[2];
            std::vector<ssim::TermBlock> terms[2];
            const ssim::StripOps* ops[2] = {&plain, k.ssim};
            for (int i = 0; i < 2; ++i) {
                strip[i] = {
                    k.facts, o.planes[0].data(), e.planes[0].data(), o.pitch[0], e.pitch[0], 0, width - 7,
                    width};
                memory[i].Attach(strip[i], ops[i]->wideSums);
                terms[i].assign(ssim::TermBlocks(width - 7), ssim::TermBlock{});
            }
            for (int y = 0; y + 8 <= height; ++y) {
                for (int i = 0; i < 2; ++i)
                    (y == 0 ? ops[i]->start : ops[i]->advance)(strip[i], y);
                for (int c = 0; c < width && !plain.wideSums; ++c)
                    EXPECT_TRUE(strip[0].sumPacked[c] == strip[1].sumPacked[c] &&
                                strip[0].sumOO[c] == strip[1].sumOO[c] &&
                                strip[0].sumEE[c] == strip[1].sumEE[c] &&
                                strip[0].sumOE[c] == strip[1].sumOE[c])
                        << (y == 0 ? "start" : "advance") << ", column " << c;
                ssim::Lowest lowest[2];
                for (int i = 0; i < 2; ++i)
                    ops[i]->evaluate(strip[i], 0, width - 7, terms[i].data(), lowest[i], nullptr);
                for (int w = 0; w < width - 7; ++w) { // AVX2 may fill blocks past the last window
                    const ssim::TermBlock &a = terms[0][w >> 2], &b = terms[1][w >> 2];
                    EXPECT_EQ(
                        0, std::memcmp(ssim::PairOf(a, w & 3), ssim::PairOf(b, w & 3), 2 * sizeof(double)));
                    EXPECT_EQ(a.weight[w & 3], b.weight[w & 3]) << "evaluate, band " << y << ", window " << w;
                }
                EXPECT_EQ(lowest[0].value, lowest[1].value);
                EXPECT_EQ(lowest[0].x, lowest[1].x);
                ssim::Sums sums[2];
                for (int i = 0; i < 2; ++i)
                    ops[i]->accumulate(sums[i], terms[0].data(), 3, width - 7 - 3);
                EXPECT_EQ(0, std::memcmp(&sums[0], &sums[1], sizeof sums[0])) << "accumulate";
            }
        }
    }
}

// The MSE passes on their own: the YUY2 row, and each entry's frame pass against the portable
// pass, the worst case among the inputs.
TEST(PlanarKernels, EachMsePassMatchesItsPortableTwin) {
    if (Avx2Supported()) {
        const Yuy2Frame o = Random(70, 1, 9), e = Random(70, 1, 10), white = Uniform(70, 1, 255, 255),
                        black = Uniform(70, 1, 0, 0);
        for (const auto& [a, b] : {std::pair{&o, &e}, {&white, &black}, {&black, &white}}) {
            mse::Sums s[2];
            mse::PortableRow()(a->bytes.data(), b->bytes.data(), 35, mse::SqrtTable(), s[0]);
            mse::Avx2Row()(a->bytes.data(), b->bytes.data(), 35, mse::SqrtTable(), s[1]);
            EXPECT_EQ(0, std::memcmp(&s[0], &s[1], sizeof s[0]));
        }
    }
    for (const avs::PixelFormat* f : PlanarFormats())
        for (const KernelEntry& k : KernelTable()) {
            if (k.family != f->family || k.bits != f->bitDepth)
                continue;
            const PlanarFrame o = RandomPlanar(*f, 52, 6, 11), e = NoisyPlanar(o, k.peak / 3, 12);
            const PlanarFrame peak = Flat(*f, 52, 6, k.peak), zero = Flat(*f, 52, 6, 0);
            for (const auto& [a, b] : {std::pair{&o, &e}, {&peak, &zero}}) {
                const reference::Picture pa = a->Picture(), pb = b->Picture();
                mse::Frame frame = {
                    {}, {}, 52, 6, f->chromaShiftX, f->chromaShiftY, f->family != avs::FormatFamily::Grey};
                std::copy_n(pa.planes, 3, frame.original);
                std::copy_n(pb.planes, 3, frame.encoded);
                mse::Sums s[2];
                mse::PortablePlanarFrame(f->bytesPerSample)(frame, s[0]);
                (f->chromaShiftX == 1 || f->family == avs::FormatFamily::Grey ? k.msePaired
                                                                              : k.mseOther)(frame, s[1]);
                EXPECT_EQ(0, std::memcmp(&s[0], &s[1], sizeof s[0]))
                    << f->name << (k.path == KernelPath::Avx2 ? " AVX2" : "");
            }
        }
}

} // namespace
} // namespace bv::testing
