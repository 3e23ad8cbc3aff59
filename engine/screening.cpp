#include "engine/screening.h"

#include <immintrin.h>

#include <cmath>

namespace ca {
namespace {

constexpr double kU = 0x1p-53;

// Sum of squared differences of two copies of `stride` coordinates, four
// lanes at a time.
double Estimate(const double* x, const double* y, int stride) {
    __m128d s0 = _mm_setzero_pd(), s1 = _mm_setzero_pd();
    for (int k = 0; k < stride; k += 4) {
        const __m128d d0 = _mm_sub_pd(_mm_loadu_pd(x + k), _mm_loadu_pd(y + k));
        const __m128d d1 = _mm_sub_pd(_mm_loadu_pd(x + k + 2), _mm_loadu_pd(y + k + 2));
        s0 = _mm_add_pd(s0, _mm_mul_pd(d0, d0));
        s1 = _mm_add_pd(s1, _mm_mul_pd(d1, d1));
    }
    const __m128d s = _mm_add_pd(s0, s1);
    return _mm_cvtsd_f64(s) + _mm_cvtsd_f64(_mm_unpackhi_pd(s, s));
}

// The same with four lanes and fused multiply-adds, where the processor has
// them (the bound holds for any order and either kind of rounding).
__attribute__((target("avx2,fma"))) double EstimateAvx2(const double* x, const double* y, int stride) {
    __m256d s0 = _mm256_setzero_pd(), s1 = _mm256_setzero_pd();
    int k = 0;
    for (; k + 8 <= stride; k += 8) {
        const __m256d d0 = _mm256_sub_pd(_mm256_loadu_pd(x + k), _mm256_loadu_pd(y + k));
        const __m256d d1 = _mm256_sub_pd(_mm256_loadu_pd(x + k + 4), _mm256_loadu_pd(y + k + 4));
        s0 = _mm256_fmadd_pd(d0, d0, s0);
        s1 = _mm256_fmadd_pd(d1, d1, s1);
    }
    if (k < stride) {
        const __m256d d0 = _mm256_sub_pd(_mm256_loadu_pd(x + k), _mm256_loadu_pd(y + k));
        s0 = _mm256_fmadd_pd(d0, d0, s0);
    }
    const __m256d s = _mm256_add_pd(s0, s1);
    const __m128d h = _mm_add_pd(_mm256_castpd256_pd128(s), _mm256_extractf128_pd(s, 1));
    return _mm_cvtsd_f64(h) + _mm_cvtsd_f64(_mm_unpackhi_pd(h, h));
}

}  // namespace

bool CentroidScreening::Start(const std::vector<ClusterRecord*>& recs, int m) {
    const long double limit = 0x1p80L;
    n_ = static_cast<int>(recs.size());
    m_ = m;
    stride_ = (m + 3) & ~3;
    for (const ClusterRecord* rec : recs) {
        const long double* c = rec->Centroid.data();
        for (int k = 0; k < m; ++k)
            if (!(std::fabs(c[k]) <= limit)) return false;
    }
    const size_t cells = static_cast<size_t>(n_) * n_;
    copies_ = ZeroedArray<double>(static_cast<size_t>(n_) * stride_);
    bounds_ = ZeroedArray<float>(cells);  // read only where estimated_ is set
    estimated_ = ZeroedArray<uint8_t>(cells);
    norms_.assign(n_, 0.0);
    for (int a = 0; a < n_; ++a) Copy(a, recs[a]);
    left_.assign(n_, 0);
    avx2_ = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return true;
}

// The rounded copy of a centroid, and a bound of the exact centroid's
// length, enlarged for the rounding of the copy and of the sum.
void CentroidScreening::Copy(int slot, const ClusterRecord* rec) {
    const long double* x = rec->Centroid.data();
    double* c = CopyOf(slot);
    double sum = 0;
    for (int k = 0; k < m_; ++k) {
        c[k] = static_cast<double>(x[k]);
        sum += c[k] * c[k];
    }
    for (int k = m_; k < stride_; ++k) c[k] = 0;
    norms_[slot] = std::sqrt(sum * (1 + (m_ + 4) * kU)) * (1 + 4 * kU) + 0x1p-1000;
}

void CentroidScreening::EstimateRow(int slot, const ClusterRecord* rec, const std::vector<int>& others,
                                    long double* row) {
    Copy(slot, rec);
    const double* y = CopyOf(slot);
    const int m = m_;
    const double mu = m * kU;
    const double rootM = std::sqrt(static_cast<double>(m));
    for (const int t : others) {
        const double* c = CopyOf(t);
        const double a = avx2_ ? EstimateAvx2(c, y, stride_) : Estimate(c, y, stride_);
        // The bound of the header's derivation.
        const double r = norms_[t] + norms_[slot];
        const double e = 2.0001 * kU * r + rootM * 0x1p-1073;
        const double b = 2 * e * r + e * e + 1.02 * (mu + 2 * kU) * a + m * 0x1p-1073;
        row[t] = a;
        estimated_[Cell(slot, t)] = 1;
        bounds_[Cell(slot, t)] = FloatAtOrAbove(1.05 * (b + 8 * kU * a + 2 * (m + 3) * 0x1p-64 * (a + b)) + 0x1p-1000);
    }
    left_[slot] = static_cast<int>(others.size());
}

}  // namespace ca
