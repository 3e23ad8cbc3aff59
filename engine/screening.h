// Screening of the centroid method's distances to a new cluster. Each one is
// first estimated in double precision from rounded copies of the centroids,
// with a strict bound on its error; the agglomeration computes exactly only
// the distances whose bounds leave them in the running for a row's minimum.
//
// The bound. Let x and y be the two centroids (extended precision, M
// coordinates), X and Y their copies rounded to double, E the distance the
// program computes exactly (extended sums in ascending order) and A the
// estimate, summed in double from the differences of the copies.
//  - Rounding a coordinate to double moves it by at most u = 2^-53 of itself
//    (or 2^-1075 below the normal range), and so does taking the difference
//    of two copies. The differences g_k that A sums are thus within e_k of
//    the exact differences f_k, with ||e|| <= e = 2.0001 u r + sqrt(M) 2^-1073,
//    where r >= ||x|| + ||y|| is a bound of the lengths (RoundedCopy).
//  - | ||g||^2 - ||f||^2 | <= 2 ||e|| ||f|| + ||e||^2 <= 2 e r + e^2.
//  - The squares and their sum in double add at most (M + 2) u of A, taken
//    1.02 times, and underflow adds at most M 2^-1073. So
//    b = 2 e r + e^2 + 1.02 (M u + 2 u) A + M 2^-1073 bounds |A - ||f||^2|.
//  - E lies within (M + 3) 2^-64 of ||f||^2 relatively, and ||f||^2 <= A + b.
//  - The bound kept is 1.05 (b + 8 u A + 2 (M + 3) 2^-64 (A + b)) + 2^-1000,
//    rounded up to a float (FloatAtOrAbove): the margins cover the rounding
//    of the bound's own arithmetic. Hence |A - E| <= bound, whatever the
//    order of the double sums and whether they are fused.
// All of this needs the coordinates far inside double's and float's ranges:
// with every coordinate below 2^80 in magnitude every bound stays under
// 2^126. A table with a coordinate beyond that is not screened.
#pragma once

#include <cstdint>
#include <vector>

#include "common/zeropages.h"
#include "engine/store.h"

namespace ca {

// From this many attributes on the centroid distances are screened; below
// it an estimate saves too little over the exact distance.
constexpr int kScreenAttrs = 16;

// A float not below b, larger by at most 2^-21 of b plus 2^-148 (infinity
// from the top of the float range on). The bounds are kept in this form:
// half the memory of doubles, and a bound rounded up is still a bound.
inline float FloatAtOrAbove(double b) {
    // Raised by more than the half unit that rounding to nearest may take
    // away, in the normal range (2^-22 of b) and below it (2^-149).
    return static_cast<float>(b * (1 + 0x1p-22) + 0x1p-149);
}

// The screening of one run over the slots 0..n-1 of the agglomeration: the
// rounded copy of each slot's centroid, and for each entry (row, col) of the
// distance table whether it holds an estimate and, if so, its error bound.
class CentroidScreening {
public:
    // Copies the centroids of recs (one per slot, m coordinates each); false
    // when a coordinate lies beyond 2^80, and then nothing is screened.
    bool Start(const std::vector<ClusterRecord*>& recs, int m);

    // A new cluster `rec` in slot `slot`: its copy, and the estimates of its
    // distances to the slots `others` into row[t], each marked estimated.
    void EstimateRow(int slot, const ClusterRecord* rec, const std::vector<int>& others, long double* row);

    bool Estimated(int row, int col) const { return estimated_[Cell(row, col)] != 0; }
    long double Bound(int row, int col) const { return static_cast<long double>(bounds_[Cell(row, col)]); }
    // Entries of row still estimated.
    int Left(int row) const { return left_[row]; }
    // The entry (row, col) now holds the exact distance.
    void Settle(int row, int col) {
        estimated_[Cell(row, col)] = 0;
        --left_[row];
    }

private:
    size_t Cell(int row, int col) const { return static_cast<size_t>(row) * n_ + col; }
    double* CopyOf(int slot) { return copies_.data() + static_cast<size_t>(slot) * stride_; }
    void Copy(int slot, const ClusterRecord* rec);

    int n_ = 0, m_ = 0;
    int stride_ = 0;                  // m rounded up to a multiple of four
    ZeroedArray<double> copies_;      // rounded centroids by slot, zero-padded rows of stride_
    std::vector<double> norms_;       // bounds of the centroids' lengths by slot
    ZeroedArray<float> bounds_;       // error bound of an estimated entry
    ZeroedArray<uint8_t> estimated_;  // the entry holds an estimate only
    std::vector<int> left_;           // estimated entries in each row
    bool avx2_ = false;
};

}  // namespace ca
