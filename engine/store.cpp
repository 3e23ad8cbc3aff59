#include "engine/store.h"

#include <new>
#include <utility>
#include <vector>

namespace ca {

AnalysisStore::~AnalysisStore() { ReleaseAllRecords(); }

namespace {
// Records per block: enough for a whole run of the largest table.
constexpr size_t kRecordBlock = 2 * kMaxObjects;
}  // namespace

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
