#include "tests/engine/literal.h"

#include "engine/agglomerate.h"
#include "engine/lookups.h"

namespace ca::testing {
namespace {

// Both measures by themselves, straight from their definitions, so that a
// fault in the program's own arithmetic shows. (The fast procedures use none
// of the lookups; the reference takes the program's.)

// Sum over k = 1..M of (a's Centroid[k] - b's Centroid[k])^2, from k = 1 up.
long double CentroidDistance(AnalysisStore& s, int32_t a, int32_t b) {
    const ClusterRecord* ra = SeekC(s, a);
    const ClusterRecord* rb = SeekC(s, b);
    long double sum = 0;
    for (int k = 1; k <= s.AttrCount; ++k) {
        const long double d = ra->Centroid[k] - rb->Centroid[k];
        sum = sum + d * d;
    }
    return sum;
}

// ((nT + nA) D(t,a) + (nT + nB) D(t,b) - nT D(a,b)) / (nT + nA + nB), in the
// order p := D(t,a) (nA + nT); q := D(t,b) (nB + nT) + p; r := q - D(a,b) nT;
// r / (nA + nT + nB), member-count sums formed as integers.
long double WardDistance(AnalysisStore& s, int32_t t, int32_t a, int32_t b) {
    const int32_t nT = SeekC(s, t)->MemberCount;
    const int32_t nA = SeekC(s, a)->MemberCount;
    const int32_t nB = SeekC(s, b)->MemberCount;
    const long double p = SeekD(s, t, a) * static_cast<long double>(nA + nT);
    const long double q = SeekD(s, t, b) * static_cast<long double>(nB + nT) + p;
    const long double r = q - SeekD(s, a, b) * static_cast<long double>(nT);
    return r / static_cast<long double>(nA + nT + nB);
}

void Step(AnalysisStore& s, bool ward) {
    if (s.PairCount == 0) throw Error("Range error in SeekC");
    // 1. The first pair with the strictly smallest distance.
    int32_t ci = s.PairList[1].I, cj = s.PairList[1].J;
    long double dmin = s.PairList[1].Dist;
    for (int32_t k = 2; k <= s.PairCount; ++k) {
        if (s.PairList[k].Dist < dmin) {
            ci = s.PairList[k].I;
            cj = s.PairList[k].J;
            dmin = s.PairList[k].Dist;
        }
    }
    // 2. The new cluster.
    ++s.ClusterCount;
    ClusterRecord* rec = s.NewRecord();
    s.ClusterTable[s.ClusterCount].Rec = rec;
    ++s.LastClusterId;
    s.ClusterTable[s.ClusterCount].Id = s.LastClusterId;
    rec->Id = s.LastClusterId;
    rec->Left = SeekC(s, ci);
    rec->Right = SeekC(s, cj);
    rec->Height = dmin;
    const int32_t nl = rec->Left->MemberCount, nr = rec->Right->MemberCount;
    for (int k = 1; k <= s.AttrCount; ++k)
        rec->Centroid[k] = (static_cast<long double>(nl) * rec->Left->Centroid[k] +
                            static_cast<long double>(nr) * rec->Right->Centroid[k]) /
                           static_cast<long double>(nl + nr);
    rec->MemberCount = nl + nr;
    // 3. Stop after the last merge.
    if (s.ClusterCount <= 3) return;
    // 4. Distances to the new cluster, appended in table order.
    for (int32_t t = 1; t <= s.ClusterCount - 1; ++t) {
        const int32_t id = s.ClusterTable[t].Id;
        if (id == ci || id == cj) continue;
        ++s.PairCount;
        s.PairList[s.PairCount].I = id;
        s.PairList[s.PairCount].J = rec->Id;
        s.PairList[s.PairCount].Dist = ward ? WardDistance(s, id, ci, cj) : CentroidDistance(s, id, rec->Id);
    }
    // 5. Drop the pairs of the merged clusters, shifting later entries down.
    for (int32_t k = 1; k <= s.PairCount;) {
        const PairEntry e = s.PairList[k];
        if (e.I == ci || e.I == cj || e.J == ci || e.J == cj) {
            for (int32_t x = k; x < s.PairCount; ++x) s.PairList[x] = s.PairList[x + 1];
            --s.PairCount;
        } else {
            ++k;
        }
    }
    // 6. Drop the merged clusters from the table.
    for (int32_t t = 1; t <= s.ClusterCount;) {
        const int32_t id = s.ClusterTable[t].Id;
        if (id == ci || id == cj) {
            for (int32_t x = t; x < s.ClusterCount; ++x) s.ClusterTable[x] = s.ClusterTable[x + 1];
            --s.ClusterCount;
        } else {
            ++t;
        }
    }
    // 7. The next step.
    Step(s, ward);
}

}  // namespace

void LiteralCentroidMethod(AnalysisStore& s) { Step(s, false); }
void LiteralWardMethod(AnalysisStore& s) { Step(s, true); }

void RunFastAndLiteral(AnalysisStore& fast, AnalysisStore& literal, bool ward) {
    if (ward) {
        WardMethod(fast);
        LiteralWardMethod(literal);
    } else {
        CentroidMethod(fast);
        LiteralCentroidMethod(literal);
    }
}

}  // namespace ca::testing
