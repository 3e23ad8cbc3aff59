// The object-to-object distances of a run and the store's starting state for
// an agglomeration.
#pragma once

#include "engine/store.h"

namespace ca {

// Work (N^2 (M + 1) / 2) from which the pair sums are spread over two
// threads; below it a thread costs more than it saves.
constexpr double kPairSumsSplitWork = 5e5;

// Squared Euclidean distance of every object pair from Coord into the Dist
// fields of PairList, in pair-list order, each entry with its pair (I, J);
// PairSumsValid is set. Each sum adds (Coord[J,k] - Coord[I,k])^2 for
// k = 1..M in ascending order in extended precision. Spread over two
// threads from `splitWork` on, where the machine has two cores; every sum is
// still formed by one thread in that order. An overflow raises MathError.
// Returns the number of threads that formed the sums.
int ComputePairSums(AnalysisStore& s, double splitWork = kPairSumsSplitWork);

// Euclidean distances into the lower triangle of DistMatrix: the square root
// of each pair sum (computed first unless PairSumsValid).
void ComputeDistMatrix(AnalysisStore& s);

// The pair list of all objects, (1,2), (1,3), (2,3), (1,4), ..., each with its
// squared distance, halved for Ward's method (DistType 1). Takes the pair
// sums (computed first unless PairSumsValid), and clears PairSumsValid.
void FillPairList(AnalysisStore& s);

// One cluster per object: ClusterTable 1..N, one record each with the
// object's row as centroid; LastClusterId := N.
void MakeObjectClusters(AnalysisStore& s);

// Index of pair (i, j), i < j, in pair-list order, 0-based.
inline size_t PairIndex(int i, int j) {
    return static_cast<size_t>(j - 1) * (j - 2) / 2 + (i - 1);
}

}  // namespace ca
