// The dendrogram of a finished tree: the title naming the method, a scale bar
// from 0 to the highest merge, one caption per object at the left, one bracket
// per merge. Heights run from left to right, objects from top to bottom in
// depth-first order (first child first). Rows that do not fit on one page
// continue on further pages at the same spacing and x scale, each page headed
// by the title and the scale bar and numbered at the foot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/printing.h"
#include "engine/store.h"

namespace ca {

// Layout values of one drawing, in device pixels and rows.
struct DendrogramLayout {
    int32_t LineH = 0;             // height of "X"
    int32_t ColW = 0;              // width of "WWWWW"; the left margin is 2 x ColW
    int32_t XUnit = 0;             // pixels for one ObjectCount-th of the highest merge
    int32_t ExtraMargin = 0;       // added to the left margin for captions wider than it
    long double HeightPerUnit = 0; // highest merge / ObjectCount
    long double LeafStep = 1.0L;
    long double LeafPos = 2.0L;    // row of the last leaf drawn
    int32_t PageLeaves = 0;        // leaves on each page (all of them on one page)
    int32_t Pages = 1;

    // x of a height: Round(x * XUnit / HeightPerUnit) + 2 * ColW + ExtraMargin,
    // halves to even in extended precision; every height at the left margin
    // when the highest merge is 0. A result outside 32 bits raises RangeError.
    int32_t PlotX(long double x) const;
    // y of a row: Round((y + 2) * LineH * 1.2).
    int32_t PlotY(long double y) const;
};

// The font size as the user typed it: the integer-input rule, and at least 1.
int32_t DendrogramFontSize(std::string_view sjisText);

// Before a run: raises Error when the typed font size is no size (as
// DendrogramFontSize) or leaves the title of method `distType`, the scale's
// labels (for a short top label), the widest of `labels` or a first row
// outside the canvas's page. Sets the canvas's font size.
void CheckDendrogramFits(Canvas& canvas, std::string_view fontSizeText, const std::vector<std::string>& labels,
                         int distType);

// Draws the tree under ClusterTable[ClusterCount] on `canvas` in one document
// at the typed font size, keeping the canvas's face. The font size is checked
// before the document begins; a size that leaves the title, the scale's
// labels, the widest caption or a first row outside the page raises Error,
// and that and any failure while drawing drop the document. The scale runs
// from 0 to the highest merge (the root, unless the centroid method merged
// higher before it). Several pages carry their numbers ("1 / 3") at the foot.
// The left margin grows when a caption and a blank are wider than 2 x ColW
// (up to half the page), and the scale's right label ends at the page's right
// edge at the latest. Writes PlotPos of every record (rows counted across all
// pages: leaf k on row k + 2). Returns the layout used.
DendrogramLayout PrintDendrogram(AnalysisStore& s, Canvas& canvas, std::string_view fontSizeText, char separator);

}  // namespace ca
