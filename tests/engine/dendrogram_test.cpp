#include "engine/dendrogram.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/error.h"
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
    // Rows far down the page leave 32 bits: the range error, and no document.
    RecordingCanvas tall(100000, 100000, 20, 300000000);
    EXPECT_THROW(PrintDendrogram(s, tall, "12", '.'), RangeError);
    EXPECT_EQ(tall.calls.back().op, "AbortDoc");
    // A leaf whose id lies outside the labels.
    s.ClusterTable[3].Rec->Left->Id = 1001;  // object 3
    RecordingCanvas canvas(100000, 100000);
    EXPECT_THROW(PrintDendrogram(s, canvas, "12", '.'), RangeError);
    EXPECT_EQ(canvas.calls.back().op, "AbortDoc");
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
