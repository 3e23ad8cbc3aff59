#include "engine/dendrogram.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/fpcheck.h"
#include "common/numinput.h"
#include "common/textrules.h"

namespace ca {
namespace {

// Round half to even in extended precision, checked against 32 bits.
int32_t RoundTo32(long double v) {
    // A coordinate beyond the 80-bit range is an overflow of the arithmetic,
    // not an index out of bounds.
    if (std::isinf(v)) RaiseFpFaults(FE_OVERFLOW);
    if (std::isnan(v)) RaiseFpFaults(FE_INVALID);
    const long double r = std::nearbyint(v);  // the default rounding: to nearest, ties to even
    if (!(r >= -2147483648.0L && r <= 2147483647.0L)) throw RangeError();
    return static_cast<int32_t>(r);
}

int32_t Checked32(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw RangeError();
    return static_cast<int32_t>(v);
}

// The columns for n objects at the canvas's font size: row height, column
// width, the extra left margin for the widest caption (with its blank) and
// the x unit. The left margin holds the widest caption, but leaves at least
// half the page to the tree; the unit comes from the width that remains.
void SetUpColumns(DendrogramLayout& L, Canvas& canvas, int32_t n, int64_t widest) {
    L.LineH = canvas.TextHeight("X");
    L.ColW = canvas.TextWidth("WWWWW");
    L.XUnit = L.ColW;
    const int64_t pageWidth = canvas.PageWidth();
    const int64_t margin = 2 * static_cast<int64_t>(L.ColW);
    if (widest > margin)
        L.ExtraMargin = Checked32(std::max<int64_t>(0, std::min(widest, pageWidth / 2) - margin));
    const int64_t width = pageWidth - L.ExtraMargin;
    if (width < (static_cast<int64_t>(n) + 5) * L.ColW)
        L.XUnit = Checked32((width - margin) / (static_cast<int64_t>(n) + 5));
}

// The bottom of the caption of leaf k (counted from 1 on its page).
long double CaptionBottom(const DendrogramLayout& L, int64_t k) {
    return std::nearbyint((static_cast<long double>(k) + 4) * L.LineH * 1.2L) - (L.LineH / 2) + L.LineH;
}

// Where the captions of a page must end: the page's bottom when all n fit on
// one page, else above the row of the page number.
long double CaptionLimit(const DendrogramLayout& L, Canvas& canvas, int32_t n) {
    const long double pageHeight = canvas.PageHeight();
    return CaptionBottom(L, n) <= pageHeight ? pageHeight : pageHeight - 2 * static_cast<long double>(L.LineH);
}

// What of the drawing a font size leaves outside the page, or nullptr: the
// title, the scale's two labels side by side, the widest caption, a first row.
const char* Misfit(const DendrogramLayout& L, Canvas& canvas, int32_t n, int64_t titleWidth, int64_t widest,
                   int64_t scaleLabelWidth) {
    const int64_t pageWidth = canvas.PageWidth();
    const int64_t left = L.PlotX(0);
    if (left + titleWidth > pageWidth) return "表題";
    if (left + canvas.TextWidth("0.0 ") + scaleLabelWidth > pageWidth) return "目盛り";
    if (widest > pageWidth) return "対象名";
    if (CaptionBottom(L, 1) > CaptionLimit(L, canvas, n)) return "行";
    return nullptr;
}

void RaiseMisfit(std::string_view fontSizeText, const char* what) {
    throw Error(J("フォント・サイズ '") + std::string(fontSizeText) + J("' は大きすぎます: ") + J(what) +
                J("がページに収まりません"));
}

std::string_view Title(int distType) { return distType == 0 ? "重心法" : distType == 1 ? "Ward法" : ""; }

}  // namespace

int32_t DendrogramLayout::PlotX(long double x) const {
    const int64_t origin = 2 * static_cast<int64_t>(ColW) + ExtraMargin;
    if (HeightPerUnit == 0) return Checked32(origin);
    return Checked32(RoundTo32(x * static_cast<long double>(XUnit) / HeightPerUnit) + origin);
}

int32_t DendrogramLayout::PlotY(long double y) const {
    return RoundTo32((y + 2) * static_cast<long double>(LineH) * 1.2L);
}

int32_t DendrogramFontSize(std::string_view text) {
    const int32_t size = StrToInt(text);
    if (size < 1)
        throw Error(J("フォント・サイズ '") + std::string(text) + J("' は 1 以上の整数で指定してください"));
    return size;
}

void CheckDendrogramFits(Canvas& canvas, std::string_view fontSizeText, const std::vector<std::string>& labels,
                         int distType) {
    canvas.SetFontSize(DendrogramFontSize(fontSizeText));
    int64_t widest = 0;
    for (const std::string& label : labels) widest = std::max<int64_t>(widest, canvas.TextWidth(label + " "));
    DendrogramLayout L;
    const int32_t n = static_cast<int32_t>(labels.size());
    SetUpColumns(L, canvas, n, widest);
    if (const char* what = Misfit(L, canvas, n, canvas.TextWidth(J(Title(distType))), widest, canvas.TextWidth("0.00")))
        RaiseMisfit(fontSizeText, what);
}

DendrogramLayout PrintDendrogram(AnalysisStore& s, Canvas& canvas, std::string_view fontSizeText, char separator) {
    const int32_t size = DendrogramFontSize(fontSizeText);
    ClusterRecord* root = s.ClusterTable[s.ClusterCount].Rec;
    if (!root) throw RangeError();
    DendrogramLayout L;
    canvas.BeginDoc();
    try {
        canvas.SetFontSize(size);
        const int32_t n = s.ObjectCount;
        L.LeafStep = 1.0L;
        L.LeafPos = 2.0L;

        // Rows first. Depth first, first child first; a merged cluster after
        // both of its subtrees, so that its children's rows are known. `order`
        // is the order of drawing: captions and brackets as they are met.
        std::vector<ClusterRecord*> order;
        std::vector<int32_t> captionWidth;  // of label + " ", per entry of `order` (leaves only)
        int64_t widest = 0;
        // The scale runs to the highest merge: the root, unless the centroid
        // method merged higher before it (a later merge may lie lower).
        long double top = root->Height;
        std::vector<std::pair<ClusterRecord*, bool>> stack{{root, false}};
        while (!stack.empty()) {
            auto [rec, childrenDone] = stack.back();
            if (!rec->Left) {
                stack.pop_back();
                L.LeafPos = L.LeafPos + L.LeafStep;
                rec->PlotPos = L.LeafPos;
                const int32_t w = canvas.TextWidth(s.Labels[rec->Id] + " ");
                widest = std::max<int64_t>(widest, w);
                order.push_back(rec);
                captionWidth.push_back(w);
                continue;
            }
            if (!childrenDone) {
                stack.back().second = true;
                if (!rec->Right) throw RangeError();
                stack.emplace_back(rec->Right, false);
                stack.emplace_back(rec->Left, false);
                continue;
            }
            stack.pop_back();
            rec->PlotPos = (rec->Left->PlotPos + rec->Right->PlotPos) * 0.5L;
            if (rec->Height > top) top = rec->Height;
            order.push_back(rec);
            captionWidth.push_back(0);
        }
        SetUpColumns(L, canvas, n, widest);
        L.HeightPerUnit = top / static_cast<long double>(n);
        const int64_t pageWidth = canvas.PageWidth();

        // Leaves per page: leaf k fits when its caption ends above the page's
        // bottom, or above the page number's row where there are several
        // pages. Further pages hold their leaves on the same rows as the first.
        const long double pageHeight = canvas.PageHeight();
        const long double footTop = CaptionLimit(L, canvas, n);
        L.PageLeaves = n;
        if (footTop < pageHeight) {
            L.PageLeaves = 1;
            while (L.PageLeaves < n && CaptionBottom(L, L.PageLeaves + 1) <= footTop) ++L.PageLeaves;
            L.Pages = static_cast<int32_t>((static_cast<int64_t>(n) + L.PageLeaves - 1) / L.PageLeaves);
        }
        const int32_t perPage = L.PageLeaves;
        // Page p shows the rows from p * perPage + 2.5 up to (p + 1) * perPage
        // + 2.5, moved up so that the first of them lies on row 2.5: every
        // page is a piece of the same drawing, cut between two leaves.
        auto pageOf = [&](long double row) -> int32_t {
            if (L.Pages == 1) return 0;
            const long double p = std::floor((row - 2.5L) / perPage);
            return p < 0 ? 0 : p >= L.Pages ? L.Pages - 1 : static_cast<int32_t>(p);
        };
        auto pageTop = [&](int32_t page) {
            return static_cast<int64_t>(L.PlotY(static_cast<long double>(page) * perPage + 2.5L));
        };
        auto y = [&](long double row, int32_t page) {
            if (page == 0) return L.PlotY(row);
            return Checked32(L.PlotY(row) - pageTop(page) + L.PlotY(2.5L));
        };

        const long double h = top;
        const std::string scaleLabel = ScaleLabel(h, separator);
        const int32_t scaleWidth = canvas.TextWidth(scaleLabel);
        // The right label ends at the page's right edge at the latest.
        const int64_t labelX = std::min<int64_t>(L.PlotX(h), pageWidth - scaleWidth);
        const std::string title = J(Title(s.DistType));
        if (const char* what = Misfit(L, canvas, n, canvas.TextWidth(title), widest, scaleWidth))
            RaiseMisfit(fontSizeText, what);
        for (int32_t page = 0; page < L.Pages; ++page) {
            if (page > 0) canvas.NewPage();
            canvas.MoveTo(L.PlotX(0), L.PlotY(1.5L));
            canvas.LineTo(L.PlotX(0), L.PlotY(1.25L));
            canvas.LineTo(L.PlotX(h), L.PlotY(1.25L));
            canvas.LineTo(L.PlotX(h), L.PlotY(1.5L));
            canvas.TextOut(L.PlotX(0), L.PlotY(1.7L), "0.0");
            canvas.TextOut(Checked32(labelX), L.PlotY(1.7L), scaleLabel);
            if (!title.empty()) canvas.TextOut(L.PlotX(0), L.PlotY(0.1L), title);

            for (size_t i = 0; i < order.size(); ++i) {
                const ClusterRecord* rec = order[i];
                if (!rec->Left) {
                    if (pageOf(rec->PlotPos) != page) continue;
                    canvas.TextOut(Checked32(static_cast<int64_t>(L.PlotX(0)) - captionWidth[i]),
                                   Checked32(static_cast<int64_t>(y(rec->PlotPos, page)) - L.LineH / 2),
                                   s.Labels[rec->Id]);
                    continue;
                }
                // The bracket; one that crosses a page break is drawn in part
                // on every page it crosses.
                const ClusterRecord& l = *rec->Left;
                const ClusterRecord& r = *rec->Right;
                const int32_t first = pageOf(l.PlotPos), last = pageOf(r.PlotPos);
                if (page < first || page > last) continue;
                const int32_t x = L.PlotX(rec->Height);
                if (first == page) {
                    canvas.MoveTo(L.PlotX(l.Height), y(l.PlotPos, page));
                    canvas.LineTo(x, y(l.PlotPos, page));
                } else {
                    canvas.MoveTo(x, L.PlotY(2.5L));
                }
                if (last == page) {
                    canvas.LineTo(x, y(r.PlotPos, page));
                    canvas.LineTo(L.PlotX(r.Height), y(r.PlotPos, page));
                } else {
                    const int64_t bottom = pageTop(page + 1) - pageTop(page) + L.PlotY(2.5L);
                    canvas.LineTo(x, Checked32(std::min<int64_t>(bottom, static_cast<int64_t>(footTop))));
                }
            }
            if (L.Pages > 1) {
                const std::string number = std::to_string(page + 1) + " / " + std::to_string(L.Pages);
                canvas.TextOut(Checked32((pageWidth - canvas.TextWidth(number)) / 2),
                               Checked32(static_cast<int64_t>(pageHeight) - L.LineH), number);
            }
        }
        canvas.EndDoc();
    } catch (...) {
        canvas.AbortDoc();
        throw;
    }
    return L;
}

}  // namespace ca
