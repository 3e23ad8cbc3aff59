#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "common/error.h"
#include "engine/agglomerate.h"
#include "engine/distances.h"
#include "engine/lookups.h"
#include "tests/engine/fixture.h"

namespace ca::testing {
namespace {

TEST(Store, TablesCheckEveryIndex) {
    AnalysisStore s;
    EXPECT_NO_THROW(s.PairList[1]);
    EXPECT_NO_THROW(s.PairList[kMaxPairs]);
    EXPECT_THROW(s.PairList[0], RangeError);
    EXPECT_THROW(s.PairList[kMaxPairs + 1], RangeError);
    EXPECT_THROW(s.ClusterTable[kMaxClusters + 1], RangeError);
    EXPECT_THROW(s.Labels[0], RangeError);
    EXPECT_THROW(s.Coord(kMaxObjects + 1, 1), RangeError);
    EXPECT_THROW(s.Coord(1, kMaxAttrs + 1), RangeError);
    EXPECT_THROW(s.DistMatrix(1, 0), RangeError);
    ClusterRecord r;
    EXPECT_THROW(r.Centroid[kMaxAttrs + 1], RangeError);
    EXPECT_NO_THROW(s.ClusterTable[kMaxClusters]);
    try {
        s.ClusterTable[0];
        ADD_FAILURE() << "ClusterTable[0] raised nothing";
    } catch (const RangeError& e) {
        EXPECT_EQ(e.Message(), J("範囲チェックエラー"));
    }
    // Program start: every number is 0.
    EXPECT_EQ(s.PairList[7].Dist, 0);
    EXPECT_EQ(s.Coord(5, 5), 0);
}

TEST(Store, ReleaseClusterTreeReleasesEachRecordOnceChildrenFirst) {
    for (int n : {2, 3, 17}) {
        AnalysisStore s;
        Rows rows;
        for (int i = 0; i < n; ++i) rows.push_back({static_cast<long double>(i * i % 7), static_cast<long double>(i)});
        FillStore(s, rows, 0);
        CentroidMethod(s);
        std::vector<int32_t> log;
        s.ReleaseLog = &log;
        EXPECT_EQ(ReleaseClusterTree(s), 2 * n - 1);
        EXPECT_EQ(s.LiveRecordCount(), 0u);
        ASSERT_EQ(log.size(), static_cast<size_t>(2 * n - 1));
        std::vector<int> seen(2 * n, 0);
        for (int32_t id : log) {
            ASSERT_GE(id, 1);
            ASSERT_LT(id, 2 * n);
            EXPECT_EQ(seen[id]++, 0) << "released twice: " << id;
        }
        EXPECT_EQ(log.back(), 2 * n - 1);  // the root last
        // The table still lists the root's children and keeps its counts.
        EXPECT_EQ(s.ClusterCount, 3);
        EXPECT_EQ(s.LastClusterId, 2 * n - 1);
    }
}

// A record comes as a new one does, every field zero, also when it takes
// the place of a released one.
TEST(Store, NewRecordsAreZeroEvenWhenReused) {
    AnalysisStore s;
    auto isZero = [](const ClusterRecord* r) {
        for (int k = 1; k <= kMaxAttrs; ++k)
            if (r->Centroid[k] != 0) return false;
        return r->Id == 0 && !r->Left && !r->Right && r->PlotPos == 0 && r->Height == 0 && r->MemberCount == 0;
    };
    for (int round = 0; round < 2; ++round) {
        std::vector<ClusterRecord*> made;
        for (int i = 0; i < 3; ++i) {
            ClusterRecord* r = s.NewRecord();
            EXPECT_TRUE(isZero(r)) << "round " << round;
            r->Id = 7;
            r->Left = r->Right = r;
            r->PlotPos = r->Height = 1.5L;
            r->Centroid[kMaxAttrs] = 2;
            r->MemberCount = 3;
            made.push_back(r);
        }
        s.FreeRecord(made[0]);
        EXPECT_TRUE(isZero(s.NewRecord()));
        s.ReleaseAllRecords();
    }
    EXPECT_EQ(s.LiveRecordCount(), 0u);
}

TEST(Store, ReleaseOrderIsLeftSubtreeRightSubtreeThenRecord) {
    AnalysisStore s;
    // (0), (1), (10), (11): 1+2 -> 5, 3+4 -> 6, 5+6 -> 7.
    FillStore(s, {{0}, {1}, {10}, {11}}, 0);
    CentroidMethod(s);
    std::vector<int32_t> log;
    s.ReleaseLog = &log;
    ReleaseClusterTree(s);
    EXPECT_EQ(log, (std::vector<int32_t>{1, 2, 5, 3, 4, 6, 7}));
}

TEST(Lookups, SeekAndDistances) {
    AnalysisStore s;
    FillStore(s, {{0}, {1}, {2}}, 0);
    EXPECT_EQ(SeekD(s, 3, 1), 4);  // stored as (1, 3)
    EXPECT_EQ(SeekD(s, 1, 3), 4);
    EXPECT_EQ(SeekC(s, 2)->Id, 2);
    EXPECT_EQ(CentroidDist(s, 1, 2), 1);
    try {
        SeekD(s, 1, 7);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "SeekD range error");
    }
    try {
        SeekC(s, 4);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Range error in SeekC");
    }
    SeekC(s, 1)->Centroid[1] = 2;
    SeekC(s, 2)->Centroid[1] = 0.5L;
    EXPECT_EQ(CentroidDist(s, 1, 2), 2.25L);
    s.AttrCount = 0;
    EXPECT_EQ(CentroidDist(s, 1, 2), 0);

    // D(1,2) = 0.5, D(1,3) = 2, D(2,3) = 0.5, all single members: 1.5.
    AnalysisStore w;
    FillStore(w, {{0}, {1}, {2}}, 1);
    EXPECT_EQ(SeekD(w, 1, 2), 0.5L);
    EXPECT_EQ(WardDist(w, 3, 1, 2), 1.5L);
}

TEST(Lookups, MergedClusterIsNoLongerFound) {
    AnalysisStore s;
    FillStore(s, {{0}, {1}, {5}}, 0);
    CentroidMethod(s);  // 1 and 2 merge into 4, then 3 and 4 into 5
    EXPECT_THROW(SeekC(s, 1), Error);
    EXPECT_EQ(SeekC(s, 4)->MemberCount, 2);
}

TEST(Distances, PairListAndObjectClusters) {
    AnalysisStore s;
    FillStore(s, {{0, 0}, {4, 0}, {2, 3}, {1, 1}}, 0);
    ASSERT_EQ(s.PairCount, 6);
    const int expected[6][2] = {{1, 2}, {1, 3}, {2, 3}, {1, 4}, {2, 4}, {3, 4}};
    const long double dist[6] = {16, 13, 13, 2, 10, 5};
    for (int p = 1; p <= 6; ++p) {
        EXPECT_EQ(s.PairList[p].I, expected[p - 1][0]);
        EXPECT_EQ(s.PairList[p].J, expected[p - 1][1]);
        EXPECT_EQ(s.PairList[p].Dist, dist[p - 1]);
    }
    EXPECT_EQ(s.ClusterCount, 4);
    EXPECT_EQ(s.LastClusterId, 4);
    for (int c = 1; c <= 4; ++c) {
        EXPECT_EQ(s.ClusterTable[c].Id, c);
        EXPECT_EQ(s.ClusterTable[c].Rec->Left, nullptr);
        EXPECT_EQ(s.ClusterTable[c].Rec->MemberCount, 1);
        EXPECT_EQ(s.ClusterTable[c].Rec->Centroid[2], s.Coord(c, 2));
    }
    ComputeDistMatrix(s);
    EXPECT_EQ(s.DistMatrix(2, 1), 4);
    EXPECT_EQ(s.DistMatrix(3, 1), std::sqrt(13.0L));
    // Ward starts from half the squared distances.
    AnalysisStore w;
    FillStore(w, {{0, 0}, {4, 0}, {2, 3}}, 1);
    EXPECT_EQ(w.PairList[1].Dist, 8);
    EXPECT_EQ(w.PairList[2].Dist, 6.5L);
    // No attributes: every distance is 0.
    AnalysisStore z;
    FillStore(z, {{}, {}, {}}, 0, 0);
    for (int p = 1; p <= 3; ++p) EXPECT_EQ(z.PairList[p].Dist, 0);
}

TEST(Distances, ParallelSumsMatchTheSequentialOrder) {
    // Split over two threads (the threshold lowered for the test, and at the
    // default for the distance table's sums); every sum must equal the one formed term by term in ascending order, and an
    // overflow in either thread's rows must raise.
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: no second thread";
    AnalysisStore s;
    const int n = 300, m = 37;
    uint64_t x = 12345;
    s.ObjectCount = n;
    s.AttrCount = m;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= m; ++k) {
            x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            s.Coord(i, k) = static_cast<long double>(x >> 11) / 9007199254740992.0L * 1000 - 500;
        }
    // The distance table takes its square roots on the same two threads.
    s.DistType = 0;
    ComputeDistMatrix(s);
    ASSERT_EQ(ComputePairSums(s, 0), 2);
    std::vector<long double> sums;
    for (int j = 2; j <= n; ++j)
        for (int i = 1; i < j; ++i) {
            long double sum = 0;
            for (int k = 1; k <= m; ++k) sum = sum + (s.Coord(j, k) - s.Coord(i, k)) * (s.Coord(j, k) - s.Coord(i, k));
            ASSERT_TRUE(SameBits(sum, s.PairList.data()[PairIndex(i, j)].Dist)) << i << "," << j;
            ASSERT_TRUE(SameBits(std::sqrt(sum), s.DistMatrix(j, i))) << i << "," << j;
            sums.push_back(sum);
        }
    // Ward's list holds the halves, whether it takes sums formed before or
    // forms them itself.
    s.DistType = 1;
    for (bool formedBefore : {true, false}) {
        s.PairSumsValid = false;
        if (formedBefore) ComputePairSums(s, 0);
        FillPairList(s);
        ASSERT_EQ(s.PairCount, static_cast<int>(sums.size()));
        for (int j = 2, p = 1; j <= n; ++j)
            for (int i = 1; i < j; ++i, ++p) {
                const PairEntry& e = s.PairList[p];
                ASSERT_TRUE(e.I == i && e.J == j && SameBits(e.Dist, sums[p - 1] / 2)) << formedBefore << " " << p;
            }
    }
    for (int row : {2, n}) {  // the first thread's rows, the second's
        const long double kept = s.Coord(row, 1);
        s.Coord(row, 1) = 1e2500L;
        EXPECT_THROW(ComputePairSums(s, 0), MathError) << row;
        s.Coord(row, 1) = kept;
    }
}

TEST(Distances, OverflowRaisesTheFloatingPointError) {
    AnalysisStore s;
    Rows rows = {{0}, {1e2500L}};
    EXPECT_THROW(FillStore(s, rows, 0), MathError);
    rows = {{0}, {1}, {2}, {-1e2500L}};
    EXPECT_THROW(FillStore(s, rows, 1), MathError);
    // Large but finite squares are fine.
    EXPECT_NO_THROW(FillStore(s, {{0}, {1e2000L}}, 0));
    EXPECT_TRUE(std::isfinite(s.PairList[1].Dist));
}

}  // namespace
}  // namespace ca::testing
