#include "engine/store.h"

#include <utility>

namespace ca {

AnalysisStore::~AnalysisStore() { ReleaseAllRecords(); }

ClusterRecord* AnalysisStore::NewRecord() {
    auto rec = std::make_unique<ClusterRecord>();
    records_.insert(rec.get());
    return rec.release();
}

void AnalysisStore::FreeRecord(ClusterRecord* rec) {
    if (records_.erase(rec) == 0) throw Error(J("クラスタ記録の二重解放です"));
    if (ReleaseLog) ReleaseLog->push_back(rec->Id);
    delete rec;
}

void AnalysisStore::ReleaseAllRecords() {
    for (ClusterRecord* r : records_) delete r;
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
