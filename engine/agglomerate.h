// The two agglomeration procedures. Each takes the store filled with one
// cluster per object and the list of all pairs, and merges the two closest
// clusters, step by step, until one tree remains.
//
// In every step the chosen pair is the one with the smallest distance; among
// equal distances the pair listed first in the pair list, which is the pair
// with the smallest larger id J and then the smallest smaller id I. Every
// distance, height and centroid is formed by the same extended-precision
// operations in the same order as the step-by-step procedure on the pair list
// would form it, so the trees are identical to the last bit; the work is
// organised around a dense distance table and, for each live cluster, its
// best partner among the clusters with smaller ids. The centroid method
// screens its distances (engine/screening.h) from 16 attributes on.
//
// Afterwards ClusterCount is 3 (the last two clusters merged, then the root),
// PairCount is 1 (the pair merged last) and LastClusterId is 2N-1. With fewer
// than two objects nothing is merged and "Range error in SeekC" is raised.
#pragma once

#include "engine/store.h"

namespace ca {

// Distances to a new cluster: squared Euclidean distance between centroids.
void CentroidMethod(AnalysisStore& s);

// Distances to a new cluster: the Ward recurrence on the stored distances.
void WardMethod(AnalysisStore& s);

}  // namespace ca
