// Lookups by cluster id on the store, and the two measures of new distances.
#pragma once

#include <cstdint>

#include "engine/store.h"

namespace ca {

// The record of the live cluster `id` (first match in ClusterTable);
// "Range error in SeekC" when there is none.
ClusterRecord* SeekC(AnalysisStore& s, int32_t id);

// The Dist of the pair a-b, stored either way round (first match in PairList);
// "SeekD range error" when there is none.
long double SeekD(AnalysisStore& s, int32_t a, int32_t b);

// Squared Euclidean distance between the centroids of clusters a and b.
long double CentroidDist(AnalysisStore& s, int32_t a, int32_t b);

// Ward distance between cluster t and the union of clusters a and b, from the
// stored pair distances t-a, t-b, a-b and the three member counts.
long double WardDist(AnalysisStore& s, int32_t t, int32_t a, int32_t b);

// The measures themselves, shared with the fast agglomeration so that both
// compute every value by the same operations in the same order.
inline long double SquaredDistance(const long double* a, const long double* b, int m) {
    long double sum = 0;
    for (int k = 0; k < m; ++k) {
        long double d = a[k] - b[k];
        sum = sum + d * d;
    }
    return sum;
}

inline long double WardFormula(long double dta, long double dtb, long double dab,
                               int32_t nT, int32_t nA, int32_t nB) {
    long double p = dta * static_cast<long double>(nA + nT);
    long double q = dtb * static_cast<long double>(nB + nT) + p;
    long double r = q - dab * static_cast<long double>(nT);
    return r / static_cast<long double>(nA + nT + nB);
}

// Centroid of a merged cluster: the member-weighted mean of its children's.
inline void MergeCentroid(const ClusterRecord& left, const ClusterRecord& right, int m,
                          long double* out) {
    const long double nl = static_cast<long double>(left.MemberCount);
    const long double nr = static_cast<long double>(right.MemberCount);
    const long double n = static_cast<long double>(left.MemberCount + right.MemberCount);
    const long double* l = left.Centroid.data();
    const long double* r = right.Centroid.data();
    for (int k = 0; k < m; ++k) out[k] = (nl * l[k] + nr * r[k]) / n;
}

// AttrCount checked against the bounds of Centroid (1..200).
int CheckedAttrCount(const AnalysisStore& s);

}  // namespace ca
