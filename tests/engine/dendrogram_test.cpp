#include "engine/dendrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

#include "common/error.h"
#include "common/textrules.h"
#include "engine/agglomerate.h"
#include "tests/engine/fixture.h"

namespace ca::testing {
namespace {

using Call = RecordingCanvas::Call;

// A finished tree of the rows by the method, with labels L1, L2, ...
void Finished(AnalysisStore& s, const Rows& rows, bool ward) {
    FillStore(s, rows, ward);
    for (size_t i = 0; i < rows.size(); ++i) s.Labels[static_cast<int>(i) + 1] = "L" + std::to_string(i + 1);
    ward ? WardMethod(s) : CentroidMethod(s);
}

std::vector<Call> Only(const std::vector<Call>& calls, const std::string& op) {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}

// Glyph cells of 20 x 50 pixels at 12 points: LineH 50, ColW 100.
TEST(Dendrogram, PageLayoutAtLineHeightFifty) {
    AnalysisStore s;
    Finished(s, {{0}, {3}}, false);
    RecordingCanvas canvas(100000, 100000);
    DendrogramLayout L = PrintDendrogram(s, canvas, "12", '.');
    EXPECT_EQ(L.LineH, 50);
    EXPECT_EQ(L.ColW, 100);
    EXPECT_EQ(L.XUnit, 100);
    const auto& c = canvas.calls;
    ASSERT_GE(c.size(), 8u);
    EXPECT_EQ(c[0].op, "BeginDoc");
    EXPECT_EQ(c[1].op, "SetFontSize");
    EXPECT_EQ(c[1].x, 12);
    // Scale bar as one line: tick down to 210, the line at 195, back to 210.
    const int right = 200 + 2 * 100;  // the root height lies at 2 ColW + N XUnit
    EXPECT_EQ(c[2].op + std::to_string(c[2].x) + "," + std::to_string(c[2].y), "MoveTo200,210");
    EXPECT_EQ(c[3].op + std::to_string(c[3].x) + "," + std::to_string(c[3].y), "LineTo200,195");
    EXPECT_EQ(c[4].op + std::to_string(c[4].x) + "," + std::to_string(c[4].y), "LineTo" + std::to_string(right) + ",195");
    EXPECT_EQ(c[5].op + std::to_string(c[5].x) + "," + std::to_string(c[5].y), "LineTo" + std::to_string(right) + ",210");
    auto texts = Only(c, "TextOut");
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].text, "0.0");
    EXPECT_EQ(texts[0].y, 222);
    EXPECT_EQ(texts[1].text, "9.00");
    EXPECT_EQ(texts[1].x, right);
    EXPECT_EQ(texts[2].text, J("重心法"));
    EXPECT_EQ(texts[2].x, 200);
    EXPECT_EQ(texts[2].y, 126);
    // First leaf on row 3 (y 300), caption top 275, ending one blank before x 200.
    EXPECT_EQ(texts[3].text, "L1");
    EXPECT_EQ(texts[3].y, 275);
    EXPECT_EQ(texts[3].x, 200 - 3 * 20);
    EXPECT_EQ(texts[4].y, 335);  // row 4: 360 - 25
    // One bracket: row 3 at x 200, out to the root height, down to row 4, back.
    auto lines = Only(c, "LineTo");
    auto moves = Only(c, "MoveTo");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1].x, 200);
    EXPECT_EQ(moves[1].y, 300);
    EXPECT_EQ(lines[3].x, right);
    EXPECT_EQ(lines[3].y, 300);
    EXPECT_EQ(lines[4].x, right);
    EXPECT_EQ(lines[4].y, 360);
    EXPECT_EQ(lines[5].x, 200);
    EXPECT_EQ(lines[5].y, 360);
    EXPECT_EQ(c.back().op, "EndDoc");
    EXPECT_EQ(s.ClusterTable[3].Rec->PlotPos, 3.5L);
}

TEST(Dendrogram, NarrowPageShrinksTheUnit) {
    AnalysisStore s;
    Rows rows;
    for (int i = 0; i < 40; ++i) rows.push_back({static_cast<long double>(i * i)});
    Finished(s, rows, true);
    RecordingCanvas canvas(4000, 100000);
    DendrogramLayout L = PrintDendrogram(s, canvas, "12", '.');
    EXPECT_EQ(L.XUnit, 84);
    EXPECT_EQ(L.PlotX(s.ClusterTable[3].Rec->Height), 3560);
    EXPECT_EQ(Only(canvas.calls, "TextOut")[2].text, J("Ward法"));
    // Wide page: the root lies at (N + 2) ColW whatever its height.
    RecordingCanvas wide(5000, 100000);
    EXPECT_EQ(PrintDendrogram(s, wide, "12", '.').PlotX(s.ClusterTable[3].Rec->Height), 42 * 100);
}

TEST(Dendrogram, LeavesDepthFirstAndBracketsAfterTheirSubtrees) {
    // (1,3) and (2,4) both lie at 1: 1+3 -> 5 first (smaller J), 2+4 -> 6,
    // then the root 5+6, so the leaves read 1 3 2 4.
    AnalysisStore s;
    Finished(s, {{10}, {0}, {11}, {1}}, false);
    RecordingCanvas canvas(100000, 100000);
    PrintDendrogram(s, canvas, "12", '.');
    auto texts = Only(canvas.calls, "TextOut");
    std::vector<std::string> order;
    for (size_t i = 3; i < texts.size(); ++i) order.push_back(texts[i].text);
    EXPECT_EQ(order, (std::vector<std::string>{"L1", "L3", "L2", "L4"}));
    // Brackets: 5 (rows 3, 4), then 6 (rows 5, 6), then the root joining rows 3.5 and 5.5.
    auto moves = Only(canvas.calls, "MoveTo");
    ASSERT_EQ(moves.size(), 4u);
    DendrogramLayout L;
    L.LineH = 50;
    EXPECT_EQ(moves[1].y, L.PlotY(3));
    EXPECT_EQ(moves[2].y, L.PlotY(5));
    EXPECT_EQ(moves[3].y, L.PlotY(3.5L));
    EXPECT_EQ(s.ClusterTable[3].Rec->PlotPos, 4.5L);
}

TEST(Dendrogram, MergeBelowItsChildIsDrawnLeftOfIt) {
    AnalysisStore s;
    Finished(s, {{0, 0}, {4, 0}, {2, 3}}, false);  // 13, then the root at 11.25
    RecordingCanvas canvas(100000, 100000);
    DendrogramLayout L = PrintDendrogram(s, canvas, "12", '.');
    const ClusterRecord& root = *s.ClusterTable[3].Rec;
    EXPECT_LT(L.PlotX(root.Height), L.PlotX(root.Right->Height));
    auto lines = Only(canvas.calls, "LineTo");
    EXPECT_EQ(lines.back().x, L.PlotX(13));  // back to the child's own vertical line
}

// A centroid tree whose merges go down as well as up: the scale and the x
// mapping run to the highest merge, so that every bracket lies on the page.
TEST(Dendrogram, TheScaleRunsToTheHighestMerge) {
    Rows identity(30, std::vector<long double>(30, 0));
    for (int i = 0; i < 30; ++i) identity[i][i] = 1;
    for (const Rows& rows : {identity, Rows{{0, 0}, {4, 0}, {2, 3}}}) {
        AnalysisStore s;
        Finished(s, rows, false);
        long double top = 0;
        for (const ClusterRecord* r : s.LiveRecords()) top = std::max(top, r->Height);
        ASSERT_GT(top, s.ClusterTable[s.ClusterCount].Rec->Height);  // an inversion at the root
        RecordingCanvas canvas(4000, 100000);
        const DendrogramLayout L = PrintDendrogram(s, canvas, "12", '.');
        EXPECT_EQ(Only(canvas.calls, "TextOut")[1].text, ScaleLabel(top, '.'));
        EXPECT_EQ(Only(canvas.calls, "LineTo")[1].x, L.PlotX(top));  // the scale bar's right end
        for (const Call& c : canvas.calls)
            if (c.op == "LineTo" || c.op == "MoveTo") {
                EXPECT_LE(c.x, L.PlotX(top));
                EXPECT_LE(c.x, 4000);
            }
    }
}

// A font size either draws everything on the page or is refused before
// anything is drawn; the check before a run refuses no size that the drawing
// takes.
TEST(Dendrogram, FontSizesThatCannotFitAreRefused) {
    AnalysisStore s;
    Rows rows;
    for (int i = 0; i < 12; ++i) rows.push_back({static_cast<long double>(i * i * 1000)});
    Finished(s, rows, false);
    std::vector<std::string> labels;
    for (int i = 1; i <= 12; ++i) labels.push_back(s.Labels[i] = "Object" + std::to_string(i));
    const int width = 9900, height = 14000;  // A4 at 1200 dpi, in cells of 20 x 50 at 12 points
    int refused = 0;
    for (int size = 1; size <= 400; size += 3) {
        SCOPED_TRACE("size " + std::to_string(size));
        RecordingCanvas canvas(width, height);
        RecordingCanvas before(width, height);
        bool checked = true;
        try {
            CheckDendrogramFits(before, std::to_string(size), labels, 0);
        } catch (const Error&) {
            checked = false;
        }
        try {
            PrintDendrogram(s, canvas, std::to_string(size), '.');
        } catch (const Error& e) {
            EXPECT_NE(e.Message().find(J("大きすぎます")), std::string::npos);
            EXPECT_TRUE(Only(canvas.calls, "TextOut").empty());
            EXPECT_EQ(canvas.calls.back().op, "AbortDoc");
            ++refused;
            continue;
        }
        EXPECT_TRUE(checked);
        const int lineH = 50 * size / 12;
        for (const Call& c : canvas.calls) {
            if (c.op != "TextOut" && c.op != "LineTo" && c.op != "MoveTo") continue;
            EXPECT_GE(c.x, 0) << c.op << " " << c.text;
            EXPECT_GE(c.y, 0) << c.op << " " << c.text;
            EXPECT_LE(c.x + canvas.TextWidth(c.text), width) << c.op << " " << c.text;
            EXPECT_LE(c.y + (c.op == "TextOut" ? lineH : 0), height) << c.op << " " << c.text;
        }
        const auto texts = Only(canvas.calls, "TextOut");  // the scale's labels do not overlap
        EXPECT_LE(texts[0].x + canvas.TextWidth(texts[0].text), texts[1].x);
    }
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 400 / 3);
}

TEST(Dendrogram, RootHeightZeroDrawsEverythingAtTheOrigin) {
    AnalysisStore s;
    Finished(s, {{1, 1}, {1, 1}, {1, 1}}, true);
    RecordingCanvas canvas(100000, 100000);
    ASSERT_NO_THROW(PrintDendrogram(s, canvas, "12", '.'));
    for (const Call& c : canvas.calls)
        if (c.op == "LineTo" || c.op == "MoveTo") {
            EXPECT_EQ(c.x, 200);
        }
    EXPECT_EQ(Only(canvas.calls, "TextOut")[1].text, "0.00");
}

TEST(Dendrogram, FontSizeIsCheckedBeforeTheDocumentBegins) {
    AnalysisStore s;
    Finished(s, {{0}, {1}}, false);
    for (const char* bad : {"abc", "", "12.5", " 12 "}) {
        RecordingCanvas canvas(1000, 1000);
        try {
            PrintDendrogram(s, canvas, bad, '.');
            FAIL() << bad;
        } catch (const ConvertError& e) {
            std::string expected = "'";
            expected.append(bad).append("'").append(J(" は整数ではありません"));
            EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_TRUE(canvas.calls.empty());
    }
    for (const char* small : {"0", "-3"}) {
        RecordingCanvas canvas(1000, 1000);
        EXPECT_THROW(PrintDendrogram(s, canvas, small, '.'), Error);
        EXPECT_TRUE(canvas.calls.empty());
    }
    RecordingCanvas canvas(100000, 100000);
    DendrogramLayout L = PrintDendrogram(s, canvas, "$18", ',');  // hex is an integer too
    EXPECT_EQ(L.LineH, 100);
    EXPECT_EQ(Only(canvas.calls, "TextOut")[1].text, "1,00");
}

TEST(Dendrogram, FailureWhileDrawingDropsTheDocument) {
    AnalysisStore s;
    Finished(s, {{0}, {1}, {5}}, false);
    // Glyphs so wide that the left margin leaves 32 bits: the range error,
    // and no document.
    RecordingCanvas wide(100000, 100000, 300000000, 50);
    EXPECT_THROW(PrintDendrogram(s, wide, "12", '.'), RangeError);
    EXPECT_EQ(wide.calls.back().op, "AbortDoc");
    // A leaf whose id lies outside the labels.
    s.ClusterTable[3].Rec->Left->Id = 1001;  // object 3
    RecordingCanvas canvas(100000, 100000);
    EXPECT_THROW(PrintDendrogram(s, canvas, "12", '.'), RangeError);
    EXPECT_EQ(canvas.calls.back().op, "AbortDoc");
    // A root so high that its x overflows the 80-bit range: the overflow error.
    AnalysisStore high;
    Finished(high, {{0}, {1}, {5}}, false);
    high.ClusterTable[high.ClusterCount].Rec->Height = std::numeric_limits<long double>::max() / 2;
    RecordingCanvas page(100000, 100000);
    try {
        PrintDendrogram(high, page, "12", '.');
        ADD_FAILURE() << "no error";
    } catch (const MathError& e) {
        EXPECT_EQ(e.Message(), J("浮動小数点演算でオーバーフローが発生しました"));
    }
    EXPECT_EQ(page.calls.back().op, "AbortDoc");
}


bool SameCalls(std::vector<Call>::const_iterator a, std::vector<Call>::const_iterator aEnd,
               std::vector<Call>::const_iterator b, std::vector<Call>::const_iterator bEnd) {
    return std::equal(a, aEnd, b, bEnd, [](const Call& x, const Call& y) {
        return x.op == y.op && x.x == y.x && x.y == y.y && x.text == y.text;
    });
}

// The drawing calls of each page: what lies between BeginDoc and EndDoc,
// split at NewPage.
std::vector<std::vector<Call>> Pages(const std::vector<Call>& calls) {
    std::vector<std::vector<Call>> pages(1);
    for (const Call& c : calls) {
        if (c.op == "NewPage") pages.emplace_back();
        if (c.op == "MoveTo" || c.op == "LineTo" || c.op == "TextOut") pages.back().push_back(c);
    }
    return pages;
}

// Lines and captions of a drawing below its header, each page's moved down by
// the rows of the pages before it, so that a paged drawing can be compared
// with the same tree on one endless page. Vertical lines at one x are joined
// across gaps of less than half a row (60 pixels a row at LineH 50).
struct Stitched {
    std::map<std::tuple<int, int, int>, int> horizontal;  // (y, x1, x2) -> count
    std::map<int, std::vector<std::pair<int, int>>> vertical;  // x -> joined (y1, y2)
    std::vector<std::tuple<std::string, int, int>> captions;  // text, x, y
};

Stitched Stitch(const std::vector<std::vector<Call>>& pages, int headerCalls, int rowsPerPage) {
    Stitched d;
    std::map<int, std::vector<std::pair<int, int>>> pieces;
    for (size_t p = 0; p < pages.size(); ++p) {
        const int shift = static_cast<int>(p) * rowsPerPage * 60;
        int cx = 0, cy = 0;
        for (size_t i = static_cast<size_t>(headerCalls); i < pages[p].size(); ++i) {
            const Call& c = pages[p][i];
            const int y = c.y + shift;
            if (c.op == "TextOut" && c.text.find(" / ") == std::string::npos) d.captions.emplace_back(c.text, c.x, y);
            if (c.op == "LineTo" && c.y == cy && c.x != cx)
                ++d.horizontal[{y, std::min(cx, c.x), std::max(cx, c.x)}];
            if (c.op == "LineTo" && c.x == cx && c.y != cy)
                pieces[c.x].emplace_back(std::min(cy + shift, y), std::max(cy + shift, y));
            cx = c.x;
            cy = c.y;
        }
    }
    for (auto& [x, list] : pieces) {
        std::sort(list.begin(), list.end());
        for (auto [a, b] : list) {
            auto& joined = d.vertical[x];
            if (!joined.empty() && a - joined.back().second < 30)
                joined.back().second = std::max(joined.back().second, b);
            else
                joined.emplace_back(a, b);
        }
    }
    return d;
}

// A tree too long for the page continues on further pages: every page repeats
// the header and lies wholly on the page, each page but the last is filled,
// and the pages put together are the drawing on one endless page.
TEST(Dendrogram, PagesPutTogetherAreTheDrawingOnOneEndlessPage) {
    uint32_t seed = 7;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16 & 0x3F; };
    for (int n : {2, 3, 9, 17, 40, 123}) {
        for (bool ward : {false, true}) {
            AnalysisStore s;
            Rows rows;
            for (int i = 0; i < n; ++i)  // few distinct values: ties and inversions
                rows.push_back({static_cast<long double>(next() % 9), static_cast<long double>(next() % 5)});
            Finished(s, rows, ward);
            RecordingCanvas endless(3000, 2000000000);
            PrintDendrogram(s, endless, "12", '.');
            const auto one = Pages(endless.calls);
            ASSERT_EQ(one.size(), 1u);
            const Stitched whole = Stitch(one, 7, 0);
            for (int height : {330, 430, 629, 630, 1111, 60 * n + 265, 60 * n + 264}) {
                SCOPED_TRACE("n " + std::to_string(n) + " ward " + std::to_string(ward) + " height " +
                             std::to_string(height));
                RecordingCanvas paged(3000, height);
                if (60 * n + 265 > height && height - 100 < 325) {  // several pages, no row above the page number
                    EXPECT_THROW(PrintDendrogram(s, paged, "12", '.'), Error);
                    continue;
                }
                const DendrogramLayout L = PrintDendrogram(s, paged, "12", '.');
                const auto pages = Pages(paged.calls);
                const int perPage = static_cast<int>(std::count_if(pages[0].begin() + 7, pages[0].end(), [](const Call& c) {
                    return c.op == "TextOut" && c.text.find(" / ") == std::string::npos;
                }));
                ASSERT_GE(perPage, 1);
                EXPECT_EQ(L.PageLeaves, perPage);
                EXPECT_EQ(pages.size(), static_cast<size_t>((n + perPage - 1) / perPage));
                if (pages.size() > 1) {  // no room for one more leaf above the page number's row
                    EXPECT_GT(std::get<2>(whole.captions[static_cast<size_t>(perPage)]) + 50, height - 100);
                    for (size_t p = 0; p < pages.size(); ++p) {  // "p / P" centred at the foot, below every line
                        const std::string number = std::to_string(p + 1) + " / " + std::to_string(pages.size());
                        const Call& last = pages[p].back();
                        EXPECT_EQ(last.op + last.text, "TextOut" + number);
                        EXPECT_EQ(last.x, (3000 - 20 * static_cast<int>(number.size())) / 2);
                        EXPECT_EQ(last.y, height - 50);
                        for (const Call& c : pages[p]) {
                            if (&c != &last) {
                                EXPECT_LE(c.y + (c.op == "TextOut" ? 50 : 0), height - 50);
                            }
                        }
                    }
                } else {
                    EXPECT_TRUE(SameCalls(paged.calls.begin(), paged.calls.end(), endless.calls.begin(), endless.calls.end()));
                }
                for (const auto& page : pages) {
                    ASSERT_GE(page.size(), 7u);
                    EXPECT_TRUE(SameCalls(page.begin(), page.begin() + 7, pages[0].begin(), pages[0].begin() + 7));
                    for (const Call& c : page) {
                        EXPECT_GE(c.y, 0);
                        EXPECT_LE(c.y + (c.op == "TextOut" ? 50 : 0), height);
                    }
                }
                const Stitched parts = Stitch(pages, 7, perPage);
                EXPECT_EQ(parts.captions, whole.captions);
                EXPECT_EQ(parts.horizontal, whole.horizontal);
                // A line cut at the page's bottom edge may end up to a tenth
                // of a row short of the break.
                ASSERT_EQ(parts.vertical.size(), whole.vertical.size());
                for (const auto& [x, joined] : whole.vertical) {
                    const auto& got = parts.vertical.at(x);
                    ASSERT_EQ(got.size(), joined.size()) << "x " << x;
                    for (size_t i = 0; i < got.size(); ++i) {
                        EXPECT_EQ(got[i].first, joined[i].first) << "x " << x;
                        EXPECT_NEAR(got[i].second, joined[i].second, 6) << "x " << x;
                    }
                }
            }
        }
    }
}

// Long captions, large fonts, long scale labels and narrow pages: every
// caption starts on the page and the widest one at its left edge, the tree
// and the scale stay within the page, and the scale's right label ends at the
// right edge at the latest. Captions wider than half the page are cut.
TEST(Dendrogram, CaptionsTreeAndScaleStayOnThePage) {
    struct Case {
        int n;
        long double spread;  // coordinates 0, spread, 4 spread, ... make the root height
        std::string label;   // every label: this text and the object number
        const char* size;
        int width;
    };
    const Case cases[] = {
        {6, 1, "Massachusetts", "8", 100000},
        {40, 1, std::string(40, 'x'), "12", 4000},
        {40, 1000, "A", "36", 4000},  // the label 1234.50-ish runs past the right edge
        {3, 1e12L, J("マサチューセッツ州"), "30", 3000},
        {5, 1, std::string(400, 'y'), "12", 10000},  // a caption wider than half the page
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label.substr(0, 20) + " size " + k.size);
        AnalysisStore s;
        Rows rows;
        for (int i = 0; i < k.n; ++i) rows.push_back({k.spread * i * i});
        Finished(s, rows, false);
        for (int i = 1; i <= k.n; ++i) s.Labels[i] = k.label + std::to_string(i);
        RecordingCanvas canvas(k.width, 1000000);
        const DendrogramLayout L = PrintDendrogram(s, canvas, k.size, '.');
        auto texts = Only(canvas.calls, "TextOut");
        const std::string scale = texts[1].text;
        EXPECT_LE(texts[1].x + canvas.TextWidth(scale), k.width);
        EXPECT_TRUE(texts[1].x == L.PlotX(s.ClusterTable[s.ClusterCount].Rec->Height) ||
                    texts[1].x + canvas.TextWidth(scale) == k.width);
        int leftmost = k.width;
        for (size_t i = 3; i < texts.size(); ++i) {
            leftmost = std::min(leftmost, texts[i].x);
            EXPECT_EQ(texts[i].x + canvas.TextWidth(texts[i].text + " "), L.PlotX(0));
        }
        const int widest = canvas.TextWidth(s.Labels[k.n] + " ");
        if (widest <= 2 * L.ColW)
            EXPECT_EQ(L.PlotX(0), 2 * L.ColW);
        else if (widest <= k.width / 2)
            EXPECT_EQ(leftmost, 0);
        else
            EXPECT_EQ(L.PlotX(0), k.width / 2);
        for (const Call& c : canvas.calls)
            if (c.op == "LineTo" || c.op == "MoveTo") {
                EXPECT_GE(c.x, 0);
                EXPECT_LE(c.x, k.width);
            }
    }
}

// Exact halves go to the even neighbour, on both sides of an odd and of an
// even integer and below zero: neither truncation nor rounding halves up or
// away from zero gives all of these.
TEST(Dendrogram, CoordinateTiesGoToTheEvenNeighbour) {
    DendrogramLayout L;
    L.ColW = 10;                // x origin 20
    L.XUnit = 3;
    L.HeightPerUnit = 2;        // x * 3 / 2
    L.LineH = 5;                // (y + 2) * 5 * 1.2 is exactly k + 1/2 at these rows
    const std::pair<long double, int32_t> xs[] = {
        {1, 20 + 2}, {3, 20 + 4}, {5, 20 + 8}, {7, 20 + 10}, {-1, 20 - 2}, {-3, 20 - 4}};
    for (auto [x, expected] : xs) EXPECT_EQ(L.PlotX(x), expected) << "x " << static_cast<double>(x);
    const std::pair<long double, int32_t> ys[] = {
        {-0.25L, 10}, {0.75L, 16}, {1.25L, 20}, {1.75L, 22}, {3.75L, 34}, {4.25L, 38}, {-1.75L, 2}};
    for (auto [y, expected] : ys) {
        const long double t = (y + 2) * 5 * 1.2L;
        ASSERT_EQ(t - std::floor(t), 0.5L) << "not a tie at row " << static_cast<double>(y);
        EXPECT_EQ(L.PlotY(y), expected) << "row " << static_cast<double>(y);
    }
}

}  // namespace
}  // namespace ca::testing
