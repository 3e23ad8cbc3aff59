// The fast agglomerations against the literal procedure on many random data
// sets rich in exact ties: small integer coordinates, duplicated rows, no
// attributes at all. Trees and final tables must agree bit for bit.
#include <gtest/gtest.h>

#include <random>

#include "engine/agglomerate.h"
#include "tests/engine/fixture.h"
#include "tests/engine/literal.h"

namespace ca::testing {
namespace {

Rows RandomRows(std::mt19937_64& rng) {
    const int n = std::uniform_int_distribution<int>(2, 60)(rng);
    const int kind = std::uniform_int_distribution<int>(0, 7)(rng);
    // Kind 6 has attributes enough for the centroid distances to be screened.
    const int m = kind == 0   ? 0
                  : kind == 6 ? std::uniform_int_distribution<int>(16, 24)(rng)
                              : std::uniform_int_distribution<int>(1, kind == 7 ? 24 : 6)(rng);
    Rows rows(n, std::vector<long double>(m));
    for (auto& r : rows) {
        for (auto& v : r) {
            switch (kind) {
                case 0: break;
                case 1: v = std::uniform_int_distribution<int>(0, 2)(rng); break;        // heavy ties
                case 2: v = std::uniform_int_distribution<int>(-5, 5)(rng); break;
                case 3: v = std::uniform_int_distribution<int>(0, 12)(rng) / 4.0L; break;  // quarter steps
                case 4: v = std::uniform_real_distribution<double>(-100, 100)(rng); break;
                case 6: v = 1e6L + std::uniform_int_distribution<int>(0, 3)(rng) / 1000.0L; break;  // far out
                case 7: v = std::uniform_int_distribution<int>(-1, 1)(rng) * 1e-300L; break;     // tiny values
                default: v = std::uniform_int_distribution<int>(0, 1)(rng) * 1e6L +
                             std::uniform_int_distribution<int>(0, 3)(rng) / 3.0L; break;
            }
        }
    }
    // Duplicate some rows.
    const int dups = std::uniform_int_distribution<int>(0, n / 3)(rng);
    for (int d = 0; d < dups; ++d)
        rows[std::uniform_int_distribution<int>(0, n - 1)(rng)] = rows[std::uniform_int_distribution<int>(0, n - 1)(rng)];
    return rows;
}

void CompareMany(bool ward, uint64_t seed, int count) {
    std::mt19937_64 rng(seed);
    AnalysisStore fast, literal;
    for (int run = 0; run < count; ++run) {
        const Rows rows = RandomRows(rng);
        FillStore(fast, rows, ward);
        FillStore(literal, rows, ward);
        RunFastAndLiteral(fast, literal, ward);
        ASSERT_TRUE(SameResult(fast, literal)) << "data set " << run << " of seed " << seed << ", "
                                               << rows.size() << " objects";
        ASSERT_EQ(ReleaseClusterTree(fast), static_cast<int>(2 * rows.size() - 1));
        ASSERT_EQ(ReleaseClusterTree(literal), static_cast<int>(2 * rows.size() - 1));
    }
}

TEST(Oracle, CentroidMethodMatchesTheLiteralProcedure) {
    CompareMany(false, 1, 1500);
}

TEST(Oracle, CentroidMethodMatchesTheLiteralProcedureMoreSeeds) {
    CompareMany(false, 2, 1500);
}

TEST(Oracle, WardMethodMatchesTheLiteralProcedure) {
    CompareMany(true, 3, 1500);
}

TEST(Oracle, WardMethodMatchesTheLiteralProcedureMoreSeeds) {
    CompareMany(true, 4, 1500);
}

}  // namespace
}  // namespace ca::testing

namespace ca::testing {
namespace {

// Many attributes and coordinates beyond 2^80, which are not screened: the
// centroid distances are all computed exactly, four at a time.
TEST(Oracle, UnscreenedCentroidMethodMatchesTheLiteralProcedure) {
    std::mt19937_64 rng(5);
    AnalysisStore fast, literal;
    for (int run = 0; run < 3; ++run) {
        const int n = 260 + run * 20, m = 130;
        Rows rows(n, std::vector<long double>(m));
        for (auto& r : rows)
            for (auto& v : r)
                v = 0x1p420L * (run == 0 ? std::uniform_int_distribution<int>(0, 1)(rng)
                                         : std::uniform_real_distribution<double>(-1, 1)(rng));
        for (int d = 0; d < 20; ++d) rows[d + 100] = rows[d];  // duplicated rows
        FillStore(fast, rows, 0);
        FillStore(literal, rows, 0);
        RunFastAndLiteral(fast, literal, false);
        ASSERT_TRUE(SameResult(fast, literal)) << "run " << run;
        ReleaseClusterTree(fast);
        ReleaseClusterTree(literal);
    }
}

}  // namespace
}  // namespace ca::testing
