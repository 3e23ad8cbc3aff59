#include "engine/dendrogram.h"

#include <cfenv>
#include <cmath>
#include <vector>

#include "common/error.h"
#include "common/numinput.h"
#include "common/textrules.h"

namespace ca {
namespace {

// Round half to even in extended precision, checked against 32 bits.
int32_t RoundTo32(long double v) {
    const long double r = std::nearbyint(v);  // the default rounding: to nearest, ties to even
    if (!(r >= -2147483648.0L && r <= 2147483647.0L)) throw RangeError();
    return static_cast<int32_t>(r);
}

int32_t Checked32(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw RangeError();
    return static_cast<int32_t>(v);
}

}  // namespace

int32_t DendrogramLayout::PlotX(long double x) const {
    const int64_t origin = 2 * static_cast<int64_t>(ColW);
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

DendrogramLayout PrintDendrogram(AnalysisStore& s, Canvas& canvas, std::string_view fontSizeText, char separator) {
    const int32_t size = DendrogramFontSize(fontSizeText);
    ClusterRecord* root = s.ClusterTable[s.ClusterCount].Rec;
    if (!root) throw RangeError();
    DendrogramLayout L;
    canvas.BeginDoc();
    try {
        canvas.SetFontSize(size);
        L.LineH = canvas.TextHeight("X");
        L.ColW = canvas.TextWidth("WWWWW");
        L.XUnit = L.ColW;
        const int32_t n = s.ObjectCount;
        L.HeightPerUnit = root->Height / static_cast<long double>(n);
        const int64_t needed = (static_cast<int64_t>(n) + 5) * L.ColW;
        if (canvas.PageWidth() < needed)
            L.XUnit = Checked32((static_cast<int64_t>(canvas.PageWidth()) - 2 * static_cast<int64_t>(L.ColW)) /
                                (static_cast<int64_t>(n) + 5));
        L.LeafStep = 1.0L;
        L.LeafPos = 2.0L;

        const long double h = root->Height;
        canvas.MoveTo(L.PlotX(0), L.PlotY(1.5L));
        canvas.LineTo(L.PlotX(0), L.PlotY(1.25L));
        canvas.LineTo(L.PlotX(h), L.PlotY(1.25L));
        canvas.LineTo(L.PlotX(h), L.PlotY(1.5L));
        canvas.TextOut(L.PlotX(0), L.PlotY(1.7L), "0.0");
        canvas.TextOut(L.PlotX(h), L.PlotY(1.7L), ScaleLabel(h, separator));
        if (s.DistType == 0)
            canvas.TextOut(L.PlotX(0), L.PlotY(0.1L), J("重心法"));
        else if (s.DistType == 1)
            canvas.TextOut(L.PlotX(0), L.PlotY(0.1L), J("Ward法"));

        // Depth first, first child first; a merged cluster after both of its
        // subtrees, so that its children's rows are known.
        std::vector<std::pair<ClusterRecord*, bool>> stack{{root, false}};
        while (!stack.empty()) {
            auto [rec, childrenDone] = stack.back();
            if (!rec->Left) {
                stack.pop_back();
                L.LeafPos = L.LeafPos + L.LeafStep;
                rec->PlotPos = L.LeafPos;
                const std::string& label = s.Labels[rec->Id];
                const int32_t w = canvas.TextWidth(label + " ");
                canvas.TextOut(Checked32(static_cast<int64_t>(L.PlotX(0)) - w),
                               Checked32(static_cast<int64_t>(L.PlotY(L.LeafPos)) - L.LineH / 2), label);
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
            const ClusterRecord& l = *rec->Left;
            const ClusterRecord& r = *rec->Right;
            rec->PlotPos = (l.PlotPos + r.PlotPos) * 0.5L;
            canvas.MoveTo(L.PlotX(l.Height), L.PlotY(l.PlotPos));
            canvas.LineTo(L.PlotX(rec->Height), L.PlotY(l.PlotPos));
            canvas.LineTo(L.PlotX(rec->Height), L.PlotY(r.PlotPos));
            canvas.LineTo(L.PlotX(r.Height), L.PlotY(r.PlotPos));
        }
        canvas.EndDoc();
    } catch (...) {
        canvas.AbortDoc();
        throw;
    }
    return L;
}

}  // namespace ca
