#include "entry/datafile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/error.h"
#include "entry/csv.h"
#include "tests/support/files.h"

namespace ca {
namespace {

using Texts = std::vector<std::string>;

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override { FormCreate(grid_); }

    std::string Put(const std::string& bytes) const { return dir_.Put("in.dat", bytes); }
    std::string Saved() const {
        SaveDataFile(grid_, dir_.File("out.dat"));
        return testing::ReadAll(dir_.File("out.dat"));
    }
    void Load(const std::string& bytes) { LoadDataFile(grid_, Put(bytes)); }
    Texts Row(int r) const {
        Texts t;
        for (int c = 0; c < grid_.ColCount(); ++c) t.push_back(grid_.Cell(c, r));
        return t;
    }
    // The code of the IoError that loading the file raises, or -1.
    int LoadCode(const std::string& path) {
        try {
            LoadDataFile(grid_, path);
        } catch (const IoError& e) {
            return e.Code();
        }
        return -1;
    }

    testing::TempDir dir_;
    GridModel grid_;
};

TEST_F(DataFileTest, SaveWritesTheCountsThenEveryCellTrimmed) {
    EXPECT_EQ(Saved(), "4\r\n3\r\n\r\n\r\n\r\n\r\n\r\n\r\n");

    grid_.SetColCount(4);
    const char* cells[3][3] = {{"", "height", "weight"}, {"A", "170", "65"}, {"B", "160", "50"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) grid_.SetCell(c + 1, r + 1, cells[r][c]);
    grid_.SetCell(4, 1, "hidden");
    EXPECT_EQ(Saved(), "4\r\n4\r\n\r\nheight\r\nweight\r\nA\r\n170\r\n65\r\nB\r\n160\r\n50\r\n");

    grid_.SetRowCount(2);
    grid_.SetColCount(5);
    grid_.SetCell(1, 1, " \t New York \r\n");
    grid_.SetCell(2, 1, std::string("\0\x01x\x1f", 4));
    grid_.SetCell(3, 1, J("　東京　"));  // full-width blanks stay
    grid_.SetCell(4, 1, "   ");
    EXPECT_EQ(Saved(), "2\r\n5\r\nNew York\r\nx\r\n" + J("　東京　") + "\r\n\r\n");
}

TEST_F(DataFileTest, LoadReadsCountsRewritesHeadingsAndTakesCellsAsTheyStand) {
    grid_.SetCell(0, 1, "keep01");
    grid_.SetCell(1, 0, "keep10");
    grid_.SetCell(0, 2, "junk");
    grid_.SetCell(2, 0, "junk");
    Load("\r\n  3 rows\n4 columns\r\n" + J("名前") + "\r\n a \nb\r\nX\r\n1\r\n2\r\n");
    ASSERT_EQ(grid_.RowCount(), 3);
    ASSERT_EQ(grid_.ColCount(), 4);
    EXPECT_EQ(Row(0), (Texts{"", "keep10", J(" 属性 1"), J(" 属性 2")}));
    EXPECT_EQ(Row(1), (Texts{"keep01", J("名前"), " a ", "b"}));
    EXPECT_EQ(Row(2), (Texts{J(" 対象 1"), "X", "1", "2"}));
}

TEST_F(DataFileTest, ShortAndEmptyFiles) {
    for (int r = 1; r < 4; ++r)
        for (int c = 1; c < 3; ++c) grid_.SetCell(c, r, "old");
    Load("4\n3\nx\n");
    EXPECT_EQ(Row(1), (Texts{J(" 属性ラベル"), "x", ""}));
    EXPECT_EQ(Row(3), (Texts{J(" 対象 2"), "", ""}));

    Load("3\r\n2\r\na\x1A" "b\r\nc\r\n");  // 0x1A ends the file
    EXPECT_EQ(grid_.Cell(1, 1), "a");
    EXPECT_EQ(grid_.Cell(1, 2), "");

    Load("");
    EXPECT_EQ(grid_.RowCount(), 1);
    EXPECT_EQ(grid_.ColCount(), 1);
    EXPECT_EQ(grid_.FixedRows(), 0);
    EXPECT_EQ(grid_.FixedCols(), 0);
}

TEST_F(DataFileTest, BadCountsAndMissingFilesStopTheLoadWhereTheyAre) {
    grid_.SetCell(1, 2, "A");
    EXPECT_EQ(LoadCode(Put("word\r\n3\r\n")), 106);
    EXPECT_EQ(LoadCode(dir_.File("none.dat")), 2);
    EXPECT_EQ(Row(2), (Texts{J(" 対象 1"), "A", ""}));
    EXPECT_EQ(grid_.RowCount(), 4);

    EXPECT_EQ(LoadCode(Put("7\r\nwide\r\nx\r\n")), 106);
    EXPECT_EQ(grid_.RowCount(), 7);
    EXPECT_EQ(grid_.ColCount(), 3);
    EXPECT_EQ(grid_.Cell(1, 2), "A");
    EXPECT_EQ(grid_.Cell(0, 5), "");
    EXPECT_EQ(IoError(106).Message(), J("入力値が数値ではありません."));
}

TEST_F(DataFileTest, TablesOverTenMillionCellsAreRefusedBeforeAnyChange) {
    for (const char* counts : {"10000001\r\n1\r\n", "1\r\n10000001\r\n", "4000\r\n2501\r\n",
                               "65536\r\n65536\r\n", "2147483647\r\n2147483647\r\n", "-5\r\n99999999\r\n"}) {
        try {
            Load(counts);
            ADD_FAILURE() << "no error for " << counts;
        } catch (const IoError&) {
            ADD_FAILURE() << "an I/O error for " << counts;
        } catch (const Error& e) {
            EXPECT_FALSE(e.Message().empty());
        }
        EXPECT_EQ(grid_.RowCount(), 4) << counts;
        EXPECT_EQ(grid_.ColCount(), 3) << counts;
    }
    Load("2500\r\n4000\r\n");
    EXPECT_EQ(grid_.RowCount(), 2500);
    EXPECT_EQ(grid_.ColCount(), 4000);
    EXPECT_EQ(grid_.Cell(0, 2499), J(" 対象2498"));
    EXPECT_EQ(grid_.Cell(3999, 0), J(" 属性3998"));
}

TEST_F(DataFileTest, SaveThenLoadGivesBackEveryCellTrimmed) {
    const std::vector<std::string> pieces = {"a", "Zz", "170.5", " ", "\t", "\x01", ",", "\"",
                                             J("東京"), J("ソ表"), J("　"), "", "x y"};
    auto trimmed = [](const std::string& s) {
        size_t b = 0, e = s.size();
        while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
        while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
        return s.substr(b, e - b);
    };
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; ++round) {
        GridModel src;
        FormCreate(src);
        for (int k = rng() % 9; k > 0; --k) AddButtonClick(src);
        for (int k = rng() % 6; k > 0; --k) AddColButtonClick(src);
        if (rng() % 8 == 0) src.SetRowCount(2);
        for (int r = 1; r < src.RowCount(); ++r)
            for (int c = 1; c < src.ColCount(); ++c) {
                std::string text;
                for (int k = rng() % 5; k > 0; --k) text += pieces[rng() % pieces.size()];
                src.SetCell(c, r, text);
            }
        SaveDataFile(src, dir_.File("round.dat"));
        GridModel back;
        FormCreate(back);
        LoadDataFile(back, dir_.File("round.dat"));
        ASSERT_EQ(back.RowCount(), src.RowCount());
        ASSERT_EQ(back.ColCount(), src.ColCount());
        for (int r = 0; r < src.RowCount(); ++r)
            for (int c = 0; c < src.ColCount(); ++c)
                ASSERT_EQ(back.Cell(c, r), r == 0 || c == 0 ? src.Cell(c, r) : trimmed(src.Cell(c, r)))
                    << "round " << round << " cell " << c << "," << r;
    }
}

TEST_F(DataFileTest, RandomBytesNeverCrashTheLoad) {
    const std::string alphabet = std::string("0123456789 -$x\r\n\r\n\x1A\t,\"\0\x82\xa0", 25);
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        if (round % 2 == 0)  // small counts, to get past them
            bytes = std::to_string(int(rng() % 40) - 3) + "\r\n" + std::to_string(int(rng() % 40) - 3) + "\r\n";
        for (int k = rng() % 200; k > 0; --k)
            bytes.push_back(rng() % 3 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()]);
        GridModel g;
        FormCreate(g);
        try {
            LoadDataFile(g, Put(bytes));
        } catch (const Error&) {
        }
        ASSERT_LT(g.CurrentRow(), g.RowCount());
        ASSERT_LT(g.CurrentCol(), g.ColCount());
    }
}

}  // namespace
}  // namespace ca

namespace ca {
namespace {

// Huge counts never reach the grid, also when the column line is bad.
TEST(DataFileLimits, HugeRowCountIsRefusedBeforeTheGridChanges) {
    testing::TempDir dir;
    GridModel g;
    FormCreate(g);
    for (const char* bytes : {"2147483647\r\nabc\r\n", "100000000\r\n1\r\n"}) {
        testing::WriteAll(dir.File("big.dat"), bytes);
        EXPECT_THROW(LoadDataFile(g, dir.File("big.dat")), Error) << bytes;
        EXPECT_EQ(g.RowCount(), 4);
    }
}

TEST(CsvLimits, WideOrLongFilesStopAtTheCellBound) {
    testing::TempDir dir;
    GridModel g;
    FormCreate(g);
    testing::WriteAll(dir.File("wide.csv"), std::string(4000000, ','));
    EXPECT_THROW(ImportCsv(g, dir.File("wide.csv")), Error);
    EXPECT_EQ(g.ColCount(), 3);  // refused before the grid changed
    testing::WriteAll(dir.File("long.csv"), "a,b,c,d,e,f,g,h,i\n" + std::string(1200000, '\n'));
    EXPECT_THROW(ImportCsv(g, dir.File("long.csv")), Error);
    EXPECT_LE(static_cast<int64_t>(g.RowCount()) * g.ColCount(), kMaxDataFileCells);
}

}  // namespace
}  // namespace ca
