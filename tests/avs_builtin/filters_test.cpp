// The generators, conversions and edits, on frames made by the server itself.
#include "avs_builtin/color_convert.h"
#include "avs_test_support.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>
#include <gtest/gtest.h>

namespace bv::builtin::test {
namespace {

// AviSynth's bicubic kernel with b = c = 1/3 (Mitchell-Netravali), for |x| < 2.
double Cubic(double x) {
    x = std::fabs(x);
    return x < 1 ? (7 * x * x * x - 12 * x * x + 16.0 / 3) / 6
                 : (-7.0 / 3 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3) / 6;
}

class Filters : public ::testing::Test {
protected:
    FramePtr Frame(const std::string& script, int n = 0) { return EvalClip(env, script)->GetFrame(n); }
    ScriptEngine env;
};

TEST_F(Filters, GeneratorsHaveTheirDocumentedShape) {
    ClipPtr bars = EvalClip(env, "ColorBars()");
    EXPECT_EQ(bars->info().width, 640);
    EXPECT_EQ(bars->info().height, 480);
    EXPECT_EQ(bars->info().format, PixelFormat::RGB32);
    EXPECT_EQ(bars->info().frameCount, 107892);
    EXPECT_EQ(bars->info().fpsNumerator, 30000u);
    EXPECT_EQ(bars->info().fpsDenominator, 1001u);
    ClipPtr blank = EvalClip(env, "BlankClip()");
    EXPECT_EQ(blank->info().frameCount, 240);
    // AviSynth+ 3.7's BlankClip: fps alone over a power of two (29.97 * 2^20 rounded, over
    // 2^20), else fps rounded over fps_denominator; in lowest terms.
    const std::pair<const char*, std::pair<unsigned, unsigned>> rates[] = {
        {"fps=29.97", {31425823, 1048576}}, {"fps=29.97, fps_denominator=1", {30, 1}},
        {"fps=50, fps_denominator=2", {25, 1}}, {"fps_denominator=2", {12, 1}}};
    for (const auto& [rate, want] : rates) {
        const VideoInfo& vi = EvalClip(env, std::string("BlankClip(") + rate + ")")->info();
        EXPECT_EQ(std::make_pair(vi.fpsNumerator, vi.fpsDenominator), want) << rate;
    }
    EXPECT_EQ(ErrorOf(env, "BlankClip(pixel_type=\"NV12\")").substr(0, 89),
              "BlankClip: pixel_type must be \"RGB32\", \"RGB24\", \"YV12\", \"YV24\", \"YV16\", \"Y8\", \n\"YUV420P?\"");
    EXPECT_EQ(blank->info().fpsNumerator, 24u);
    EXPECT_EQ(blank->info().format, PixelFormat::RGB32);
    // A template clip gives its properties; named arguments override them.
    ClipPtr like = EvalClip(env, "BlankClip(ColorBars(320, 240, \"YUY2\"), length=9)");
    EXPECT_EQ(like->info().width, 320);
    EXPECT_EQ(like->info().format, PixelFormat::YUY2);
    EXPECT_EQ(like->info().frameCount, 9);
    EXPECT_EQ(like->info().fpsNumerator, 30000u);
    for (const char* type : {"RGB24", "RGB32", "YUY2", "YV12", "I420"}) {
        FramePtr f = Frame(std::string("ColorBars(720, 480, \"") + type + "\")");
        EXPECT_EQ(f->pitch(0) % kFrameAlign, 0) << type;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(f->data(0)) % kFrameAlign, 0u) << type;
        EXPECT_GE(f->pitch(0), f->rowSize(0));
        EXPECT_EQ(f->planeHeight(0), 480);
    }
    FramePtr yuy2 = Frame("BlankClip(width=720, height=576, pixel_type=\"YUY2\")");
    EXPECT_EQ(yuy2->rowSize(0), 1440);
    EXPECT_EQ(yuy2->pitch(0), 1472); // what AviSynth+ gives for this size
}

// Pixel (x, y) of any format as {R, G, B} or {Y, U, V}, deeper samples scaled to 8 bits.
std::array<int, 3> PixelAt(const VideoFrame& f, int x, int y) {
    const avs::PixelFormat& d = Describe(f.format());
    if (IsRgb(f.format())) {
        const uint8_t* p = f.row(y) + x * BytesPerPixel(f.format());
        return {p[2], p[1], p[0]};
    }
    if (f.format() == PixelFormat::YUY2) {
        const uint8_t* p = f.row(y) + (x & ~1) * 2;
        return {p[(x & 1) * 2], p[1], p[3]};
    }
    auto sample = [&](int p, int px, int py) {
        const uint8_t* row = f.data(p) + static_cast<ptrdiff_t>(py) * f.pitch(p);
        return d.bytesPerSample == 1 ? row[px] : reinterpret_cast<const uint16_t*>(row)[px] >> (d.bitDepth - 8);
    };
    const int cx = x >> d.chromaShiftX, cy = y >> d.chromaShiftY;
    return {sample(0, x, y), sample(1, cx, cy), sample(2, cx, cy)};
}

TEST_F(Filters, ColorBarsHasAviSynthPlusLevelsInEveryPixelType) {
    // AviSynth+ 3.7's tables (source.cpp): studio RGB with 75% at 180, and its own YUV values.
    const int top[7][6] = {{180, 180, 180, 180, 128, 128}, {180, 180, 16, 162, 44, 142},
                           {16, 180, 180, 131, 156, 44},   {16, 180, 16, 112, 72, 58},
                           {180, 16, 180, 84, 184, 198},   {180, 16, 16, 65, 100, 212},
                           {16, 16, 180, 35, 212, 114}};
    const int pluge[7][6] = {{16, 70, 106, 16, 158, 95},   {235, 235, 235, 235, 128, 128},
                             {72, 16, 118, 16, 174, 149},  {16, 16, 16, 16, 128, 128},
                             {7, 7, 7, 7, 128, 128},       {16, 16, 16, 16, 128, 128},
                             {25, 25, 25, 25, 128, 128}};
    // 700 x 480: bars 100 wide, pluge parts 125 and 33 1/3 wide; sample the middle of each.
    const int topX[7] = {50, 150, 250, 350, 450, 550, 650};
    const int plugeX[7] = {62, 187, 312, 437, 516, 550, 583};
    for (const char* type : {"RGB32", "RGB24", "YUY2", "YV12", "I420", "YV16", "YV24", "YV411", "YUV420P10"}) {
        FramePtr f = Frame(std::string("ColorBars(700, 480, \"") + type + "\")");
        const bool rgb = IsRgb(f->format());
        auto expect = [&](const int(&want)[6], int x, int y) {
            const std::array<int, 3> got = PixelAt(*f, x, y);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(got[c], want[rgb ? c : 3 + c]) << type << " at " << x << "," << y << " component " << c;
        };
        for (int i = 0; i < 7; ++i) {
            expect(top[i], topX[i], 100);
            expect(i % 2 == 0 ? top[6 - i] : pluge[3], topX[i], 340); // reversed blue bars, black between
            expect(pluge[i], plugeX[i], 450);
        }
        if (f->format() == PixelFormat::RGB32) {
            EXPECT_EQ(f->row(0)[3], 0) << "alpha";
        }
    }
    EXPECT_EQ(ErrorOf(env, "ColorBars(pixel_type=\"Y8\")"), "ColorBars: this pixel_type not supported\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "ColorBars(90, 50, \"YV411\")"),
              "ColorBars: for 4:1:1 width must be divisible by 4!\n(/t/x.avs, line 1)");
}

TEST_F(Filters, ColorBarsEdgesFallWhereAviSynthPlusPutsThem) {
    // Where each bar ends at 92 x 50, as AviSynth+ 3.7 computes it: for a band W samples wide,
    // top bar i ends at (W (i + 1) + 3) / 7, bottom parts at (5 W (i + 1) + 14) / 28 and
    // (W (i + 12) + 10) / 21. Subsampled YUV lays them out on its chroma grid (W = 46 for
    // 4:2:2 and 4:2:0, 23 for 4:1:1). RGB counts its bands from the bottom row up (h/4 and
    // h/3 rows), YUV from the top (two thirds and three quarters, of chroma rows).
    struct Case {
        const char* type;
        std::vector<int> upper, bottom;
    };
    const Case cases[] = {
        {"RGB32", {13, 26, 39, 53, 66, 79, 92}, {16, 33, 49, 66, 70, 74, 79, 92}},
        {"YV24", {13, 26, 39, 53, 66, 79, 92}, {16, 33, 49, 66, 70, 74, 79, 92}},
        {"YV12", {14, 26, 40, 52, 66, 78, 92}, {16, 32, 50, 66, 70, 74, 78, 92}},
        {"YUY2", {14, 26, 40, 52, 66, 78, 92}, {16, 32, 50, 66, 70, 74, 78, 92}},
        {"YV411", {12, 28, 40, 52, 64, 80, 92}, {16, 32, 48, 64, 72, 76, 80, 92}},
    };
    for (const Case& c : cases) {
        FramePtr f = Frame(std::string("ColorBars(92, 50, \"") + c.type + "\")");
        auto runEnds = [&](int y) {
            std::vector<int> ends;
            for (int x = 1; x <= 92; ++x)
                if (x == 92 || PixelAt(*f, x, y) != PixelAt(*f, x - 1, y))
                    ends.push_back(x);
            return ends;
        };
        EXPECT_EQ(runEnds(0), c.upper) << c.type;
        EXPECT_EQ(runEnds(36), c.upper) << c.type;
        EXPECT_EQ(runEnds(49), c.bottom) << c.type;
        // Rows 0-33 top, 34-37 the reversed blue bars, 38-49 the bottom band.
        EXPECT_EQ(PixelAt(*f, 0, 33), PixelAt(*f, 0, 0)) << c.type;
        EXPECT_EQ(PixelAt(*f, 0, 34), PixelAt(*f, 90, 0)) << c.type; // blue opens the middle band
        EXPECT_EQ(PixelAt(*f, 0, 37), PixelAt(*f, 90, 0)) << c.type;
        EXPECT_EQ(PixelAt(*f, 0, 38), PixelAt(*f, 0, 49)) << c.type;
        EXPECT_NE(PixelAt(*f, 0, 38), PixelAt(*f, 0, 37)) << c.type;
    }
}

TEST_F(Filters, VersionShowsText) {
    FramePtr f = Frame("Version()");
    EXPECT_EQ(f->width(), 436);
    int lit = 0;
    for (int y = 0; y < f->height(); ++y)
        for (int x = 0; x < f->width(); ++x)
            lit += f->row(y)[3 * x] == 0xf0 ? 1 : 0;
    EXPECT_GT(lit, 500);
    EXPECT_EQ(f->row(0)[0], 0x60); // background, blue byte first
}

TEST_F(Filters, BlankClipColoursUseRec601LimitedRange) {
    FramePtr black = Frame("BlankClip(width=8, height=2, pixel_type=\"YUY2\")");
    EXPECT_EQ(RowOf(*black, 0, 0).substr(0, 4), std::string("\x10\x80\x10\x80", 4));
    FramePtr white = Frame("BlankClip(width=8, height=2, pixel_type=\"YV12\", color=$FFFFFF)");
    EXPECT_EQ(white->data(0)[0], 235);
    EXPECT_EQ(white->data(1)[0], 128);
    EXPECT_EQ(white->data(2)[0], 128);
    FramePtr direct = Frame("BlankClip(width=8, height=2, pixel_type=\"YUY2\", color_yuv=$503C78)");
    EXPECT_EQ(RowOf(*direct, 0, 0).substr(0, 4), std::string("\x50\x3c\x50\x78", 4));
    // Rec.601 primaries in limited range (Y, U, V).
    int y, u, v;
    RgbToYuv601(255, 0, 0, y, u, v);
    EXPECT_EQ(y, 81);
    EXPECT_NEAR(u, 90, 1);
    EXPECT_NEAR(v, 240, 1);
    RgbToYuv601(0, 0, 255, y, u, v);
    EXPECT_EQ(y, 41);
    EXPECT_NEAR(u, 240, 1);
    EXPECT_NEAR(v, 110, 1);
}

TEST_F(Filters, ConvertToYuy2KeepsThe420LumaAndInterpolatesChroma) {
    // ColorBars has sharp vertical edges in chroma: a good check of the siting.
    ClipPtr planar = EvalClip(env, "ColorBars(64, 48, \"YV12\")");
    ClipPtr packed = EvalClip(env, "ColorBars(64, 48, \"YV12\").ConvertToYUY2()");
    FramePtr a = planar->GetFrame(0), b = packed->GetFrame(0);
    ASSERT_EQ(b->format(), PixelFormat::YUY2);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(b->row(y)[2 * x], a->row(y)[x]) << x << "," << y;
    const int k = 32 / 2 - 1; // chroma rows 14, 15: the top bars; 16, 17: the strip
    const int ua = a->data(1)[static_cast<ptrdiff_t>(k) * a->pitch(1)];
    const int ub = a->data(1)[static_cast<ptrdiff_t>(k + 1) * a->pitch(1)];
    ASSERT_NE(ua, ub);
    // Without options AviSynth's own kernel: each luma row takes 3/4 of its chroma row and 1/4
    // of the next one towards it, as avg(avg(near, far) - 1, near) of bytes rounding up.
    auto threeToOne = [](int near, int far) { return ((near + far + 1) / 2 + near) / 2; };
    EXPECT_EQ(b->row(2 * k + 1)[1], threeToOne(ua, ub));
    EXPECT_EQ(b->row(2 * k + 2)[1], threeToOne(ub, ua));
    for (int y : {0, 1, 46, 47}) // the first and last two rows take their chroma row as it is
        EXPECT_EQ(b->row(y)[3], a->data(2)[y / 2 * a->pitch(2)]) << y;
    // With a resampler named, the bicubic kernel (b = c = 1/3); MPEG-2 puts chroma row k
    // between luma rows 2k and 2k+1, so luma row 2k+1 lies a quarter chroma row below it.
    FramePtr r = Frame("ColorBars(64, 48, \"YV12\").ConvertToYUY2(chromaresample=\"bicubic\")");
    const double near = Cubic(0.25) + Cubic(1.25), far = Cubic(0.75) + Cubic(1.75);
    EXPECT_EQ(r->row(2 * k + 1)[1], std::lround(near * ua + far * ub));
    EXPECT_EQ(r->row(2 * k + 2)[1], std::lround(far * ua + near * ub));
    EXPECT_EQ(r->row(0)[1], a->data(1)[0]); // the edge repeats
    // And back: the same luma, and the same chroma wherever it does not change vertically
    // within the kernels' reach.
    FramePtr c = EvalClip(env, "ColorBars(64, 48, \"YV12\").ConvertToYUY2().ConvertToYV12()")->GetFrame(0);
    EXPECT_EQ(PlaneBytes(*c, 0), PlaneBytes(*a, 0));
    auto at = [](const VideoFrame& f, int p, int x, int y) { return f.data(p)[y * f.pitch(p) + x]; };
    int flat = 0;
    for (int p = 1; p < 3; ++p)
        for (int y = 3; y < 21; ++y)
            for (int x = 0; x < 32; ++x)
                if (at(*a, p, x, y - 3) == at(*a, p, x, y) && at(*a, p, x, y + 3) == at(*a, p, x, y) &&
                    at(*a, p, x, y - 2) == at(*a, p, x, y) && at(*a, p, x, y + 2) == at(*a, p, x, y) &&
                    at(*a, p, x, y - 1) == at(*a, p, x, y) && at(*a, p, x, y + 1) == at(*a, p, x, y)) {
                    ++flat;
                    EXPECT_EQ(at(*c, p, x, y), at(*a, p, x, y)) << p << ":" << x << "," << y;
                }
    EXPECT_GT(flat, 600);
}

TEST_F(Filters, InterlacedConversionWorksPerField) {
    // Alternate lines of two colours: a progressive filter would mix the fields.
    auto src = VideoFrame::Create(PixelFormat::YUY2, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x) {
            uint8_t* p = src->writableRow(y) + 4 * x;
            p[0] = p[2] = 100;
            p[1] = y % 2 == 0 ? 60 : 200;
            p[3] = 128;
        }
    FramePtr planar = PlanarFromYuy2(*src, true, PixelFormat::YV12);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(planar->data(1)[c * planar->pitch(1)], c % 2 == 0 ? 60 : 200) << c;
    FramePtr back = Yuy2FromPlanar(*planar, true);
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(back->row(y)[1], y % 2 == 0 ? 60 : 200) << y;
    // AviSynth's own kernels keep the fields apart too.
    FramePtr direct = Yv12FromYuy2Direct(*src, true, PixelFormat::YV12);
    EXPECT_EQ(PlaneBytes(*direct, 1), PlaneBytes(*planar, 1));
    EXPECT_EQ(PlaneBytes(*Yuy2FromYv12Direct(*direct, true)), PlaneBytes(*back));
}

TEST_F(Filters, Yv12AndYuy2WithoutOptionsMixChromaRowsAsAviSynthDoes) {
    // Every chroma row different, so each output row shows which rows it mixed.
    auto threeToOne = [](int near, int far) { return ((near + far + 1) / 2 + near) / 2; };
    auto yuy2 = VideoFrame::Create(PixelFormat::YUY2, 4, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 2; ++x) {
            uint8_t* p = yuy2->writableRow(y) + 4 * x;
            p[0] = p[2] = static_cast<uint8_t>(y);
            p[1] = static_cast<uint8_t>(10 * y + 7);
            p[3] = static_cast<uint8_t>(250 - 9 * y);
        }
    auto u = [&](int y) { return 10 * y + 7; };
    FramePtr progressive = Yv12FromYuy2Direct(*yuy2, false, PixelFormat::YV12);
    FramePtr interlaced = Yv12FromYuy2Direct(*yuy2, true, PixelFormat::YV12);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(progressive->data(1)[c * progressive->pitch(1)], (u(2 * c) + u(2 * c + 1) + 1) / 2) << c;
        const int k = 4 * (c / 2);
        EXPECT_EQ(interlaced->data(1)[c * interlaced->pitch(1)],
                  c % 2 == 0 ? threeToOne(u(k), u(k + 2)) : threeToOne(u(k + 3), u(k + 1)))
            << c;
    }
    EXPECT_EQ(PlaneBytes(*progressive, 0), PlaneBytes(*interlaced, 0));

    // 4:2:0 -> YUY2: 3/4 of the row's own chroma row, 1/4 of the next towards it (within the
    // field); the first and last two rows (four interlaced) keep their own.
    auto yv12 = VideoFrame::Create(PixelFormat::YV12, 4, 16);
    for (int c = 0; c < 8; ++c)
        for (int p = 1; p < 3; ++p)
            for (int x = 0; x < 2; ++x)
                yv12->writableData(p)[c * yv12->pitch(p) + x] = static_cast<uint8_t>(13 * c + 5 + 90 * (p - 1));
    auto c420 = [](int c) { return 13 * c + 5; };
    FramePtr p2 = Yuy2FromYv12Direct(*yv12, false), i2 = Yuy2FromYv12Direct(*yv12, true);
    const int progressiveRows[4] = {c420(0), c420(0), threeToOne(c420(1), c420(0)), threeToOne(c420(1), c420(2))};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(p2->row(y)[1], progressiveRows[y]) << y;
    EXPECT_EQ(p2->row(15)[1], c420(7));
    EXPECT_EQ(p2->row(13)[1], threeToOne(c420(6), c420(7)));
    for (int y : {0, 1, 2, 3})
        EXPECT_EQ(i2->row(y)[1], c420(y % 2)) << y;
    EXPECT_EQ(i2->row(4)[1], threeToOne(c420(2), c420(0)));
    EXPECT_EQ(i2->row(5)[1], threeToOne(c420(3), c420(1)));
    EXPECT_EQ(i2->row(6)[1], threeToOne(c420(2), c420(4)));
    EXPECT_EQ(i2->row(7)[1], threeToOne(c420(3), c420(5)));
    EXPECT_EQ(i2->row(14)[3], c420(6) + 90);

    // Scripts reach these kernels only when no placement or resampler is named.
    const std::string bars = "ColorBars(64, 48, \"YUY2\")";
    FramePtr yuy2Bars = Frame(bars);
    EXPECT_EQ(PlaneBytes(*Frame(bars + ".ConvertToYV12()"), 1),
              PlaneBytes(*Yv12FromYuy2Direct(*yuy2Bars, false, PixelFormat::YV12), 1));
    EXPECT_EQ(PlaneBytes(*Frame(bars + ".ConvertToYV12(chromaresample=\"bicubic\")"), 1),
              PlaneBytes(*PlanarFromYuy2(*yuy2Bars, false, PixelFormat::YV12), 1));
}

TEST_F(Filters, RgbConversionsRoundTripAndKeepOrientation) {
    FramePtr yuy2 = Frame("ColorBars(32, 24, \"RGB32\").ConvertToYUY2()");
    FramePtr rgb = Frame("ColorBars(32, 24, \"RGB32\")");
    // ColorBars' top-left is 75% grey, its bottom-left -I: compare both ends of the picture.
    EXPECT_EQ(yuy2->row(0)[0], 180); // the bars are marked studio RGB, which keeps its levels
    EXPECT_LT(yuy2->row(23)[0], 70); // -I is dark
    EXPECT_EQ(rgb->row(0)[0], 180);  // row(0) is the top of the picture
    // Random colours in blocks of four pixels survive RGB -> YUY2 -> RGB within rounding
    // where the 1-2-1 chroma of the even pixel lies inside one block: the third pixel.
    auto orig = VideoFrame::Create(PixelFormat::RGB24, 64, 4);
    uint32_t seed = 12345;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; x += 4) {
            seed = seed * 1103515245 + 12345;
            for (int k = 0; k < 4; ++k)
                for (int c = 0; c < 3; ++c)
                    orig->writableRow(y)[(x + k) * 3 + c] = static_cast<uint8_t>(seed >> (8 * c + 5));
        }
    FramePtr round = RgbFromYuy2(*Yuy2FromRgb(*orig), PixelFormat::RGB24);
    int worst = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 3 && x % 4 == 2; ++c)
                worst = std::max(worst, std::abs(round->row(y)[x * 3 + c] - orig->row(y)[x * 3 + c]));
    EXPECT_LE(worst, 3);
    EXPECT_EQ(Frame("ColorBars(32, 24, \"YUY2\").ConvertToRGB()")->format(), PixelFormat::RGB32);
    EXPECT_EQ(Frame("ColorBars(32, 24, \"RGB24\").ConvertToRGB32()")->row(0)[3], 255);
}

TEST_F(Filters, Yuy2ToRgbTakesOddPixelsChromaFromBothPairs) {
    // Two pairs (Y0 U Y1 V) per row: chroma 90/200, then 170/60.
    auto yuy2 = VideoFrame::Create(PixelFormat::YUY2, 4, 2);
    const uint8_t pairs[] = {100, 90, 120, 200, 140, 170, 160, 60};
    for (int y = 0; y < 2; ++y)
        std::copy(std::begin(pairs), std::end(pairs), yuy2->writableRow(y));
    FramePtr rgb = RgbFromYuy2(*yuy2, PixelFormat::RGB24);
    // Rec.601 inverted: B = 255/219 (Y - 16) + 255 (1 - Kb) / 112 (U - 128), R likewise with V, Kr.
    auto blue = [](double y, double u) { return 255 / 219. * (y - 16) + 255 * (1 - 0.114) / 112 * (u - 128); };
    auto red = [](double y, double v) { return 255 / 219. * (y - 16) + 255 * (1 - 0.299) / 112 * (v - 128); };
    const double want[4][2] = {{blue(100, 90), red(100, 200)},
                               {blue(120, (90 + 170) / 2.), red(120, (200 + 60) / 2.)}, // between the pairs
                               {blue(140, 170), red(140, 60)},
                               {blue(160, 170), red(160, 60)}}; // the last pair has no next one
    for (int x = 0; x < 4; ++x) {
        EXPECT_NEAR(rgb->row(1)[3 * x], want[x][0], 1) << x;
        EXPECT_NEAR(rgb->row(1)[3 * x + 2], want[x][1], 1) << x;
    }
    // G of the last pixel is 206.5; AviSynth+'s factors, cut to 14 bits, land below the half.
    EXPECT_EQ(rgb->row(0)[3 * 3 + 1], 206);
}

// The documented RGB -> YUV formula: y' = Kr R + Kg G + Kb B, U = 128 + (B - y') / (2 (1 - Kb)),
// V = 128 + (R - y') / (2 (1 - Kr)); limited range scales y' by 219/255 (+16), U, V by 224/255.
std::array<long, 3> DocumentedYuv(double kr, double kb, bool limited, double r, double g, double b) {
    const double y = kr * r + (1 - kr - kb) * g + kb * b, s = limited ? 224.0 / 255 : 1;
    return {std::lround(limited ? 16 + y * 219 / 255 : y), std::lround(128 + (b - y) / (2 * (1 - kb)) * s),
            std::lround(std::min(255.0, 128 + (r - y) / (2 * (1 - kr)) * s))};
}

TEST_F(Filters, ConversionsUseTheChosenMatrix) {
    const struct {
        const char* name;
        double kr, kb;
        bool limited;
    } matrices[] = {{"Rec601", 0.299, 0.114, true},
                    {"PC.601", 0.299, 0.114, false},
                    {"Rec709", 0.2126, 0.0722, true},
                    {"PC.709", 0.2126, 0.0722, false},
                    {"Rec2020", 0.2627, 0.0593, true}};
    for (const auto& m : matrices) {
        for (const char* target : {"YV12", "YUY2"}) {
            FramePtr f = Frame(std::string("BlankClip(width=8, height=4, color=$C83214).ConvertTo") + target +
                               "(matrix=\"" + m.name + "\")");
            // AviSynth+ works in fixed point (15 fractional bits): a sample may be 1 off the
            // exact value, but white and black land exactly on the range's ends.
            const auto want = DocumentedYuv(m.kr, m.kb, m.limited, 200, 50, 20);
            const bool packed = f->format() == PixelFormat::YUY2;
            EXPECT_NEAR(packed ? f->row(1)[2] : f->data(0)[0], want[0], 1) << m.name << " " << target;
            EXPECT_NEAR(packed ? f->row(1)[1] : f->data(1)[0], want[1], 1) << m.name << " " << target;
            EXPECT_NEAR(packed ? f->row(1)[3] : f->data(2)[0], want[2], 1) << m.name << " " << target;
            for (const char* colour : {"$FFFFFF", "$000000"}) {
                FramePtr e = Frame(std::string("BlankClip(width=8, height=4, color=") + colour + ").ConvertTo" +
                                   target + "(matrix=\"" + m.name + "\")");
                const int y = colour[1] == 'F' ? (m.limited ? 235 : 255) : (m.limited ? 16 : 0);
                EXPECT_EQ(packed ? e->row(1)[2] : e->data(0)[0], y) << m.name << " " << target << colour;
                EXPECT_EQ(packed ? e->row(1)[1] : e->data(1)[0], 128) << m.name << " " << target << colour;
                EXPECT_EQ(packed ? e->row(1)[3] : e->data(2)[0], 128) << m.name << " " << target << colour;
            }
        }
        // And back: within rounding of the colour.
        FramePtr rgb =
            Frame(std::string("BlankClip(width=8, height=4, color=$C83214).ConvertToYV12(matrix=\"") +
                  m.name + "\").ConvertToRGB24(matrix=\"" + m.name + "\")");
        EXPECT_NEAR(rgb->row(2)[2 * 3 + 2], 200, 2) << m.name;
        EXPECT_NEAR(rgb->row(2)[2 * 3 + 1], 50, 2) << m.name;
        EXPECT_NEAR(rgb->row(2)[2 * 3 + 0], 20, 2) << m.name;
    }
    EXPECT_NE(ErrorOf(env, "BlankClip().ConvertToYV12(matrix=\"Rec999\")").find("Rec999"), std::string::npos);
    EXPECT_EQ(ErrorOf(env, "BlankClip(width=7).ConvertToYUY2()"),
              "ConvertToYUY2: Image width must be even. Use Crop!\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "BlankClip(height=6).ConvertToYV12(interlaced=true)"),
              "ConvertToYV12: Interlaced image height must be multiple of 4\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, "BlankClip().ConvertToYV12(chromaresample=\"nearest\")"),
              "Convert: Unknown chroma resampler, 'nearest'\n(/t/x.avs, line 1)");
}

TEST_F(Filters, ConversionsTakeTheirDefaultsFromTheSourcesMarks) {
    auto rgbOf = [this](const std::string& script) {
        const FramePtr f = Frame(script);
        const uint8_t* p = f->row(0);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    // Full-range RGB (BlankClip's mark) is scaled into 16..235; studio RGB (ColorBars') is not.
    EXPECT_EQ(Frame("BlankClip(width=8, height=4, color=$B4B4B4).ConvertToYV12()")->data(0)[0], 171);
    EXPECT_EQ(Frame("ColorBars(width=56, height=8).ConvertToYV12()")->data(0)[0], 180);
    // YUV bars are marked Rec.709: without a name, that matrix converts them.
    const std::string bars = "ColorBars(width=56, height=8, pixel_type=\"YV24\").Crop(24, 0, 8, 4)";
    EXPECT_EQ(rgbOf(bars + ".ConvertToRGB24()"), rgbOf(bars + ".ConvertToRGB24(matrix=\"Rec709\")"));
    EXPECT_NE(rgbOf(bars + ".ConvertToRGB24()"), rgbOf(bars + ".ConvertToRGB24(matrix=\"Rec601\")"));
    // "PC." names keep the source's range: limited YUV (Y 100, V 200) to studio RGB, where
    // R = Y + 219 (1 - Kr) / 112 (V - 128); Rec601 stretches it to full range.
    const std::string reddish = "BlankClip(width=8, height=4, pixel_type=\"YV24\", color_yuv=$6480C8)";
    EXPECT_NEAR(rgbOf(reddish + ".ConvertToRGB24(matrix=\"PC.601\")")[2], 100 + 219 * 0.701 / 112 * 72, 1);
    EXPECT_NEAR(rgbOf(reddish + ".ConvertToRGB24(matrix=\"Rec601\")")[2],
                255 / 219. * 84 + 255 * 0.701 / 112 * 72, 1);
    // A conversion marks what it made: full-range Rec.709 YUV comes back with that matrix.
    const std::string yuv = "BlankClip(width=8, height=4, color=$C83214).ConvertToYV24(matrix=\"PC.709\")";
    EXPECT_EQ(rgbOf(yuv + ".ConvertToRGB24()"), rgbOf(yuv + ".ConvertToRGB24(matrix=\"PC.709\")"));
    EXPECT_NE(rgbOf(yuv + ".ConvertToRGB24()"), rgbOf(yuv + ".ConvertToRGB24(matrix=\"Rec709\")"));
}

TEST_F(Filters, RgbChromaIsSitedOnTheLeftPixel) {
    // Red up to column 5, blue from 6: the even pixels' chroma, filtered.
    auto rgb = VideoFrame::Create(PixelFormat::RGB24, 16, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = rgb->writableRow(y) + 3 * x;
            p[0] = x < 6 ? 0 : 255;
            p[2] = x < 6 ? 255 : 0;
            p[1] = 0;
        }
    // YUY2: 1-2-1 around pixel 6 is (red + 3 blue) / 4, around pixel 4 all red.
    FramePtr yuy2 = Yuy2FromRgb(*rgb);
    EXPECT_EQ(yuy2->row(0)[2 * 6 + 1], DocumentedYuv(0.299, 0.114, true, 63.75, 0, 191.25)[1]);
    EXPECT_EQ(yuy2->row(0)[2 * 4 + 1], DocumentedYuv(0.299, 0.114, true, 255, 0, 0)[1]);
    // A flat colour whose U is 164.76 by the formula, which AviSynth+'s kernel rounds up.
    EXPECT_EQ(Frame("BlankClip(width=8, height=2, color=$00558C).ConvertToYUY2()")->row(0)[1],
              DocumentedYuv(0.299, 0.114, true, 0, 85, 140)[1]);
    // YV12: chroma sample 3 sits on pixel 6 (the first blue one); the bicubic kernel widened
    // to twice its size weighs the pixels at distances d by Cubic(d / 2).
    FramePtr yv12 = ConvertFrame(rgb, PixelFormat::YV12, false);
    double blue = 0, total = 0;
    for (int d = -3; d <= 3; ++d) {
        total += Cubic(d / 2.0);
        blue += d >= 0 ? Cubic(d / 2.0) : 0;
    }
    const long ured = DocumentedYuv(0.299, 0.114, true, 255, 0, 0)[1];
    const long ublue = DocumentedYuv(0.299, 0.114, true, 0, 0, 255)[1];
    EXPECT_EQ(yv12->data(1)[3], std::lround(ured + (ublue - ured) * blue / total));
}

// A planar frame whose chroma (both planes) is `left` in columns before `edge` and `right` from it.
FramePtr ChromaEdge(PixelFormat format, int width, int edge, int left, int right) {
    auto f = VideoFrame::Create(format, width, 4);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < f->planeHeight(p); ++y)
            for (int x = 0; x < f->rowSize(p); ++x)
                f->writableData(p)[y * f->pitch(p) + x] = static_cast<uint8_t>(p == 0 ? 100 : x < edge ? left : right);
    return f;
}

TEST_F(Filters, PlanarConversionsKeepLumaAndSiteChromaOnTheLeftPixel) {
    // 4:4:4 -> 4:2:2, chroma 60 left of column 8, 200 from it: target sample i sits on pixel 2i,
    // and the kernel widened to twice its size reaches 3 pixels on either side. Sample 2 (pixel
    // 4) sees only 60; sample 3 (pixel 6) sees the edge; a centred siting would mix sample 2.
    FramePtr yv16 = ConvertFrame(ChromaEdge(PixelFormat::YV24, 16, 8, 60, 200), PixelFormat::YV16, false);
    EXPECT_EQ(PlaneBytes(*yv16, 0), std::string(64, char(100)));
    EXPECT_EQ(yv16->data(1)[2], 60);
    EXPECT_NE(yv16->data(1)[3], 60);
    EXPECT_EQ(yv16->data(2)[6], 200);
    // 4:2:2 -> 4:4:4, chroma sample k on pixel 2k, 60 for k < 4: pixel 10 lies on sample 5 and
    // the kernel reaches samples 4..6 only; a centred siting would reach sample 3.
    FramePtr yv24 = ConvertFrame(ChromaEdge(PixelFormat::YV16, 16, 4, 60, 200), PixelFormat::YV24, false);
    EXPECT_EQ(yv24->data(1)[4], 60);
    EXPECT_EQ(yv24->data(1)[10], 200);
    EXPECT_NE(yv24->data(1)[9], 200);

    // Grey gains neutral chroma and loses it again; 4:1:1 and YUY2 keep flat colours.
    FramePtr grey = Frame("BlankClip(width=16, height=4, pixel_type=\"Y8\", color_yuv=$508080).ConvertToYV12()");
    EXPECT_EQ(grey->format(), PixelFormat::YV12);
    EXPECT_EQ(PlaneBytes(*grey, 1), std::string(16, char(128)));
    for (const char* chain : {"ConvertToY8()", "ConvertToYV411().ConvertToYUY2().ConvertToYV24().ConvertToYV16()"}) {
        FramePtr f = Frame("BlankClip(width=16, height=4, pixel_type=\"YV12\", color_yuv=$503C78)." + std::string(chain));
        EXPECT_EQ(PlaneBytes(*f, 0), std::string(64, char(0x50))) << chain;
        if (f->planeCount() == 3) {
            EXPECT_EQ(PlaneBytes(*f, 2), std::string(32, char(0x78))) << chain;
        }
    }
    // Planar targets keep the depth; YUY2 and RGB are 8-bit, reached through ConvertBits(8).
    EXPECT_EQ(Frame("BlankClip(pixel_type=\"YUV420P10\").ConvertToYV16()")->format(), PixelFormat::YUV422P10);
    const std::string deep = "BlankClip(width=16, height=4, pixel_type=\"YUV422P10\", color_yuv=$503C78)";
    EXPECT_EQ(PlaneBytes(*Frame(deep + ".ConvertToYUY2()")), PlaneBytes(*Frame(deep + ".ConvertBits(8).ConvertToYUY2()")));
    EXPECT_NE(ErrorOf(env, deep + ".ConvertToYV411()").find("use ConvertBits(8) first"), std::string::npos);
}

TEST_F(Filters, ChromaSitingComesFromItsNameOrTheSourcesMark) {
    // 4:2:2 chroma sample k centred on pixels 2k and 2k + 1: pixel 10 lies at sample 4.75 and
    // the kernel reaches samples 3..6, so sample 3's 60 leaks in (left siting: 200 exactly).
    const FramePtr edge = ChromaEdge(PixelFormat::YV16, 16, 4, 60, 200);
    FramePtr centred = ConvertFrame(edge, PixelFormat::YV24, false, {}, {ChromaSiting::Center, ChromaSiting::Left});
    double total = 0, sum = 0;
    for (int k = 3; k <= 6; ++k) {
        total += Cubic(4.75 - k);
        sum += Cubic(4.75 - k) * (k < 4 ? 60 : 200);
    }
    EXPECT_NEAR(centred->data(1)[10], sum / total, 1);
    EXPECT_NE(centred->data(1)[10], 200);

    // A conversion marks where it put the chroma, and the next one starts from that mark.
    const std::string bars = "ColorBars(width=64, height=8, pixel_type=\"YV24\")";
    const std::string marked = bars + ".ConvertToYV16(ChromaOutPlacement=\"center\")";
    EXPECT_EQ(PlaneBytes(*Frame(marked + ".ConvertToYV24()"), 1),
              PlaneBytes(*Frame(marked + ".ConvertToYV24(ChromaInPlacement=\"mpeg1\")"), 1));
    EXPECT_NE(PlaneBytes(*Frame(marked + ".ConvertToYV24()"), 1),
              PlaneBytes(*Frame(marked + ".ConvertToYV24(ChromaInPlacement=\"left\")"), 1));
    // The same subsampling at another siting is resampled; at the same one it is the clip itself.
    EXPECT_NE(PlaneBytes(*Frame(marked + ".ConvertToYV16()"), 1), PlaneBytes(*Frame(marked), 1));
    EXPECT_EQ(PlaneBytes(*Frame(marked + ".ConvertToYV16(ChromaOutPlacement=\"jpeg\")"), 1),
              PlaneBytes(*Frame(marked), 1));
    EXPECT_EQ(ErrorOf(env, marked + ".ConvertToYV24(ChromaInPlacement=\"top\")"),
              "Convert: not supported ChromaPlacement for 4:2:2 input.\n(/t/x.avs, line 1)");
    EXPECT_EQ(ErrorOf(env, bars + ".ConvertToYV12(ChromaOutPlacement=\"middle\")"),
              "Unknown chroma placement\n(/t/x.avs, line 1)");
}

TEST_F(Filters, OtherChromaResamplersWeighAsTheirKernels) {
    const double none[3] = {std::nan(""), std::nan(""), std::nan("")};
    ResampleKernel point, bilinear;
    ASSERT_TRUE(ResampleKernelFromName("Point", none, point));
    ASSERT_TRUE(ResampleKernelFromName("bilinear", none, bilinear));
    // Point sampling 4:4:4 -> 4:2:0 takes the sample of the even column on the even row.
    auto yv24 = VideoFrame::Create(PixelFormat::YV24, 8, 4);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                yv24->writableData(p)[y * yv24->pitch(p) + x] = static_cast<uint8_t>(p * 80 + y * 8 + x);
    FramePtr yv12 = ConvertFrame(yv24, PixelFormat::YV12, false, {}, {ChromaSiting::Left, ChromaSiting::Left, point});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(yv12->data(1)[y * yv12->pitch(1) + x], 80 + 2 * y * 8 + 2 * x) << x << "," << y;
    // Bilinear 4:2:0 -> 4:2:2: luma row 1 lies a quarter of a chroma row below chroma row 0,
    // so it takes 3/4 of row 0 (100) and 1/4 of row 1 (200).
    auto rows = VideoFrame::Create(PixelFormat::YV12, 4, 8);
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < rows->planeHeight(p); ++y)
            std::memset(rows->writableData(p) + y * rows->pitch(p), y == 0 ? 100 : 200, rows->rowSize(p));
    FramePtr yv16 = ConvertFrame(rows, PixelFormat::YV16, false, {}, {ChromaSiting::Left, ChromaSiting::Left, bilinear});
    EXPECT_EQ(yv16->data(1)[1 * yv16->pitch(1)], 125);
    // Scripts name them.
    const std::string bars = "ColorBars(width=64, height=8, pixel_type=\"YV24\")";
    EXPECT_EQ(PlaneBytes(*Frame(bars + ".ConvertToYV12(chromaresample=\"point\")"), 1),
              PlaneBytes(*ConvertFrame(Frame(bars), PixelFormat::YV12, false, {},
                                       {ChromaSiting::Left, ChromaSiting::Left, point}), 1));
}

TEST_F(Filters, ResamplerWeightsAreRoundedAsRunningSums) {
    // 4:2:0 -> 4:2:2: luma row 3 lies a quarter chroma row below chroma row 1, so chroma rows
    // 0..3 weigh Cubic(1.25), Cubic(0.25), Cubic(0.75), Cubic(1.75), normalised. AviSynth+ rounds
    // their running sums to 1/16384 and takes differences: -383, 12813, 4196, -242 (rounded
    // one by one they would be -384, 12814, 4196, -242, and this row would read 94).
    auto yv12 = VideoFrame::Create(PixelFormat::YV12, 4, 16);
    const int rows[4] = {249, 76, 164, 75};
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < yv12->planeHeight(p); ++y)
            for (int x = 0; x < yv12->rowSize(p); ++x)
                yv12->writableData(p)[y * yv12->pitch(p) + x] = static_cast<uint8_t>(p == 0 ? 100 : rows[y % 4]);
    FramePtr yv16 = ConvertFrame(yv12, PixelFormat::YV16, false);
    EXPECT_EQ((-383 * 249 + 12813 * 76 + 4196 * 164 - 242 * 75 + 8192) >> 14, 95);
    EXPECT_EQ(yv16->data(1)[3 * yv16->pitch(1)], 95);
}

TEST_F(Filters, ConvertBitsShiftsLimitedRangeAndStretchesFullRange) {
    FramePtr up = Frame("BlankClip(width=8, height=2, pixel_type=\"YV12\", color_yuv=$EB8010).ConvertBits(10)");
    ASSERT_EQ(up->format(), PixelFormat::YUV420P10);
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(up->data(0))[0], 940);
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(up->data(1))[0], 512);
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(up->data(2))[0], 64);
    // Down: rounded, the top clamped: (v + 2) >> 2 at most 255.
    auto deep = VideoFrame::Create(PixelFormat::Y10, 6, 1);
    const uint16_t samples[6] = {0, 1, 2, 6, 1021, 1023};
    std::memcpy(deep->writableData(0), samples, sizeof samples);
    FramePtr down = ConvertBitDepth(deep, PixelFormat::Y8, false);
    EXPECT_EQ(PlaneBytes(*down), std::string("\x00\x00\x01\x02\xff\xff", 6));
    // Full range: 0..255 onto 0..65535 is a factor of 257.
    FramePtr full = ConvertBitDepth(ConvertBitDepth(deep, PixelFormat::Y8, false), PixelFormat::Y16, true);
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(full->data(0))[3], 2 * 257);
    EXPECT_NE(ErrorOf(env, "BlankClip().ConvertBits(10)").find("RGB32 cannot be converted"), std::string::npos);
    EXPECT_NE(ErrorOf(env, "BlankClip(pixel_type=\"YV12\").ConvertBits(10, dither=0)").find("dithering"),
              std::string::npos);
}

TEST_F(Filters, TrimSelectsFrames) {
    // Each source frame is told apart by its length-based template: use a splice of colours.
    const std::string clips =
        "a = BlankClip(length=10, width=8, height=8, pixel_type=\"YUY2\", color_yuv=$0A8080)\n"
        "b = BlankClip(length=10, width=8, height=8, pixel_type=\"YUY2\", color_yuv=$148080)\n"
        "c = a + b\n";
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, 14)")->info().frameCount, 10);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, 0)")->info().frameCount, 15);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, -3)")->info().frameCount, 3);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, length=4)")->info().frameCount, 4);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, end=6)")->info().frameCount, 2);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(15, 100)")->info().frameCount, 5); // clamped to the end
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(0, 3, false)")->info().frameCount, 4);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(5, 2)")->info().frameCount, 1); // last before first: first alone
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(20, -1)")->info().frameCount, 1); // FrameCount: the last frame
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(20, end=20)")->info().frameCount, 1);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(3, length=0)")->info().frameCount, 0);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(0, end=0)")->info().frameCount, 1);
    EXPECT_EQ(EvalClip(env, clips + "c.Trim(30, end=25)")->info().frameCount, 1); // first clamped, then checked
    // AviSynth+ 3.7 declares Trim(clip, int) only to refuse it in its own words. Mixtures fit
    // none of its forms: it settles on one by the positional arguments (preferring one that
    // has the names) and then names the offending argument.
    EXPECT_EQ(ErrorOf(env, clips + "c.Trim(6)"), "Script error: Invalid arguments to function \"Trim\"\n(/t/x.avs, line 4)");
    EXPECT_EQ(ErrorOf(env, clips + "c.Trim(2, length=3, end=4)"),
              "Script error: Trim does not have a named argument \"length\"\n(/t/x.avs, line 4)");
    EXPECT_EQ(ErrorOf(env, clips + "c.Trim(2, 5, length=3)"),
              "Script error: the named argument \"length\" was passed more than once (twice as named or first "
              "unnamed then named) to Trim\n(/t/x.avs, line 4)");
    EXPECT_EQ(ErrorOf(env, clips + "c.Trim(5, end=4)"), "Trim: End must be >= Start\n(/t/x.avs, line 4)");
    EXPECT_EQ(ErrorOf(env, clips + "c.Trim(0, length=-1)"), "Trim: Length must be >= 0\n(/t/x.avs, line 4)");
    ClipPtr t = EvalClip(env, clips + "c.Trim(8, 11)");
    EXPECT_EQ(t->GetFrame(0)->row(0)[0], 10);
    EXPECT_EQ(t->GetFrame(1)->row(0)[0], 10);
    EXPECT_EQ(t->GetFrame(2)->row(0)[0], 20);
}

TEST_F(Filters, CropCutsTheRightRectangle) {
    ClipPtr bars = EvalClip(env, "ColorBars(112, 48, \"YV12\")");
    ClipPtr crop = EvalClip(env, "ColorBars(112, 48, \"YV12\").Crop(16, 4, -32, -8)");
    EXPECT_EQ(crop->info().width, 112 - 16 - 32);
    EXPECT_EQ(crop->info().height, 48 - 4 - 8);
    FramePtr a = bars->GetFrame(0), b = crop->GetFrame(0);
    for (int y = 0; y < crop->info().height; ++y)
        EXPECT_EQ(RowOf(*b, 0, y), RowOf(*a, 0, y + 4).substr(16, 64));
    EXPECT_EQ(RowOf(*b, 1, 0), RowOf(*a, 1, 2).substr(8, 32));
    // RGB crops count rows from the top of the picture, though stored bottom-up.
    FramePtr full = Frame("ColorBars(56, 48, \"RGB24\")");
    FramePtr part = Frame("ColorBars(56, 48, \"RGB24\").Crop(0, 40, 56, 8, align=true)");
    EXPECT_EQ(RowOf(*part, 0, 0), RowOf(*full, 0, 40));
    EXPECT_EQ(part->pitch(0) % kFrameAlign, 0);
    const auto cropError = [this](const char* type, const char* crop) {
        const std::string e = ErrorOf(env, std::string("ColorBars(pixel_type=\"") + type + "\")." + crop);
        return e.substr(0, e.find('\n'));
    };
    EXPECT_EQ(cropError("YUY2", "Crop(1, 0, 0, 0)"),
              "Crop: YUV image can only be cropped by Mod 2 (left side).");
    EXPECT_EQ(cropError("YV12", "Crop(0, 0, -1, 0)"),
              "Crop: YUV image can only be cropped by Mod 2 (right side).");
    EXPECT_EQ(cropError("YV12", "Crop(0, 1, 0, 0)"), "Crop: YUV image can only be cropped by Mod 2 (top).");
    EXPECT_EQ(cropError("YV12", "Crop(0, 0, 0, -3)"),
              "Crop: YUV image can only be cropped by Mod 2 (bottom).");
    EXPECT_EQ(cropError("YUY2", "Crop(0, 1, 0, -3)"), ""); // whole rows of YUY2 carry chroma
    EXPECT_EQ(cropError("RGB32", "Crop(1, 1, 3, 3)"), "");
    EXPECT_EQ(cropError("RGB32", "Crop(0, 0, 700, 0)"), "Crop: you cannot use crop to enlarge or 'shift' a clip");
    // AviSynth+ 3.7 checks in this order: negative left or top, then the size left over.
    EXPECT_EQ(cropError("YV12", "Crop(-2, 0, 0, 0)"), "Crop: Top and Left must be more than 0");
    EXPECT_EQ(cropError("YV12", "Crop(640, 1, 0, 0)"), "Crop: Destination width is 0 or less.");
}

TEST_F(Filters, AssumeFpsForms) {
    EXPECT_EQ(EvalClip(env, "BlankClip().AssumeFPS(25)")->info().fpsNumerator, 25u);
    ClipPtr c = EvalClip(env, "BlankClip().AssumeFPS(30000, 1001)");
    EXPECT_EQ(c->info().fpsDenominator, 1001u);
    // A float becomes the simplest ratio that is the same float: 23.976 is 2997/125, not
    // the NTSC 24000/1001 (which a float close enough to it gives).
    c = EvalClip(env, "BlankClip().AssumeFPS(23.976)");
    EXPECT_EQ(c->info().fpsNumerator, 2997u);
    EXPECT_EQ(c->info().fpsDenominator, 125u);
    c = EvalClip(env, "BlankClip().AssumeFPS(23.976023976)");
    EXPECT_EQ(c->info().fpsNumerator, 24000u);
    EXPECT_EQ(c->info().fpsDenominator, 1001u);
    c = EvalClip(env, "BlankClip().AssumeFPS(12.5)");
    EXPECT_EQ(c->info().fpsNumerator, 25u);
    EXPECT_EQ(c->info().fpsDenominator, 2u);
    // As AviSynth+ 3.7's FloatToFPS computes them: NTSC multiples first, then the smallest
    // semiconvergent that is the same float; the clip keeps the rate in lowest terms.
    const std::pair<const char*, std::pair<unsigned, unsigned>> rates[] = {
        {"59.94005994", {60000, 1001}}, {"119.88011988", {120000, 1001}}, {"14.985014985", {15000, 1001}},
        {"3.3333", {33333, 10000}},     {"50, 2", {25, 1}},               {"\"drop30\"", {30000, 1001}}};
    for (const auto& [rate, want] : rates) {
        c = EvalClip(env, std::string("BlankClip().AssumeFPS(") + rate + ")");
        EXPECT_EQ(std::make_pair(c->info().fpsNumerator, c->info().fpsDenominator), want) << rate;
    }
    EXPECT_EQ(ErrorOf(env, "BlankClip().AssumeFPS(0.0)"), "AssumeFPS: FPS must be greater then 0.\n\n(/t/x.avs, line 1)");
    c = EvalClip(env, "BlankClip().AssumeFPS(\"pal_video\")");
    EXPECT_EQ(c->info().fpsNumerator, 25u);
    c = EvalClip(env, "BlankClip().AssumeFPS(ColorBars())");
    EXPECT_EQ(c->info().fpsNumerator, 30000u);
    EXPECT_EQ(ErrorOf(env, "BlankClip().AssumeFPS(25, 0)"), "AssumeFPS: Denominator cannot be 0 (zero).\n(/t/x.avs, line 1)");
}

} // namespace
} // namespace bv::builtin::test
