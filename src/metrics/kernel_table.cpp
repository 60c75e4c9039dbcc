#include "metrics/kernel_table.h"

#include <array>
#include <vector>

namespace bv {
namespace {

using avs::FormatFamily;
using ssim::LumaLayout;

constexpr std::array<int, 5> kDepths{8, 10, 12, 14, 16};
constexpr std::array<ssim::DepthFacts, 5> kFacts{ssim::FactsFor(8), ssim::FactsFor(10), ssim::FactsFor(12),
                                                 ssim::FactsFor(14), ssim::FactsFor(16)};

std::vector<KernelEntry> BuildTable() {
    std::vector<KernelEntry> table;
    const bool avx2 = Avx2Supported();
    for (const KernelPath path : {KernelPath::Portable, KernelPath::Avx2}) {
        if (path == KernelPath::Avx2 && !avx2)
            break;
        const bool fast = path == KernelPath::Avx2;
        // YUY2: 8 bits only.
        table.push_back({FormatFamily::PackedYuv422, 8, path,
                         fast ? ssim::Avx2Ops(LumaLayout::Yuy2, 8) : &ssim::PortableOps(LumaLayout::Yuy2),
                         LumaLayout::Yuy2, fast ? mse::Avx2Yuy2Frame() : mse::PortableYuy2Frame(), nullptr,
                         &kFacts[0], 255});
        for (size_t d = 0; d < kDepths.size(); ++d) {
            const int bits = kDepths[d];
            const LumaLayout layout = bits == 8 ? LumaLayout::Bytes : LumaLayout::Words;
            const ssim::StripOps* ssimOps = fast ? ssim::Avx2Ops(layout, bits) : &ssim::PortableOps(layout);
            const mse::FrameFn portable = mse::PortablePlanarFrame(bits == 8 ? 1 : 2);
            for (const FormatFamily family : {FormatFamily::PlanarYuv, FormatFamily::Grey}) {
                mse::FrameFn paired =
                    fast ? mse::Avx2PlanarFrame(bits, 1, family == FormatFamily::PlanarYuv) : portable;
                if (fast && ssimOps == nullptr && paired == nullptr)
                    continue; // nothing faster than the portable entry
                table.push_back(
                    {family, bits, path, ssimOps != nullptr ? ssimOps : &ssim::PortableOps(layout), layout,
                     paired != nullptr ? paired : portable, portable, &kFacts[d], (1 << bits) - 1});
            }
        }
    }
    return table;
}

} // namespace

std::span<const KernelEntry> KernelTable() {
    static const std::vector<KernelEntry> table = BuildTable();
    return table;
}

const KernelEntry* FindKernels(FormatFamily family, int bits, KernelPath path) {
    if (path == KernelPath::Automatic)
        path = Avx2Supported() ? KernelPath::Avx2 : KernelPath::Portable;
    const KernelEntry* portable = nullptr;
    for (const KernelEntry& e : KernelTable()) {
        if (e.family != family || e.bits != bits)
            continue;
        if (e.path == path)
            return &e;
        if (e.path == KernelPath::Portable)
            portable = &e;
    }
    return portable;
}

} // namespace bv
