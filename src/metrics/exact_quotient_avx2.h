// Correctly rounded quotients by a fixed divisor without a division instruction, for the
// numerators the SSIM kernel meets. With r = 1/d rounded, q = n·r is within an ulp of n/d, the
// fused residual n - q·d is exact, and one fused correction q + (n - q·d)·r gives the correctly
// rounded n/d (Markstein); the tests check every numerator the kernel can produce.
#pragma once

#include <immintrin.h>

namespace bv::ssim {

__attribute__((target("avx2,fma"))) static inline __m256d ExactQuotient(__m256d n, __m256d divisor,
                                                                         __m256d reciprocal) {
    const __m256d q = _mm256_mul_pd(n, reciprocal);
    const __m256d residual = _mm256_fnmadd_pd(q, divisor, n);
    return _mm256_fmadd_pd(residual, reciprocal, q);
}

} // namespace bv::ssim
