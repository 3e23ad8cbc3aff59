// The dendrogram of a finished tree: the title naming the method, a scale bar
// from 0 to the root height, one caption per object at the left, one bracket
// per merge. Heights run from left to right, objects from top to bottom in
// depth-first order (first child first). Rows that do not fit on one page
// continue on further pages at the same spacing and x scale, each page headed
// by the title and the scale bar.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/printing.h"
#include "engine/store.h"

namespace ca {

// Layout values of one drawing, in device pixels and rows.
struct DendrogramLayout {
    int32_t LineH = 0;             // height of "X"
    int32_t ColW = 0;              // width of "WWWWW"; the left margin is 2 x ColW
    int32_t XUnit = 0;             // pixels for one ObjectCount-th of the root height
    int32_t ExtraMargin = 0;       // added to the left margin for captions wider than it
    long double HeightPerUnit = 0; // root height / ObjectCount
    long double LeafStep = 1.0L;
    long double LeafPos = 2.0L;    // row of the last leaf drawn
    int32_t PageLeaves = 0;        // leaves on each page (all of them on one page)
    int32_t Pages = 1;

    // x of a height: Round(x * XUnit / HeightPerUnit) + 2 * ColW + ExtraMargin,
    // halves to even in extended precision; every height at the left margin
    // when the root height is 0. A result outside 32 bits raises RangeError.
    int32_t PlotX(long double x) const;
    // y of a row: Round((y + 2) * LineH * 1.2).
    int32_t PlotY(long double y) const;
};

// The font size as the user typed it: the integer-input rule, and at least 1.
int32_t DendrogramFontSize(std::string_view sjisText);

// Draws the tree under ClusterTable[ClusterCount] on `canvas` in one document
// at the typed font size, keeping the canvas's face. The font size is checked
// before the document begins; a failure while drawing drops the document.
// The left margin grows when a caption and a blank are wider than 2 x ColW
// (up to half the page), and the scale's right label ends at the page's right
// edge at the latest. Writes PlotPos of every record (rows counted across all
// pages: leaf k on row k + 2). Returns the layout used.
DendrogramLayout PrintDendrogram(AnalysisStore& s, Canvas& canvas, std::string_view fontSizeText, char separator);

}  // namespace ca
