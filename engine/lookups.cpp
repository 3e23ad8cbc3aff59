#include "engine/lookups.h"

namespace ca {

ClusterRecord* SeekC(AnalysisStore& s, int32_t id) {
    for (int32_t t = 1; t <= s.ClusterCount; ++t)
        if (s.ClusterTable[t].Id == id) return s.ClusterTable[t].Rec;
    throw Error("Range error in SeekC");
}

long double SeekD(AnalysisStore& s, int32_t a, int32_t b) {
    for (int32_t p = 1; p <= s.PairCount; ++p) {
        const PairEntry& e = s.PairList[p];
        if ((e.I == a && e.J == b) || (e.I == b && e.J == a)) return e.Dist;
    }
    throw Error("SeekD range error");
}

int CheckedAttrCount(const AnalysisStore& s) {
    if (s.AttrCount > kMaxAttrs) throw RangeError();
    return s.AttrCount < 0 ? 0 : s.AttrCount;
}

long double CentroidDist(AnalysisStore& s, int32_t a, int32_t b) {
    const ClusterRecord* ra = SeekC(s, a);
    const ClusterRecord* rb = SeekC(s, b);
    return SquaredDistance(ra->Centroid.data(), rb->Centroid.data(), CheckedAttrCount(s));
}

long double WardDist(AnalysisStore& s, int32_t t, int32_t a, int32_t b) {
    const int32_t nT = SeekC(s, t)->MemberCount;
    const int32_t nA = SeekC(s, a)->MemberCount;
    const int32_t nB = SeekC(s, b)->MemberCount;
    const long double dta = SeekD(s, t, a);
    const long double dtb = SeekD(s, t, b);
    const long double dab = SeekD(s, a, b);
    return WardFormula(dta, dtb, dab, nT, nA, nB);
}

}  // namespace ca
