// The program-wide analysis store: the data set, the distances, the pair list
// and the cluster table through which one analysis flows from the grid to the
// printed dendrogram. Tables have fixed capacities and 1-based entries; every
// index applied to them is checked and one outside raises RangeError.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/error.h"
#include "common/textfile.h"
#include "common/zeropages.h"

namespace ca {

constexpr int kMaxObjects = 1000;
constexpr int kMaxAttrs = 200;
constexpr int kMaxPairs = 500500;
constexpr int kMaxClusters = 1003;

// A fixed array with entries 1..N, held in place.
template <class T, int N>
struct FixedArray {
    std::array<T, N> v{};
    T& operator[](int i) {
        if (i < 1 || i > N) throw RangeError();
        return v[i - 1];
    }
    const T& operator[](int i) const {
        if (i < 1 || i > N) throw RangeError();
        return v[i - 1];
    }
    T* data() { return v.data(); }  // entry 1 at data()[0]
    const T* data() const { return v.data(); }
};

namespace detail {
// The memory of a table: pages zeroed by the system and touched only when
// used for types whose default is all zero bytes, else value-initialised.
template <class T, bool Zero = kZeroIsDefault<T>>
class TableMemory {
public:
    explicit TableMemory(size_t n) : a_(n) {}
    T* get() { return a_.data(); }
    const T* get() const { return a_.data(); }

private:
    ZeroedArray<T> a_;
};
template <class T>
class TableMemory<T, false> {
public:
    explicit TableMemory(size_t n) : a_(new T[n]()) {}
    T* get() { return a_.get(); }
    const T* get() const { return a_.get(); }

private:
    std::unique_ptr<T[]> a_;
};
}  // namespace detail

// A table with entries 1..N, allocated once.
template <class T, int N>
class Table {
public:
    Table() : v_(N) {}
    T& operator[](int i) {
        if (i < 1 || i > N) throw RangeError();
        return v_.get()[i - 1];
    }
    const T& operator[](int i) const {
        if (i < 1 || i > N) throw RangeError();
        return v_.get()[i - 1];
    }
    T* data() { return v_.get(); }  // entry 1 at data()[0]
    const T* data() const { return v_.get(); }

private:
    detail::TableMemory<T> v_;
};

// A table with entries [1..R, 1..C], rows contiguous.
template <class T, int R, int C>
class Matrix {
public:
    Matrix() : v_(static_cast<size_t>(R) * C) {}
    T& operator()(int i, int k) {
        if (i < 1 || i > R || k < 1 || k > C) throw RangeError();
        return v_.get()[static_cast<size_t>(i - 1) * C + (k - 1)];
    }
    const T& operator()(int i, int k) const {
        if (i < 1 || i > R || k < 1 || k > C) throw RangeError();
        return v_.get()[static_cast<size_t>(i - 1) * C + (k - 1)];
    }
    // Row i (checked), column 1 at [0].
    T* Row(int i) {
        if (i < 1 || i > R) throw RangeError();
        return v_.get() + static_cast<size_t>(i - 1) * C;
    }
    const T* Row(int i) const {
        if (i < 1 || i > R) throw RangeError();
        return v_.get() + static_cast<size_t>(i - 1) * C;
    }

private:
    detail::TableMemory<T> v_;
};

struct PairEntry {
    int32_t I = 0;          // the smaller cluster id
    int32_t J = 0;          // the larger cluster id
    long double Dist = 0;   // distance in the measure of the method
};

struct ClusterRecord {
    int32_t Id = 0;
    ClusterRecord* Left = nullptr;   // null for an object (a leaf)
    ClusterRecord* Right = nullptr;
    long double PlotPos = 0;         // row on the printed page
    long double Height = 0;          // distance at which the children merged
    FixedArray<long double, kMaxAttrs> Centroid;
    int32_t MemberCount = 0;
};

struct ClusterEntry {
    int32_t Id = 0;
    ClusterRecord* Rec = nullptr;
};

class AnalysisStore {
public:
    AnalysisStore() = default;
    ~AnalysisStore();
    AnalysisStore(const AnalysisStore&) = delete;
    AnalysisStore& operator=(const AnalysisStore&) = delete;

    int32_t ObjectCount = 0;
    int32_t AttrCount = 0;
    Matrix<long double, kMaxObjects, kMaxAttrs> Coord;
    Table<std::string, kMaxObjects> Labels;
    // Euclidean distances of objects i > j; only the lower triangle is used.
    Matrix<long double, kMaxObjects, kMaxObjects> DistMatrix;
    uint8_t DistType = 0;  // 0 centroid method, 1 Ward's method
    int32_t DataReady = 0;
    TextWriter OutFile;

    Table<PairEntry, kMaxPairs> PairList;
    int32_t PairCount = 0;
    Table<ClusterEntry, kMaxClusters> ClusterTable;
    int32_t ClusterCount = 0;
    int32_t LastClusterId = 0;

    // Set while the Dist fields of PairList hold the squared Euclidean
    // distance of every object pair of the present Coord, in pair-list order
    // ((1,2), (1,3), (2,3), (1,4), ...): computed once, taken by the distance
    // table and then by the initial pair list. Cleared by whoever writes
    // Coord, by FillPairList, which turns the sums into the list, and by the
    // agglomeration's end, which leaves the last pair alone in the list.
    bool PairSumsValid = false;

    // Allocation of cluster records, one at a time. The store keeps track of
    // every record not yet released, so that nothing leaks when a run fails.
    ClusterRecord* NewRecord();
    void FreeRecord(ClusterRecord* rec);
    size_t LiveRecordCount() const { return records_.size(); }
    // The records not yet released, in no particular order.
    std::vector<const ClusterRecord*> LiveRecords() const { return {records_.begin(), records_.end()}; }
    // Releases every record still allocated (after a failed run).
    void ReleaseAllRecords();

    // When set, the id of every record released is appended here.
    std::vector<int32_t>* ReleaseLog = nullptr;

    // The agglomeration's dense distance table, kMaxClusters x kMaxClusters:
    // its pages are zeroed and mapped when a run first touches them, and then
    // kept as long as the store for the runs that follow.
    ZeroedArray<long double> Work{static_cast<size_t>(kMaxClusters) * kMaxClusters};

private:
    std::unordered_set<ClusterRecord*> records_;
    // Records come from blocks of zeroed pages, so that a run touches the
    // memory of the records it makes and no more; released ones are reused.
    std::vector<ZeroedArray<ClusterRecord>> recordBlocks_;
    size_t blockUsed_ = 0;
    std::vector<ClusterRecord*> freeRecords_;
};

// The program's one store.
AnalysisStore& Store();

// Releases the root ClusterTable[ClusterCount].Rec and every record below it,
// each once, children before parent (Left subtree, Right subtree, record).
// Returns the number of records released.
int ReleaseClusterTree(AnalysisStore& s);

}  // namespace ca
