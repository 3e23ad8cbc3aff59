#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "common/error.h"
#include "engine/agglomerate.h"
#include "engine/lookups.h"
#include "engine/screening.h"
#include "tests/engine/fixture.h"
#include "tests/engine/literal.h"

namespace ca::testing {
namespace {

// Runs the fast procedure on `fast` and the literal one on a second store from
// the same rows; the two must agree bit for bit.
void RunBoth(AnalysisStore& fast, const Rows& rows, bool ward) {
    AnalysisStore literal;
    FillStore(fast, rows, ward ? 1 : 0);
    FillStore(literal, rows, ward ? 1 : 0);
    RunFastAndLiteral(fast, literal, ward);
    ASSERT_TRUE(SameResult(fast, literal));
}

const ClusterRecord& Root(AnalysisStore& s) { return *s.ClusterTable[s.ClusterCount].Rec; }

TEST(CentroidMethod, ThreePointsOnALine) {
    AnalysisStore s;
    RunBoth(s, {{0}, {1}, {2}}, false);
    const ClusterRecord& root = Root(s);
    EXPECT_EQ(root.Id, 5);
    EXPECT_EQ(root.Left->Id, 3);
    EXPECT_EQ(root.Right->Id, 4);
    EXPECT_EQ(root.Height, 2.25L);
    EXPECT_EQ(root.Centroid[1], 1);
    EXPECT_EQ(root.MemberCount, 3);
    const ClusterRecord& four = *root.Right;
    EXPECT_EQ(four.Left->Id, 1);
    EXPECT_EQ(four.Right->Id, 2);
    EXPECT_EQ(four.Height, 1);
    EXPECT_EQ(four.Centroid[1], 0.5L);
    EXPECT_EQ(s.ClusterCount, 3);
    EXPECT_EQ(s.ClusterTable[1].Id, 3);
    EXPECT_EQ(s.ClusterTable[2].Id, 4);
    EXPECT_EQ(s.ClusterTable[3].Id, 5);
    EXPECT_EQ(s.PairCount, 1);
    EXPECT_EQ(s.PairList[1].I, 3);
    EXPECT_EQ(s.PairList[1].J, 4);
    EXPECT_EQ(s.PairList[1].Dist, 2.25L);
}

TEST(CentroidMethod, HeightsNeedNotGrow) {
    AnalysisStore s;
    RunBoth(s, {{0, 0}, {4, 0}, {2, 3}}, false);
    const ClusterRecord& root = Root(s);
    EXPECT_EQ(root.Left->Id, 2);
    EXPECT_EQ(root.Right->Id, 4);
    EXPECT_EQ(root.Right->Left->Id, 1);
    EXPECT_EQ(root.Right->Right->Id, 3);
    EXPECT_EQ(root.Right->Height, 13);
    EXPECT_EQ(root.Right->Centroid[1], 1);
    EXPECT_EQ(root.Right->Centroid[2], 1.5L);
    EXPECT_EQ(root.Height, 11.25L);
}

TEST(CentroidMethod, TwoObjectsAndIdenticalRows) {
    AnalysisStore s;
    RunBoth(s, {{1, 2}, {3, 6}}, false);
    EXPECT_EQ(Root(s).Id, 3);
    EXPECT_EQ(Root(s).Left->Id, 1);
    EXPECT_EQ(Root(s).Right->Id, 2);
    EXPECT_EQ(Root(s).Height, 20);
    EXPECT_EQ(Root(s).Centroid[1], 2);
    EXPECT_EQ(Root(s).Centroid[2], 4);
    EXPECT_EQ(s.PairCount, 1);

    AnalysisStore d;
    RunBoth(d, {{5, 5}, {0, 0}, {5, 5}, {9, 9}}, false);
    // Objects 1 and 3 coincide and merge first, at height 0.
    const ClusterRecord* first = nullptr;
    std::vector<const ClusterRecord*> stack{&Root(d)};
    while (!stack.empty()) {
        const ClusterRecord* r = stack.back();
        stack.pop_back();
        if (r->Id == 5) first = r;
        if (r->Left) stack.insert(stack.end(), {r->Left, r->Right});
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Left->Id, 1);
    EXPECT_EQ(first->Right->Id, 3);
    EXPECT_EQ(first->Height, 0);
}

TEST(WardMethod, ThreePointsOnALine) {
    AnalysisStore s;
    RunBoth(s, {{0}, {1}, {2}}, true);
    const ClusterRecord& root = Root(s);
    EXPECT_EQ(root.Right->Id, 4);
    EXPECT_EQ(root.Right->Height, 0.5L);
    EXPECT_EQ(root.Height, 1.5L);
    EXPECT_EQ(root.Left->Id, 3);
    EXPECT_EQ(root.Centroid[1], 1);
}

TEST(WardMethod, TriangleAndFourPoints) {
    AnalysisStore t;
    RunBoth(t, {{0, 0}, {4, 0}, {2, 3}}, true);
    EXPECT_EQ(Root(t).Right->Height, 6.5L);
    EXPECT_EQ(Root(t).Right->Left->Id, 1);
    EXPECT_EQ(Root(t).Right->Right->Id, 3);
    EXPECT_EQ(Root(t).Height, 7.5L);

    AnalysisStore f;
    RunBoth(f, {{0, 0}, {0, 1}, {5, 0}, {5, 2}}, true);
    const ClusterRecord& root = Root(f);
    EXPECT_EQ(root.Id, 7);
    EXPECT_EQ(root.Left->Id, 5);
    EXPECT_EQ(root.Right->Id, 6);
    EXPECT_EQ(root.Left->Height, 0.5L);
    EXPECT_EQ(root.Right->Height, 2);
    EXPECT_EQ(root.Height, 25.25L);
    EXPECT_EQ(root.Height, 2.0L * 2 / 4 * 25.25L);  // the within-group sum of squares
}

TEST(Agglomeration, FewerThanTwoObjectsFormNoCluster) {
    for (bool ward : {false, true}) {
        for (const Rows& rows : {Rows{}, Rows{{1, 2}}}) {
            AnalysisStore s;
            FillStore(s, rows, ward);
            const int32_t before = s.LastClusterId;
            try {
                ward ? WardMethod(s) : CentroidMethod(s);
                FAIL() << "no error";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Range error in SeekC");
            }
            EXPECT_EQ(s.LastClusterId, before);
            EXPECT_EQ(s.LiveRecordCount(), rows.size());
        }
    }
}

TEST(Agglomeration, LargestTableFits) {
    // 1000 objects of 200 attributes: the capacities hold, the ids run to 1999.
    auto s = std::make_unique<AnalysisStore>();
    Rows rows(kMaxObjects, std::vector<long double>(kMaxAttrs));
    uint64_t x = 99;
    for (auto& r : rows)
        for (auto& v : r) {
            x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            v = static_cast<long double>(x >> 54);  // 0..1023: many equal coordinates
        }
    for (bool ward : {false, true}) {
        FillStore(*s, rows, ward);
        EXPECT_EQ(s->PairCount, 499500);
        ward ? WardMethod(*s) : CentroidMethod(*s);
        EXPECT_EQ(s->ClusterCount, 3);
        EXPECT_EQ(s->PairCount, 1);
        EXPECT_EQ(s->LastClusterId, 1999);
        EXPECT_EQ(Root(*s).Id, 1999);
        EXPECT_EQ(Root(*s).MemberCount, 1000);
        EXPECT_EQ(s->ClusterTable[1].Rec, Root(*s).Left);
        EXPECT_EQ(s->ClusterTable[2].Rec, Root(*s).Right);
        EXPECT_EQ(ReleaseClusterTree(*s), 1999);
    }
}

TEST(Agglomeration, OverflowInACentroidRaisesAndNoHeightIsInfinite) {
    struct Case {
        Rows rows;
        bool ward;
    };
    const Case cases[] = {
        // Equal huge rows: distances 0, but n x coordinate overflows.
        {{{1e4932L}, {1e4932L}, {1e4932L}}, false},
        {{{1e4932L}, {1e4932L}, {1e4932L}}, true},
        // Finite distances whose recurrence overflows.
        {{{0}, {1e2465L}, {2e2465L}, {1e2466L}}, true},
    };
    for (const Case& c : cases) {
        AnalysisStore s;
        FillStore(s, c.rows, c.ward);
        EXPECT_THROW(c.ward ? WardMethod(s) : CentroidMethod(s), MathError);
        // Every record made before the fault has a finite height.
        EXPECT_GE(s.LiveRecordCount(), c.rows.size());
        for (const ClusterRecord* r : s.LiveRecords())
            EXPECT_TRUE(std::isfinite(r->Height)) << "cluster " << r->Id << (c.ward ? " (Ward)" : "");
        s.ReleaseAllRecords();
        EXPECT_EQ(s.LiveRecordCount(), 0u);
    }
}

// The screening keeps its error bounds as floats: each must stay a bound of
// the double it stands for (never below it, also where float underflows or
// overflows), and a close one where float can hold it.
TEST(Agglomeration, BoundsKeptAsFloatStayBounds) {
    std::mt19937_64 rng(7);
    std::vector<double> values = {0, 0x1p-1074, 0x1p-1000, 0x1p-150, 0x1p-149, 0x1.8p-149, 0x1p-127, 0x1p-126,
                                  1, 0x1.000001p0, 0x1.fffffep127, 0x1.ffffffp127, 0x1p128, 0x1p1000};
    for (int e = -1080; e <= 1020; ++e)
        for (int r = 0; r < 40; ++r)
            values.push_back(std::ldexp(std::uniform_real_distribution<double>(1, 2)(rng), e));
    for (const double b : values) {
        const double f = FloatAtOrAbove(b);
        ASSERT_GE(f, b) << std::hexfloat << b;
        if (b < 0x1p127) {
            ASSERT_LE(f, b * (1 + 0x1p-21) + 0x1p-148) << std::hexfloat << b;
        }
    }
}

// Each estimate lies within its bound of the exact distance: centroids of
// any magnitude up to the screening's limit, close together or far apart
// (close ones far out, where the rounding of the copies dominates).
TEST(Screening, EstimatesLieWithinTheirBounds) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<ClusterRecord> recs(9);
    std::vector<ClusterRecord*> slots;
    for (ClusterRecord& r : recs) slots.push_back(&r);
    const std::vector<int> others = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int round = 0; round < 300; ++round) {
        const int m = std::uniform_int_distribution<int>(kScreenAttrs, kMaxAttrs)(rng);
        const int e = std::uniform_int_distribution<int>(-1000, 79)(rng);  // coordinates below 2^(e+1)
        const int spread = std::uniform_int_distribution<int>(0, 70)(rng);
        for (int k = 0; k < m; ++k) {
            const long double base = std::ldexp(static_cast<long double>(u(rng)), e);
            for (ClusterRecord& r : recs)
                r.Centroid.v[k] = base + std::ldexp(u(rng) + u(rng) * 0x1p-53L, e - spread);
        }
        CentroidScreening screen;
        ASSERT_TRUE(screen.Start(slots, m));
        long double row[9];
        screen.EstimateRow(0, slots[0], others, row);
        for (const int t : others) {
            const long double exact = SquaredDistance(recs[t].Centroid.data(), recs[0].Centroid.data(), m);
            ASSERT_TRUE(screen.Estimated(0, t));
            ASSERT_LE(std::fabs(row[t] - exact), screen.Bound(0, t)) << "round " << round << ", 2^" << e;
        }
    }
    recs[3].Centroid.v[0] = 0x1.0000000000001p80L;  // beyond the limit: no screening
    CentroidScreening beyond;
    EXPECT_FALSE(beyond.Start(slots, kScreenAttrs));
}

}  // namespace
}  // namespace ca::testing
