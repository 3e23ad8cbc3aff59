#include "engine/agglomerate.h"

#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "common/fpcheck.h"
#include "engine/lookups.h"

namespace ca {
namespace {

// A second thread for the exact centroid distances of large tables. A step's
// list is cut into chunks that either thread takes as it comes free: the
// calling thread starts at once, the helper joins when it has woken, so the
// step never waits for the helper to wake, only for a chunk it has taken.
// Each distance is still summed by one thread in the same order, so the
// results do not depend on who took what. The helper sleeps while it waits
// (atomic wait and notify): between steps, and while the calling thread does
// the rest of a step, it takes no processor time. (Screened tables do not use
// it: a step's estimates take less time than the hand-over.)
class StepHelper {
public:
    using Task = void (*)(void* context, size_t from, size_t to);
    static constexpr size_t kChunk = 32;

    StepHelper() : thread_([this] { Loop(); }) {}
    ~StepHelper() {
        stop_.store(true, std::memory_order_relaxed);
        generation_.fetch_add(1, std::memory_order_release);
        generation_.notify_one();
        thread_.join();
    }

    // Runs task over [from, to) in chunks, here and on the helper; returns
    // when every chunk is done. to < 2^15.
    void Run(Task task, void* context, size_t from, size_t to) {
        task_ = task;
        context_ = context;
        const uint32_t g = generation_.load(std::memory_order_relaxed) + 1;
        next_.store((uint64_t{g} << 32) | (uint64_t{to} << 16) | from, std::memory_order_release);
        generation_.store(g, std::memory_order_release);
        generation_.notify_one();
        Drain(g);
        for (uint32_t n; (n = busy_.load(std::memory_order_acquire)) != 0;) busy_.wait(n, std::memory_order_acquire);
    }

    // Faults (FE_*) the helper's arithmetic raised so far.
    int Faults() const { return faults_.load(std::memory_order_acquire); }

private:
    // Takes and runs the chunks of round g until none is left. The ticket
    // holds the round, the end of its range and the next index, so that a
    // ticket of a round is never read with another round's range.
    void Drain(uint32_t g) {
        uint64_t v = next_.load(std::memory_order_acquire);
        for (;;) {
            if (static_cast<uint32_t>(v >> 32) != g) return;
            const size_t to = (v >> 16) & 0xFFFF;
            const size_t i = v & 0xFFFF;
            if (i >= to) return;
            if (!next_.compare_exchange_weak(v, v + kChunk, std::memory_order_acq_rel, std::memory_order_acquire))
                continue;  // v now holds the current ticket
            task_(context_, i, std::min(i + kChunk, to));
            v = next_.load(std::memory_order_acquire);
        }
    }

    void Loop() {
        ClearFpFaults();
        uint32_t seen = 0;
        for (;;) {
            uint32_t g;
            while ((g = generation_.load(std::memory_order_acquire)) == seen)
                generation_.wait(seen, std::memory_order_acquire);
            seen = g;
            if (stop_.load(std::memory_order_relaxed)) return;
            // While busy_ is set the calling thread does not end the round,
            // so the task and its range stay as they are.
            busy_.fetch_add(1, std::memory_order_acq_rel);
            Drain(g);
            if (int f = PendingFpFaults()) faults_.fetch_or(f, std::memory_order_relaxed);
            if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) busy_.notify_one();
        }
    }

    Task task_ = nullptr;
    void* context_ = nullptr;
    std::atomic<uint64_t> next_{0};  // round << 32 | end << 16 | next index to take
    // 32 bits: the width the system's futex waits on directly.
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> busy_{0};
    std::atomic<int> faults_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Below this many coordinate differences per step one thread is quicker.
constexpr size_t kSplitWork = 16384;

// The estimate with four lanes and fused multiply-adds, where the processor
// has them (the error bound holds for any order and either kind of rounding).
__attribute__((target("avx2,fma"))) double EstimateAvx2(const double* x, const double* y, int stride) {
    __m256d s0 = _mm256_setzero_pd(), s1 = _mm256_setzero_pd();
    int k = 0;
    for (; k + 8 <= stride; k += 8) {
        const __m256d d0 = _mm256_sub_pd(_mm256_loadu_pd(x + k), _mm256_loadu_pd(y + k));
        const __m256d d1 = _mm256_sub_pd(_mm256_loadu_pd(x + k + 4), _mm256_loadu_pd(y + k + 4));
        s0 = _mm256_fmadd_pd(d0, d0, s0);
        s1 = _mm256_fmadd_pd(d1, d1, s1);
    }
    if (k < stride) {
        const __m256d d0 = _mm256_sub_pd(_mm256_loadu_pd(x + k), _mm256_loadu_pd(y + k));
        s0 = _mm256_fmadd_pd(d0, d0, s0);
    }
    const __m256d s = _mm256_add_pd(s0, s1);
    const __m128d h = _mm_add_pd(_mm256_castpd256_pd128(s), _mm256_extractf128_pd(s, 1));
    return _mm_cvtsd_f64(h) + _mm_cvtsd_f64(_mm_unpackhi_pd(h, h));
}

class Agglomeration {
public:
    Agglomeration(AnalysisStore& s, bool ward) : s_(s), ward_(ward) {}

    void Run() {
        const int c0 = s_.ClusterCount;
        if (s_.PairCount <= 0 || c0 < 2) throw Error("Range error in SeekC");
        if (c0 > kMaxClusters) throw RangeError();
        m_ = CheckedAttrCount(s_);
        Load(c0);
        screening_ = !ward_ && m_ >= AnalysisStore::kScreenAttrs && SetUpScreening();
        if (!ward_ && !screening_ && static_cast<size_t>(c0) * m_ >= 2 * kSplitWork &&
            std::thread::hardware_concurrency() > 1)
            worker_ = std::make_unique<StepHelper>();
        ClearFpFaults();
        while (Step()) {
        }
    }

private:
    // Slots 0..n-1 are the table entries at the start; a merged cluster takes
    // over the slot of its first child. D is the dense distance table by slot.
    //
    // The pair list is read only here, and written again only by Finish (its
    // first entry), so D lies in the list's own memory where it fits: a run
    // then touches no fresh memory for it. The screening space, where used,
    // takes the store's Work table; for a table too large for that, the two
    // change places.
    void Load(int c0) {
        n_ = c0;
        if (static_cast<int64_t>(s_.PairCount) != static_cast<int64_t>(c0) * (c0 - 1) / 2 ||
            s_.PairCount > kMaxPairs)
            throw RangeError();
        s_.PairSumsValid = false;  // the list's memory is about to change
        s_.TakeWorkTable();
        const size_t cells = static_cast<size_t>(n_) * n_;
        dInList_ = cells * sizeof(long double) <= sizeof(PairEntry) * kMaxPairs;
        d_ = dInList_ ? reinterpret_cast<long double*>(s_.PairList.data()) : s_.Work.data();
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
        if (dInList_) {
            LoadInList();
        } else {
            const PairEntry* pairs = s_.PairList.data();
            size_t p = 0;
            for (int b = 1; b < n_; ++b) {
                for (int a = 0; a < b; ++a, ++p) {
                    const PairEntry& e = pairs[p];
                    if (e.I != ids_[a] || e.J != ids_[b]) throw RangeError();
                    if (ward_) d_[static_cast<size_t>(a) * n_ + b] = e.Dist;
                    d_[static_cast<size_t>(b) * n_ + a] = e.Dist;
                }
            }
        }
        for (int b = 1; b < n_; ++b) Rescan(b);
    }

    // D from the list in the list's memory. The distances are first packed to
    // the front in list order (each moves down, onto entries already read),
    // then spread to their places in the lower half from the last one back
    // (each moves up, the place of pair p being b * n + a > p), and for Ward
    // copied into the upper half.
    void LoadInList() {
        char* const base = reinterpret_cast<char*>(s_.PairList.data());
        constexpr size_t kDist = offsetof(PairEntry, Dist);
        size_t p = 0;
        for (int b = 1; b < n_; ++b) {
            for (int a = 0; a < b; ++a, ++p) {
                int32_t ij[2];
                std::memcpy(ij, base + p * sizeof(PairEntry), sizeof ij);
                if (ij[0] != ids_[a] || ij[1] != ids_[b]) {
                    s_.PairCount = 0;  // partly packed: no longer a list
                    throw RangeError();
                }
                std::memmove(base + p * sizeof(long double), base + p * sizeof(PairEntry) + kDist, sizeof(long double));
            }
        }
        for (int b = n_ - 1; b >= 1; --b) {
            for (int a = b - 1; a >= 0; --a) {
                --p;
                std::memmove(base + (static_cast<size_t>(b) * n_ + a) * sizeof(long double),
                             base + p * sizeof(long double), sizeof(long double));
            }
        }
        if (ward_)
            for (int b = 1; b < n_; ++b)
                for (int a = 0; a < b; ++a) D(a, b) = D(b, a);
    }

    long double& D(int a, int b) { return d_[static_cast<size_t>(a) * n_ + b]; }

    // Best partner of slot j among the live clusters with smaller ids: the
    // smallest distance, the smallest id among equal ones. A distance not yet
    // computed exactly is known to lie within its bounds; it is computed when
    // its lower bound does not exceed the smallest upper bound of the row, so
    // that every distance left uncomputed is larger than the one chosen.
    void Rescan(int j) {
        const long double* row = d_ + static_cast<size_t>(j) * n_;
        if (screening_ && unknown_[j] > 0) {
            const uint8_t* estimated = estimated_ + static_cast<size_t>(j) * n_;
            long double ceiling = std::numeric_limits<long double>::infinity();
            for (int a = head_; a != j && a >= 0; a = next_[a]) {
                const long double upper = estimated[a] ? Upper(j, a) : row[a];
                if (upper < ceiling) ceiling = upper;
            }
            for (int a = head_; a != j && a >= 0; a = next_[a])
                if (estimated[a] && Lower(j, a) <= ceiling) Exact(j, a);
        }
        int best = -1;
        long double dist = 0;
        for (int a = head_; a != j && a >= 0; a = next_[a]) {
            if (screening_ && unknown_[j] > 0 && estimated_[static_cast<size_t>(j) * n_ + a]) continue;
            if (best < 0 || row[a] < dist) {
                best = a;
                dist = row[a];
            }
        }
        bestPartner_[j] = best;
        bestDist_[j] = dist;
        stale_[j] = 0;
    }

    // The pair of this step: the cluster J with the smallest best distance,
    // smallest id among equal ones. A stale best distance is a lower bound
    // (losing candidates only raises a minimum), so a stale winner is
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

        others_.clear();
        for (int t = head_; t >= 0; t = next_[t])
            if (t != ci && t != cj) others_.push_back(t);
        newDist_.resize(others_.size());
        if (screening_) {
            NewCentroidRow(ci, rec);
        } else if (ward_) {
            WardDistances(ci, cj);
        } else {
            newCentroid_ = rec->Centroid.data();
            if (worker_ && others_.size() * m_ >= kSplitWork)
                worker_->Run(&CentroidRange, this, 0, others_.size());
            else
                CentroidRange(this, 0, others_.size());
            if (worker_) RaiseFpFaults(worker_->Faults());
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
        if (screening_) {
            for (const int t : others_)
                if (bestPartner_[t] == ci || bestPartner_[t] == cj) stale_[t] = 1;
            Rescan(ci);  // its row holds estimates: the contenders are computed exactly
            return true;
        }
        int best = -1;
        long double bestDist = 0;
        for (size_t x = 0; x < others_.size(); ++x) {
            const int t = others_[x];
            const long double v = newDist_[x];
            D(ci, t) = v;
            if (ward_) D(t, ci) = v;
            if (best < 0 || v < bestDist) {
                best = t;
                bestDist = v;
            }
            if (bestPartner_[t] == ci || bestPartner_[t] == cj) stale_[t] = 1;
        }
        bestPartner_[ci] = best;
        bestDist_[ci] = bestDist;
        stale_[ci] = 0;
        return true;
    }

    // Distances from the new centroid to others_[from .. to).
    static void CentroidRange(void* context, size_t from, size_t to) {
        auto& self = *static_cast<Agglomeration*>(context);
        const long double* cn = self.newCentroid_;
        const int m = self.m_;
        size_t x = from;
        for (; x + 4 <= to; x += 4) {
            const long double* a = self.recs_[self.others_[x]]->Centroid.data();
            const long double* b = self.recs_[self.others_[x + 1]]->Centroid.data();
            const long double* c = self.recs_[self.others_[x + 2]]->Centroid.data();
            const long double* d = self.recs_[self.others_[x + 3]]->Centroid.data();
            long double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
            for (int k = 0; k < m; ++k) {
                const long double y = cn[k];
                const long double d0 = a[k] - y, d1 = b[k] - y, d2 = c[k] - y, d3 = d[k] - y;
                s0 = s0 + d0 * d0;
                s1 = s1 + d1 * d1;
                s2 = s2 + d2 * d2;
                s3 = s3 + d3 * d3;
            }
            self.newDist_[x] = s0;
            self.newDist_[x + 1] = s1;
            self.newDist_[x + 2] = s2;
            self.newDist_[x + 3] = s3;
        }
        for (; x < to; ++x) self.newDist_[x] = SquaredDistance(self.recs_[self.others_[x]]->Centroid.data(), cn, m);
    }

    // ---- Screening of the centroid distances ----
    // Each distance to a new cluster is first estimated in double precision
    // from rounded copies of the centroids, with a strict bound on its error
    // (which covers the rounding of the copies, of the estimate and of the
    // exact extended computation). Only the distances whose bounds leave them
    // in the running for a row's minimum are then computed exactly.
    //
    // The screening space lies in the store's Work table, or, where D takes
    // that, in the pair list's memory from its second entry on (see Load).
    static constexpr size_t kScreenSpace =
        sizeof(double) * kMaxClusters * kMaxAttrs + (sizeof(float) + 1) * kMaxClusters * kMaxClusters;
    static_assert(sizeof(PairEntry) * (kMaxPairs - 1) >= kScreenSpace);
    static_assert(sizeof(long double) * kMaxClusters * kMaxClusters >= kScreenSpace);

    bool SetUpScreening() {
        // Copies in double, and bounds in float, need coordinates far inside
        // their ranges: below 2^80 every bound stays under 2^126.
        const long double limit = 0x1p80L;
        stride_ = (m_ + 3) & ~3;
        const size_t cells = static_cast<size_t>(n_) * n_;
        char* space = dInList_ ? reinterpret_cast<char*>(s_.Work.data())
                               : reinterpret_cast<char*>(s_.PairList.data() + 1);
        copies_ = new (space) double[static_cast<size_t>(n_) * stride_];
        space += sizeof(double) * n_ * stride_;
        bounds_ = new (space) float[cells];  // read only where estimated_ is set
        space += sizeof(float) * cells;
        estimated_ = new (space) uint8_t[cells]();
        norms_.assign(n_, 0.0);
        for (int a = 0; a < n_; ++a) {
            const long double* c = recs_[a]->Centroid.data();
            for (int k = 0; k < m_; ++k)
                if (!(std::fabs(c[k]) <= limit)) return false;
            Copy(a, recs_[a]);
        }
        unknown_.assign(n_, 0);
        avx2_ = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        return true;
    }

    // The rounded copy of a centroid (padded with zeros to stride_); returns
    // an upper bound of the exact centroid's length, enlarged for the
    // rounding of the copy and of the sum.
    double RoundedCopy(const ClusterRecord* rec, double* c) const {
        const long double* x = rec->Centroid.data();
        double sum = 0;
        for (int k = 0; k < m_; ++k) {
            c[k] = static_cast<double>(x[k]);
            sum += c[k] * c[k];
        }
        for (int k = m_; k < stride_; ++k) c[k] = 0;
        return std::sqrt(sum * (1 + (m_ + 4) * kU)) * (1 + 4 * kU) + 0x1p-1000;
    }

    void Copy(int slot, const ClusterRecord* rec) {
        norms_[slot] = RoundedCopy(rec, copies_ + static_cast<size_t>(slot) * stride_);
    }

    // The estimate for every live cluster t and the new one (slot ci, not yet
    // in the list): Dist estimates in D, their bounds in bounds_.
    void NewCentroidRow(int ci, const ClusterRecord* rec) {
        // The new cluster's row is written into ci's slot after the estimates
        // are made from its copy, kept aside meanwhile.
        newCopy_.resize(stride_);
        newNorm_ = RoundedCopy(rec, newCopy_.data());
        unknown_[ci] = static_cast<int>(others_.size());
        Estimates(ci);
        Copy(ci, rec);
    }

    // Estimates and bounds of row ci for others_.
    void Estimates(int ci) {
        const size_t base = static_cast<size_t>(ci) * n_;
        long double* row = d_ + base;
        uint8_t* estimated = estimated_ + base;
        float* bound = bounds_ + base;
        const int m = m_;
        const double mu = m * kU;
        const double rootM = std::sqrt(static_cast<double>(m));
        const double* y = newCopy_.data();
        for (size_t x = 0; x < others_.size(); ++x) {
            const int t = others_[x];
            const double* c = copies_ + static_cast<size_t>(t) * stride_;
            const double a = avx2_ ? EstimateAvx2(c, y, stride_) : Estimate(c, y);
            // |copy difference - exact difference| <= e_k with
            // ||e|| <= 2.0001 u (|t| + |new|) + sqrt(M) 2^-1073; the squares
            // and their sum add (M + 2) u of the estimate; underflow adds
            // M 2^-1073. The exact extended sum lies within (M + 3) 2^-64 of
            // the true value. Margins cover the rounding of this bound.
            const double r = norms_[t] + newNorm_;
            const double e = 2.0001 * kU * r + rootM * 0x1p-1073;
            const double b = 2 * e * r + e * e + 1.02 * (mu + 2 * kU) * a + m * 0x1p-1073;
            row[t] = a;
            estimated[t] = 1;
            bound[t] = FloatAtOrAbove(1.05 * (b + 8 * kU * a + 2 * (m + 3) * 0x1p-64 * (a + b)) + 0x1p-1000);
        }
    }

    // Sum of squared differences of two copies, four lanes at a time.
    double Estimate(const double* x, const double* y) const {
        __m128d s0 = _mm_setzero_pd(), s1 = _mm_setzero_pd();
        for (int k = 0; k < stride_; k += 4) {
            const __m128d d0 = _mm_sub_pd(_mm_loadu_pd(x + k), _mm_loadu_pd(y + k));
            const __m128d d1 = _mm_sub_pd(_mm_loadu_pd(x + k + 2), _mm_loadu_pd(y + k + 2));
            s0 = _mm_add_pd(s0, _mm_mul_pd(d0, d0));
            s1 = _mm_add_pd(s1, _mm_mul_pd(d1, d1));
        }
        const __m128d s = _mm_add_pd(s0, s1);
        return _mm_cvtsd_f64(s) + _mm_cvtsd_f64(_mm_unpackhi_pd(s, s));
    }

    long double Lower(int j, int a) const {
        const size_t i = static_cast<size_t>(j) * n_ + a;
        return d_[i] - static_cast<long double>(bounds_[i]);
    }
    long double Upper(int j, int a) const {
        const size_t i = static_cast<size_t>(j) * n_ + a;
        return d_[i] + static_cast<long double>(bounds_[i]);
    }
    // The exact distance between older cluster a and cluster j.
    void Exact(int j, int a) {
        const size_t i = static_cast<size_t>(j) * n_ + a;
        d_[i] = SquaredDistance(recs_[a]->Centroid.data(), recs_[j]->Centroid.data(), m_);
        estimated_[i] = 0;
        --unknown_[j];
    }

    void WardDistances(int ci, int cj) {
        const long double dab = D(ci, cj);
        const int32_t na = recs_[ci]->MemberCount;
        const int32_t nb = recs_[cj]->MemberCount;
        const long double* rowA = d_ + static_cast<size_t>(ci) * n_;
        const long double* rowB = d_ + static_cast<size_t>(cj) * n_;
        for (size_t x = 0; x < others_.size(); ++x) {
            const int t = others_[x];
            newDist_[x] = WardFormula(rowA[t], rowB[t], dab, recs_[t]->MemberCount, na, nb);
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
    }

    AnalysisStore& s_;
    const bool ward_;
    int m_ = 0;
    int n_ = 0;
    long double* d_ = nullptr;
    bool dInList_ = false;  // D in the pair list's memory, else in Work
    std::vector<int32_t> ids_;
    std::vector<ClusterRecord*> recs_;
    std::vector<int> next_, prev_;
    int head_ = -1, tail_ = -1, live_ = 0;
    std::vector<long double> bestDist_;
    std::vector<int> bestPartner_;
    std::vector<char> stale_;
    std::vector<int> others_;
    std::vector<long double> newDist_;
    const long double* newCentroid_ = nullptr;
    std::unique_ptr<StepHelper> worker_;

    static constexpr double kU = 0x1p-53;
    bool screening_ = false;
    int stride_ = 0;
    double* copies_ = nullptr;      // rounded centroids by slot, rows of stride_
    std::vector<double> norms_;     // bounds of the centroids' lengths by slot
    uint8_t* estimated_ = nullptr;  // D(row, col) only estimated so far
    float* bounds_ = nullptr;       // error bound of an estimated D(row, col)
    std::vector<int> unknown_;      // estimated entries left in each row
    std::vector<double> newCopy_;
    double newNorm_ = 0;
    bool avx2_ = false;
};

}  // namespace

void CentroidMethod(AnalysisStore& s) { Agglomeration(s, false).Run(); }

void WardMethod(AnalysisStore& s) { Agglomeration(s, true).Run(); }

}  // namespace ca
