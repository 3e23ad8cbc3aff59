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

// Squared distances from x to p[0..3] at once, each formed exactly as
// SquaredDistance forms it (x - p or p - x: the same square). One difference
// at a time: with the four sums and x[k] that fills six of the eight x87
// registers, so nothing is spilled to memory (an 80-bit store and reload per
// term).
inline void SquaredDistances4(const long double* x, const long double* const p[4], int m, long double out[4]) {
    const long double *a = p[0], *b = p[1], *c = p[2], *d = p[3];
    long double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int k = 0; k < m; ++k) {
        const long double y = x[k];
        long double t = y - a[k];
        s0 = s0 + t * t;
        t = y - b[k];
        s1 = s1 + t * t;
        t = y - c[k];
        s2 = s2 + t * t;
        t = y - d[k];
        s3 = s3 + t * t;
    }
    out[0] = s0;
    out[1] = s1;
    out[2] = s2;
    out[3] = s3;
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
