// The AVX2 SSIM path divides by 4032 (variances) and by 640 (weight ramp) without a division
// instruction. Its quotients must be the correctly rounded ones for every numerator a window can
// produce: |64·Σo² - (Σo)²| and |64·Σoe - Σo·Σe| are at most 64²·P²/4 for samples up to P, that
// is 66,585,600 at 8 bits and 1,071,645,696 (below 2^30) at 10 bits, and the ramp numerators are
// 0..640·2^(b-8). Checked exhaustively. Negative numerators give the negated quotients (every
// step rounds to nearest, which is symmetric), so the 10-bit range is checked on its positive
// side.
#include <gtest/gtest.h>

#include "metrics/exact_quotient_avx2.h"
#include "metrics/kernel_config.h"

namespace bv::ssim {
namespace {

__attribute__((target("avx2,fma"))) long CountWrongQuotients(int first, int last, double d) {
    const __m256d divisor = _mm256_set1_pd(d), reciprocal = _mm256_set1_pd(1.0 / d);
    __m256d n = _mm256_setr_pd(first, first + 1.0, first + 2.0, first + 3.0);
    const __m256d four = _mm256_set1_pd(4.0);
    long wrong = 0;
    for (long i = first; i <= last; i += 4, n = _mm256_add_pd(n, four)) {
        const __m256d fast = ExactQuotient(n, divisor, reciprocal);
        const __m256d exact = _mm256_div_pd(n, divisor);
        wrong += __builtin_popcount(_mm256_movemask_pd(_mm256_cmp_pd(fast, exact, _CMP_NEQ_UQ)));
    }
    return wrong;
}

TEST(ExactQuotient, EqualsTheRoundedQuotientForEveryNumeratorAWindowCanProduce) {
    if (!Avx2Supported())
        GTEST_SKIP() << "no AVX2 and FMA on this processor";
    EXPECT_EQ(CountWrongQuotients(-(1 << 27), 1 << 30, 4032.0), 0);
    EXPECT_EQ(CountWrongQuotients(0, 640 * 4, 640.0), 0);
}

} // namespace
} // namespace bv::ssim
