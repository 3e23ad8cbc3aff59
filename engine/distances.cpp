#include "engine/distances.h"

#include <cmath>
#include <system_error>
#include <thread>

#include "common/fpcheck.h"
#include "engine/lookups.h"

namespace ca {
namespace {

// A count below 0 (a grid without its heading row) means no objects.
void CheckCounts(const AnalysisStore& s) {
    if (s.ObjectCount > kMaxObjects || s.AttrCount > kMaxAttrs) throw RangeError();
}

// Pairs of n objects (none for fewer than two).
size_t PairCountOf(int n) { return n < 2 ? 0 : static_cast<size_t>(n) * (n - 1) / 2; }

// Row j of DistMatrix: the square roots of the row's pair sums.
void TakeRoots(AnalysisStore& s, int j) {
    long double* row = s.DistMatrix.Row(j);
    const PairEntry* sums = s.PairList.data() + PairIndex(1, j);
    for (int i = 1; i < j; ++i) row[i - 1] = std::sqrt(sums[i - 1].Dist);
}

// Sums of the pairs (I, J) for I = 1..J-1 of the rows J in [jFrom, jTo), each
// entry written whole (I, J, sum); with `roots` also their square roots into
// DistMatrix while they are at hand, with `halve` the sums halved (Ward's
// list). Four sums run side by side; each one still adds its terms in order
// k = 1..M.
void SumRows(AnalysisStore& s, int jFrom, int jTo, bool roots, bool halve) {
    const int m = s.AttrCount;
    PairEntry* out = s.PairList.data();
    for (int j = jFrom; j < jTo; ++j) {
        const long double* xj = s.Coord.Row(j);
        PairEntry* o = out + PairIndex(1, j);
        int i = 1;
        for (; i + 3 < j; i += 4) {
            const long double* a = s.Coord.Row(i);
            const long double* const p[4] = {a, a + kMaxAttrs, a + 2 * kMaxAttrs, a + 3 * kMaxAttrs};
            long double sums[4];
            SquaredDistances4(xj, p, m, sums);
            for (int q = 0; q < 4; ++q) o[i - 1 + q].Dist = sums[q];
        }
        for (; i < j; ++i) o[i - 1].Dist = SquaredDistance(xj, s.Coord.Row(i), m);
        if (roots) TakeRoots(s, j);
        for (i = 1; i < j; ++i) {
            o[i - 1].I = i;
            o[i - 1].J = j;
            if (halve) o[i - 1].Dist = o[i - 1].Dist / 2;
        }
    }
}

int SumPairs(AnalysisStore& s, double splitWork, bool roots, bool halve) {
    CheckCounts(s);
    const int n = s.ObjectCount;
    s.PairSumsValid = false;
    if (n < 2) {
        s.PairSumsValid = true;
        return 1;
    }
    ClearFpFaults();
    const double work = 0.5 * n * n * (s.AttrCount + 1);
    int threads = 1;
    if (work < splitWork || std::thread::hardware_concurrency() < 2) {
        SumRows(s, 2, n + 1, roots, halve);
    } else {
        threads = 2;
        // Two halves of equal work: this thread takes the rows before
        // `split`, which hold half of the pairs, the second thread the rest.
        int split = 2;
        while (PairIndex(1, split) < PairCountOf(n) / 2) ++split;
        int workerFaults = 0;
        std::exception_ptr workerError;
        std::thread worker;
        try {
            worker = std::thread([&] {
                try {
                    ClearFpFaults();
                    SumRows(s, split, n + 1, roots, halve);
                    workerFaults = PendingFpFaults();
                } catch (...) {
                    workerError = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            threads = 1;  // no second thread to be had: this one takes every row
        }
        try {
            SumRows(s, 2, threads == 2 ? split : n + 1, roots, halve);
        } catch (...) {
            if (worker.joinable()) worker.join();
            throw;
        }
        if (worker.joinable()) worker.join();
        if (workerError) std::rethrow_exception(workerError);
        RaiseFpFaults(workerFaults);
    }
    CheckFpFaults();
    s.PairSumsValid = !halve;
    return threads;
}

}  // namespace

int ComputePairSums(AnalysisStore& s, double splitWork) { return SumPairs(s, splitWork, false, false); }

void ComputeDistMatrix(AnalysisStore& s) {
    if (!s.PairSumsValid) {
        SumPairs(s, kPairSumsSplitWork, true, false);
        return;
    }
    const int n = s.ObjectCount;
    ClearFpFaults();
    for (int j = 2; j <= n; ++j) TakeRoots(s, j);
    CheckFpFaults();
}

void FillPairList(AnalysisStore& s) {
    CheckCounts(s);
    const bool ward = s.DistType == 1;
    if (!s.PairSumsValid) {
        SumPairs(s, kPairSumsSplitWork, false, ward);  // the list at once
    } else if (ward) {
        // The entries hold their pairs and sums already.
        ClearFpFaults();
        PairEntry* e = s.PairList.data();
        for (size_t p = 0, count = PairCountOf(s.ObjectCount); p < count; ++p) e[p].Dist = e[p].Dist / 2;
        CheckFpFaults();
    }
    s.PairSumsValid = false;  // the sums are the list now
    s.PairCount = static_cast<int32_t>(PairCountOf(s.ObjectCount));
}

void MakeObjectClusters(AnalysisStore& s) {
    CheckCounts(s);
    const int n = s.ObjectCount;
    const int m = s.AttrCount;
    s.ClusterCount = n;
    for (int c = 1; c <= n; ++c) {
        ClusterEntry& entry = s.ClusterTable[c];
        entry.Id = c;
        ClusterRecord* rec = s.NewRecord();
        entry.Rec = rec;
        rec->Id = c;
        rec->Height = 0;
        rec->Left = rec->Right = nullptr;
        rec->MemberCount = 1;
        const long double* row = s.Coord.Row(c);
        for (int k = 0; k < m; ++k) rec->Centroid.v[k] = row[k];
    }
    s.LastClusterId = n;
}

}  // namespace ca
