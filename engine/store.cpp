#include "engine/store.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace ca {

AnalysisStore::~AnalysisStore() {
    FinishPrefault();
    ReleaseAllRecords();
}

namespace {
// Records per block: enough for a whole run of the largest table.
constexpr size_t kRecordBlock = 2 * kMaxObjects;
}  // namespace

void AnalysisStore::TakeWorkTable() {
    if (Work.size() == 0) Work = ZeroedArray<long double>(static_cast<size_t>(kMaxClusters) * kMaxClusters);
}

void AnalysisStore::PrefaultForRun(int objects, int attrs, int distType) {
    FinishPrefault();
    if (objects < 2 || objects > kMaxObjects || attrs < 0 || attrs > kMaxAttrs ||
        std::thread::hardware_concurrency() < 2)
        return;
    TakeWorkTable();
    if (recordBlocks_.empty()) {
        recordBlocks_.emplace_back(kRecordBlock);
        blockUsed_ = 0;
    }
    // Every range below lies in memory the store keeps for its life.
    const size_t n = static_cast<size_t>(objects);
    const size_t pairs = n * (n - 1) / 2;
    struct Range {
        void* p;
        size_t bytes;
    };
    std::vector<Range> ranges = {
        {Coord.Row(1), n * kMaxAttrs * sizeof(long double)},
        {PairList.data(), pairs * sizeof(PairEntry)},
    };
    // The distance table's lower triangle only: row j holds j - 1 roots, and
    // the rest of its row is never touched.
    if (distType == 0)
        for (int j = 2; j <= objects; ++j) ranges.push_back({DistMatrix.Row(j), (j - 1) * sizeof(long double)});
    // The screening space: rounded centroids (rows padded to a multiple of
    // four), bounds and flags.
    if (distType == 0 && attrs >= kScreenAttrs)
        ranges.push_back({Work.data(), n * ((static_cast<size_t>(attrs) + 3) & ~size_t{3}) * sizeof(double) +
                                           n * n * (sizeof(float) + 1)});
    ranges.push_back({recordBlocks_.front().data(), std::min(2 * n, kRecordBlock) * sizeof(ClusterRecord)});
    try {
        prefault_ = std::thread([ranges = std::move(ranges)] {
            for (const Range& r : ranges) PrefaultZeroPages(r.p, r.bytes);
        });
    } catch (const std::system_error&) {
        // No thread: the pages are faulted in where they are first used.
    }
}

void AnalysisStore::FinishPrefault() {
    if (prefault_.joinable()) prefault_.join();
}

ClusterRecord* AnalysisStore::NewRecord() {
    ClusterRecord* rec;
    if (!freeRecords_.empty()) {
        rec = freeRecords_.back();
        freeRecords_.pop_back();
        new (rec) ClusterRecord();
    } else {
        if (recordBlocks_.empty() || blockUsed_ == recordBlocks_.back().size()) {
            recordBlocks_.emplace_back(kRecordBlock);
            blockUsed_ = 0;
        }
        rec = &recordBlocks_.back()[blockUsed_++];  // zero bytes: a new record's values
    }
    records_.insert(rec);
    return rec;
}

void AnalysisStore::FreeRecord(ClusterRecord* rec) {
    if (records_.erase(rec) == 0) throw Error(J("クラスタ記録の二重解放です"));
    if (ReleaseLog) ReleaseLog->push_back(rec->Id);
    freeRecords_.push_back(rec);
}

void AnalysisStore::ReleaseAllRecords() {
    freeRecords_.insert(freeRecords_.end(), records_.begin(), records_.end());
    records_.clear();
}

AnalysisStore& Store() {
    static AnalysisStore* store = new AnalysisStore();  // lives as long as the program
    return *store;
}

int ReleaseClusterTree(AnalysisStore& s) {
    ClusterRecord* root = s.ClusterTable[s.ClusterCount].Rec;
    if (!root) return 0;
    // Post-order without recursion: a record is released after its Left and
    // then its Right subtree.
    std::vector<std::pair<ClusterRecord*, bool>> stack;
    stack.emplace_back(root, false);
    int released = 0;
    while (!stack.empty()) {
        auto [rec, expanded] = stack.back();
        if (rec->Left && !expanded) {
            stack.back().second = true;
            if (rec->Right) stack.emplace_back(rec->Right, false);
            stack.emplace_back(rec->Left, false);
            continue;
        }
        stack.pop_back();
        s.FreeRecord(rec);
        ++released;
    }
    return released;
}

}  // namespace ca
