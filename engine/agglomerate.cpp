#include "engine/agglomerate.h"

#include <cstddef>
#include <limits>
#include <vector>

#include "common/fpcheck.h"
#include "engine/lookups.h"
#include "engine/screening.h"

namespace ca {
namespace {

// The generic agglomeration with nearest-neighbour candidates (Müllner 2011, "Modern hierarchical, agglomerative clustering algorithms").
//
// Every live cluster keeps a candidate: its best partner among the live
// clusters with smaller ids, and the distance to it. A merge changes only
// the distances to the new cluster, which is the newest and so no other
// cluster's candidate; a cluster whose partner was merged away keeps its old
// best distance, marked stale. Losing candidates can only raise a minimum,
// so a stale best distance is a lower bound of the true one: the step takes
// the cluster with the smallest best distance and rescans it only when that
// distance is stale.
class Agglomeration {
public:
    Agglomeration(AnalysisStore& s, bool ward) : s_(s), ward_(ward) {}

    void Run() {
        const int c0 = s_.ClusterCount;
        if (s_.PairCount <= 0 || c0 < 2) throw Error("Range error in SeekC");
        if (c0 > kMaxClusters) throw RangeError();
        m_ = CheckedAttrCount(s_);
        Load(c0);
        screening_ = !ward_ && m_ >= kScreenAttrs && screen_.Start(recs_, m_);
        ClearFpFaults();
        while (Step()) {
        }
    }

private:
    // Slots 0..n-1 are the table entries at the start; a merged cluster takes
    // over the slot of its first child. D, the dense distance table by slot,
    // lies in the store's Work table. The live clusters form a list by slot
    // in the order of their ids.
    void Load(int c0) {
        n_ = c0;
        if (static_cast<int64_t>(s_.PairCount) != static_cast<int64_t>(c0) * (c0 - 1) / 2 ||
            s_.PairCount > kMaxPairs)
            throw RangeError();
        d_ = s_.Work.data();
        ids_.resize(n_);
        recs_.resize(n_);
        next_.assign(n_, -1);
        prev_.assign(n_, -1);
        bestDist_.assign(n_, 0.0L);
        bestPartner_.assign(n_, -1);
        stale_.assign(n_, 0);
        for (int a = 0; a < n_; ++a) {
            const ClusterEntry& e = s_.ClusterTable[a + 1];
            if (!e.Rec || (a > 0 && e.Id <= ids_[a - 1])) throw RangeError();
            ids_[a] = e.Id;
            recs_[a] = e.Rec;
            prev_[a] = a - 1;
            next_[a] = a + 1 < n_ ? a + 1 : -1;
        }
        head_ = 0;
        tail_ = n_ - 1;
        live_ = n_;
        // The list holds every pair in the order (1,2), (1,3), (2,3), ... by
        // slot. Every entry of D that is read is written first: Ward reads
        // both halves; the centroid method reads each cluster's row only
        // towards older clusters.
        const PairEntry* pairs = s_.PairList.data();
        size_t p = 0;
        for (int b = 1; b < n_; ++b) {
            for (int a = 0; a < b; ++a, ++p) {
                const PairEntry& e = pairs[p];
                if (e.I != ids_[a] || e.J != ids_[b]) throw RangeError();
                if (ward_) D(a, b) = e.Dist;
                D(b, a) = e.Dist;
            }
        }
        for (int b = 1; b < n_; ++b) Rescan(b);
    }

    long double* Row(int a) { return d_ + static_cast<size_t>(a) * n_; }
    long double& D(int a, int b) { return Row(a)[b]; }

    // The candidate of slot j: the smallest distance among the live clusters
    // with smaller ids, the smallest id among equal ones. Distances still
    // only estimated are settled first as far as the choice needs them.
    void Rescan(int j) {
        const long double* row = Row(j);
        const bool estimates = screening_ && screen_.Left(j) > 0;
        if (estimates) SettleContenders(j);
        int best = -1;
        long double dist = 0;
        for (int a = head_; a != j && a >= 0; a = next_[a]) {
            if (estimates && screen_.Estimated(j, a)) continue;
            if (best < 0 || row[a] < dist) {
                best = a;
                dist = row[a];
            }
        }
        bestPartner_[j] = best;
        bestDist_[j] = dist;
        stale_[j] = 0;
    }

    // Each estimated distance of row j is known to lie within its bounds. It
    // is computed exactly when its lower bound does not exceed the smallest
    // upper bound of the row, so that every distance left estimated is larger
    // than the one chosen.
    void SettleContenders(int j) {
        long double* row = Row(j);
        long double ceiling = std::numeric_limits<long double>::infinity();
        for (int a = head_; a != j && a >= 0; a = next_[a]) {
            const long double upper = screen_.Estimated(j, a) ? row[a] + screen_.Bound(j, a) : row[a];
            if (upper < ceiling) ceiling = upper;
        }
        for (int a = head_; a != j && a >= 0; a = next_[a]) {
            if (screen_.Estimated(j, a) && row[a] - screen_.Bound(j, a) <= ceiling) {
                row[a] = SquaredDistance(recs_[a]->Centroid.data(), recs_[j]->Centroid.data(), m_);
                screen_.Settle(j, a);
            }
        }
    }

    // The pair of this step: the cluster J with the smallest best distance,
    // smallest id among equal ones, and its partner. A stale winner is
    // rescanned and the search repeated.
    int ChooseJ() {
        for (;;) {
            int j = -1;
            for (int b = head_; b >= 0; b = next_[b]) {
                if (bestPartner_[b] < 0) continue;
                if (j < 0 || bestDist_[b] < bestDist_[j]) j = b;
            }
            if (j < 0) throw Error("Range error in SeekC");
            if (!stale_[j]) return j;
            Rescan(j);
        }
    }

    void Unlink(int a) {
        if (prev_[a] >= 0) next_[prev_[a]] = next_[a]; else head_ = next_[a];
        if (next_[a] >= 0) prev_[next_[a]] = prev_[a]; else tail_ = prev_[a];
        prev_[a] = next_[a] = -1;
    }

    void Append(int a) {
        prev_[a] = tail_;
        next_[a] = -1;
        if (tail_ >= 0) next_[tail_] = a; else head_ = a;
        tail_ = a;
    }

    // One merge; false after the last.
    bool Step() {
        const int cj = ChooseJ();
        CheckFpFaults();  // distances computed while choosing
        const int ci = bestPartner_[cj];
        const long double dmin = bestDist_[cj];

        ClusterRecord* rec = s_.NewRecord();
        const int32_t newId = ++s_.LastClusterId;
        rec->Id = newId;
        rec->Left = recs_[ci];
        rec->Right = recs_[cj];
        rec->Height = dmin;
        MergeCentroid(*rec->Left, *rec->Right, m_, rec->Centroid.data());
        rec->MemberCount = rec->Left->MemberCount + rec->Right->MemberCount;

        if (live_ == 2) {
            CheckFpFaults();
            Finish(ci, cj, rec, dmin);
            return false;
        }

        // The new cluster's distances to the others, into row ci.
        others_.clear();
        for (int t = head_; t >= 0; t = next_[t])
            if (t != ci && t != cj) others_.push_back(t);
        if (screening_) {
            screen_.EstimateRow(ci, rec, others_, Row(ci));
        } else if (ward_) {
            WardRow(ci, cj);
        } else {
            CentroidRow(ci, rec->Centroid.data());
        }
        CheckFpFaults();

        // The new cluster takes over slot ci and goes to the end of the list.
        Unlink(ci);
        Unlink(cj);
        bestPartner_[cj] = -1;
        ids_[ci] = newId;
        recs_[ci] = rec;
        Append(ci);
        --live_;
        for (const int t : others_)
            if (bestPartner_[t] == ci || bestPartner_[t] == cj) stale_[t] = 1;
        Rescan(ci);
        return true;
    }

    // Distances from the new centroid cn to others_ into row ci, four at a
    // time.
    void CentroidRow(int ci, const long double* cn) {
        long double* row = Row(ci);
        size_t x = 0;
        for (; x + 4 <= others_.size(); x += 4) {
            const long double* const p[4] = {recs_[others_[x]]->Centroid.data(), recs_[others_[x + 1]]->Centroid.data(),
                                             recs_[others_[x + 2]]->Centroid.data(),
                                             recs_[others_[x + 3]]->Centroid.data()};
            long double sums[4];
            SquaredDistances4(cn, p, m_, sums);
            for (int q = 0; q < 4; ++q) row[others_[x + q]] = sums[q];
        }
        for (; x < others_.size(); ++x) row[others_[x]] = SquaredDistance(recs_[others_[x]]->Centroid.data(), cn, m_);
    }

    // The Ward recurrence from rows ci and cj into row and column ci (each
    // entry of row ci is read before it is overwritten).
    void WardRow(int ci, int cj) {
        const long double dab = D(ci, cj);
        const int32_t na = recs_[ci]->MemberCount;
        const int32_t nb = recs_[cj]->MemberCount;
        for (const int t : others_) {
            const long double v = WardFormula(D(ci, t), D(cj, t), dab, recs_[t]->MemberCount, na, nb);
            D(ci, t) = v;
            D(t, ci) = v;
        }
    }

    // The store as the last step leaves it: the two clusters merged last and
    // the root in the table, their pair alone in the list.
    void Finish(int ci, int cj, ClusterRecord* root, long double dmin) {
        s_.ClusterTable[1] = ClusterEntry{ids_[ci], recs_[ci]};
        s_.ClusterTable[2] = ClusterEntry{ids_[cj], recs_[cj]};
        s_.ClusterTable[3] = ClusterEntry{root->Id, root};
        s_.ClusterCount = 3;
        s_.PairList[1] = PairEntry{ids_[ci], ids_[cj], dmin};
        s_.PairCount = 1;
        s_.PairSumsValid = false;  // the list no longer holds the pair sums
    }

    AnalysisStore& s_;
    const bool ward_;
    int m_ = 0;
    int n_ = 0;
    long double* d_ = nullptr;
    std::vector<int32_t> ids_;
    std::vector<ClusterRecord*> recs_;
    std::vector<int> next_, prev_;
    int head_ = -1, tail_ = -1, live_ = 0;
    std::vector<long double> bestDist_;
    std::vector<int> bestPartner_;
    std::vector<char> stale_;
    std::vector<int> others_;
    bool screening_ = false;
    CentroidScreening screen_;
};

}  // namespace

void CentroidMethod(AnalysisStore& s) { Agglomeration(s, false).Run(); }

void WardMethod(AnalysisStore& s) { Agglomeration(s, true).Run(); }

}  // namespace ca
