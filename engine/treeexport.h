// The finished tree for other tools: the clusters of a cut, and the tree in
// Newick form. Both read the tree under ClusterTable[ClusterCount], whose
// merged clusters carry the ids N+1 .. 2N-1 in the order of formation.
#pragma once

#include <string>
#include <vector>

#include "engine/store.h"

namespace ca {

// The cluster of each object (entry 0 for object 1) when the tree is cut into
// k clusters, that is when its last k - 1 merges are undone. Clusters are
// numbered 1..k in the order of their first object. A k outside
// 1..ObjectCount raises RangeError.
std::vector<int> CutTree(const AnalysisStore& s, int k);

// The cut as UTF-8 TSV: the header "object", "label", "cluster", then one
// line per object in object order. A tab or line end inside a label becomes
// a blank, so that the columns hold.
std::string CutTable(const AnalysisStore& s, int k);

// The tree in Newick form, UTF-8, ended by ";" and a line end. Leaves are the
// labels, in single quotes where Newick needs them (inner quotes doubled);
// each branch is the height of its parent less its own height (80-bit),
// written with the fewest digits from which strtold gives back that 80-bit
// value; children in the order of the printed dendrogram (first child
// first). Heights summed from the leaves up give back the merge heights,
// exactly unless a difference needed one bit more than 80-bit holds (then
// within one unit in the last place).
std::string NewickTree(const AnalysisStore& s);

}  // namespace ca
