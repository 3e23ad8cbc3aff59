#include "entry/tabletext.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace ca {
namespace {

const std::string kBlanks12(12, ' ');

TEST(TableTextTest, LinesOfTheTable) {
    GridModel g;
    FormCreate(g);
    const std::vector<std::string> want = {
        "", "", "Data =", "", "",
        kBlanks12 + J(" ラベル") + "     " + J(" 属性 1") + "     ",
        J(" 属性ラベル") + " " + kBlanks12 + kBlanks12,
        J(" 対象 1") + "     " + kBlanks12 + kBlanks12,
        J(" 対象 2") + "     " + kBlanks12 + kBlanks12,
    };
    EXPECT_EQ(TableLines(g), want);

    g.SetRowCount(3);  // long cells are printed whole, hidden ones not at all
    g.SetCell(1, 2, "abcdefghijklmn");
    g.SetCell(2, 2, "exactly12byt");
    g.SetCell(3, 2, "hidden");
    g.SetCell(1, 3, "hidden");
    const std::vector<std::string> lines = TableLines(g);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[7], J(" 対象 1") + "     " + "abcdefghijklmn" + "exactly12byt");
}

TEST(TableTextTest, PrintPutsTheLinesDownThePageInMincho12) {
    GridModel g;
    FormCreate(g);
    g.SetCell(1, 2, "A");
    RecordingCanvas canvas(2000, 100000, 20, 50);
    PrintTable(g, canvas);
    const std::vector<std::string> lines = TableLines(g);

    ASSERT_GE(canvas.calls.size(), 3u);
    EXPECT_EQ(canvas.calls[0].op, "BeginDoc");
    EXPECT_EQ(canvas.calls[1].op, "SetFontFace");
    EXPECT_EQ(canvas.calls[1].text, J("ＭＳ 明朝"));
    EXPECT_EQ(canvas.calls[2].op, "SetFontSize");
    EXPECT_EQ(canvas.calls[2].x, 12);
    EXPECT_EQ(canvas.calls.back().op, "EndDoc");

    // An empty line moves down by the font height (50), a line of text by its
    // height plus 2.
    std::vector<RecordingCanvas::Call> texts;
    for (const auto& c : canvas.calls) {
        if (c.op == "TextOut") texts.push_back(c);
        EXPECT_NE(c.op, "NewPage");
        EXPECT_NE(c.op, "AbortDoc");
    }
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].text, "Data =");
    EXPECT_EQ(texts[0].y, 100);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(texts[k + 1].text, lines[k + 5]);
        EXPECT_EQ(texts[k + 1].x, 0);
        EXPECT_EQ(texts[k + 1].y, 252 + 52 * k);
    }
}

TEST(TableTextTest, AFailureDropsTheDocument) {
    struct FailingCanvas : RecordingCanvas {
        FailingCanvas() : RecordingCanvas(2000, 100000) {}
        void TextOut(int, int, std::string_view) override { throw Error("printer gone"); }
    } canvas;
    GridModel g;
    FormCreate(g);
    EXPECT_THROW(PrintTable(g, canvas), Error);
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls.back().op, "AbortDoc");
    for (const auto& c : canvas.calls) EXPECT_NE(c.op, "EndDoc");
}

}  // namespace
}  // namespace ca
