// The fast agglomerations against the literal procedure, on small tables of
// whatever values the bytes make: tiny and huge magnitudes, values at the
// edge of the screening's range, exact ties, duplicated rows.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/fpcheck.h"
#include "engine/agglomerate.h"
#include "engine/distances.h"
#include "fuzz/targets.h"
#include "tests/engine/literal.h"

namespace ca::fuzz {

namespace {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Signed() { return static_cast<int8_t>(Next()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// One coordinate; `earlier` holds those made so far (a tie copies one).
long double Value(Bytes& b, const std::vector<long double>& earlier) {
    const int kind = b.Next();
    const long double mantissa = static_cast<long double>(b.Next() << 8 | b.Next());
    long double v = 0;
    switch (kind % 8) {
        case 0: v = (kind >> 3) - 16; break;  // small integers
        case 1: v = earlier.empty() ? 0 : earlier[b.Next() % earlier.size()]; break;
        case 2: v = std::ldexp(mantissa, b.Signed() * 66); break;  // any magnitude, pair sums that overflow
        case 3: v = std::ldexp(1.0L + b.Signed() * 0x1p-62L, 80 + b.Signed() % 3); break;  // the screening's edge
        case 4: v = std::ldexp(1.0L, b.Next() % 64) + mantissa / 1024; break;  // far out, close together
        case 5: v = std::ldexp(mantissa, -16445 + b.Next()); break;  // subnormal and just above
        case 6: v = std::numeric_limits<long double>::max() * (1 - mantissa * 0x1p-24L); break;  // merged, they overflow
        default: v = std::ldexp(mantissa, b.Signed() % 40); break;
    }
    return (kind & 0x80) ? -v : v;
}

void Fill(AnalysisStore& s, const std::vector<long double>& values, int n, int m, bool ward) {
    s.ReleaseAllRecords();
    s.ObjectCount = n;
    s.AttrCount = m;
    s.DistType = ward ? 1 : 0;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= m; ++k) s.Coord(i, k) = values[static_cast<size_t>(i - 1) * m + (k - 1)];
    s.PairSumsValid = false;
    FillPairList(s);
    MakeObjectClusters(s);
}

void AppendBits(std::string& out, long double v) { out.append(reinterpret_cast<const char*>(&v), 10); }

// Everything the two procedures leave: the final table and pair list, and
// the tree with its heights and centroids, bit for bit.
std::string Outcome(const AnalysisStore& s) {
    std::string out;
    for (int t = 1; t <= s.ClusterCount; ++t) out += std::to_string(s.ClusterTable[t].Id) + " ";
    for (int p = 1; p <= s.PairCount; ++p) {
        out += std::to_string(s.PairList[p].I) + "-" + std::to_string(s.PairList[p].J) + ":";
        AppendBits(out, s.PairList[p].Dist);
    }
    std::vector<const ClusterRecord*> stack{s.ClusterTable[s.ClusterCount].Rec};
    while (!stack.empty()) {
        const ClusterRecord* r = stack.back();
        stack.pop_back();
        out += "\n" + std::to_string(r->Id) + " n" + std::to_string(r->MemberCount) + " ";
        AppendBits(out, r->Height);
        for (int k = 1; k <= s.AttrCount; ++k) AppendBits(out, r->Centroid[k]);
        if (r->Left) {
            out += " " + std::to_string(r->Left->Id) + "," + std::to_string(r->Right->Id);
            stack.push_back(r->Left);
            stack.push_back(r->Right);
        }
    }
    return out;
}

}  // namespace

void Agglomeration(const uint8_t* data, size_t size) {
    // Kept between inputs: a store is some 100 MB of address space.
    static AnalysisStore* fast = new AnalysisStore();
    static AnalysisStore* literal = new AnalysisStore();
    Bytes b(data, size);
    const bool ward = b.Next() & 1;
    const int n = 2 + b.Next() % 39;
    const int m = b.Next() % 25;  // the centroid distances are screened from 16 attributes on
    std::vector<long double> values;
    for (int c = 0; c < n * m; ++c) values.push_back(Value(b, values));
    try {
        Fill(*fast, values, n, m, ward);
    } catch (const MathError&) {
        return;  // the pair sums overflow: the same code fills both
    }
    Fill(*literal, values, n, m, ward);

    bool fastFault = false;
    try {
        ward ? WardMethod(*fast) : CentroidMethod(*fast);
    } catch (const MathError&) {
        fastFault = true;
    }
    ClearFpFaults();
    ward ? testing::LiteralWardMethod(*literal) : testing::LiteralCentroidMethod(*literal);
    const bool literalFault = PendingFpFaults() != 0;
    const std::string what = std::string(ward ? "Ward" : "centroid") + ", " + std::to_string(n) + " x " +
                             std::to_string(m) + ": ";
    // An overflow (or an invalid operation) anywhere in the procedure raises,
    // exactly when the literal procedure meets one.
    Check(fastFault == literalFault, what + (fastFault ? "raised, the literal procedure did not"
                                                       : "did not raise, the literal procedure did"));
    if (!fastFault) Check(Outcome(*fast) == Outcome(*literal), what + "results differ");
    fast->ReleaseAllRecords();
    literal->ReleaseAllRecords();
}

}  // namespace ca::fuzz
