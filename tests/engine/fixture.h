// Helpers shared by the engine tests: a store filled from rows of numbers as
// the run fills it, and a bit-for-bit comparison of two finished stores.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/distances.h"
#include "engine/store.h"

namespace ca::testing {

using Rows = std::vector<std::vector<long double>>;

// Coord from rows (all of the same length), then the pair list and one
// cluster per object, as the run does before an agglomeration.
inline void FillStore(AnalysisStore& s, const Rows& rows, int distType, int attrCount = -1) {
    s.ReleaseAllRecords();
    s.ObjectCount = static_cast<int32_t>(rows.size());
    s.AttrCount = attrCount >= 0 ? attrCount : (rows.empty() ? 0 : static_cast<int32_t>(rows[0].size()));
    s.DistType = static_cast<uint8_t>(distType);
    for (size_t i = 0; i < rows.size(); ++i)
        for (int k = 0; k < s.AttrCount; ++k) s.Coord(static_cast<int>(i) + 1, k + 1) = rows[i][k];
    s.PairSumsValid = false;
    FillPairList(s);
    MakeObjectClusters(s);
}

inline bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// The two trees and the final tables agree in every id, child, count, height
// and centroid coordinate, bit for bit.
inline ::testing::AssertionResult SameResult(AnalysisStore& a, AnalysisStore& b) {
    if (a.ClusterCount != b.ClusterCount || a.PairCount != b.PairCount ||
        a.LastClusterId != b.LastClusterId)
        return ::testing::AssertionFailure()
               << "counts differ: clusters " << a.ClusterCount << "/" << b.ClusterCount << ", pairs "
               << a.PairCount << "/" << b.PairCount << ", last id " << a.LastClusterId << "/"
               << b.LastClusterId;
    for (int t = 1; t <= a.ClusterCount; ++t)
        if (a.ClusterTable[t].Id != b.ClusterTable[t].Id || a.ClusterTable[t].Rec->Id != b.ClusterTable[t].Rec->Id)
            return ::testing::AssertionFailure() << "table entry " << t << " differs";
    for (int p = 1; p <= a.PairCount; ++p) {
        const PairEntry &x = a.PairList[p], &y = b.PairList[p];
        if (x.I != y.I || x.J != y.J || !SameBits(x.Dist, y.Dist))
            return ::testing::AssertionFailure() << "pair entry " << p << " differs";
    }
    std::vector<std::pair<const ClusterRecord*, const ClusterRecord*>> stack{
        {a.ClusterTable[a.ClusterCount].Rec, b.ClusterTable[b.ClusterCount].Rec}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x->Id != y->Id || x->MemberCount != y->MemberCount || (x->Left == nullptr) != (y->Left == nullptr))
            return ::testing::AssertionFailure() << "cluster " << x->Id << "/" << y->Id << " differs";
        if (!SameBits(x->Height, y->Height))
            return ::testing::AssertionFailure() << "height of cluster " << x->Id << " differs: "
                                                 << static_cast<double>(x->Height) << " vs "
                                                 << static_cast<double>(y->Height);
        for (int k = 1; k <= a.AttrCount; ++k)
            if (!SameBits(x->Centroid[k], y->Centroid[k]))
                return ::testing::AssertionFailure() << "centroid " << k << " of cluster " << x->Id << " differs";
        if (x->Left) {
            stack.emplace_back(x->Left, y->Left);
            stack.emplace_back(x->Right, y->Right);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace ca::testing
