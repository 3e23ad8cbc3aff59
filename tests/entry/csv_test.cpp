#include "entry/csv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/error.h"
#include "engine/store.h"
#include "entry/csvencoding.h"
#include "entry/launch.h"
#include "tests/support/files.h"

namespace ca {
namespace {

using Fields = std::vector<std::string>;

class CsvTest : public ::testing::Test {
protected:
    void SetUp() override { FormCreate(grid_); }

    std::string Put(const std::string& bytes, const std::string& name = "in.csv") const { return dir_.Put(name, bytes); }
    std::string Exported(const GridModel& g) const {
        ExportCsv(g, dir_.File("out"));  // written as out.csv
        return testing::ReadAll(dir_.File("out.csv"));
    }
    void Import(const std::string& bytes) { ImportCsv(grid_, Put(bytes)); }
    Fields Row(int r) const {
        Fields t;
        for (int c = 0; c < grid_.ColCount(); ++c) t.push_back(grid_.Cell(c, r));
        return t;
    }

    testing::TempDir dir_;
    GridModel grid_;
};

TEST(CsvNameTest, CsvIsAppendedUnlessTheNameEndsInExactlyCsv) {
    EXPECT_EQ(CsvFileName("data"), "data.csv");
    EXPECT_EQ(CsvFileName(".csv"), ".csv.csv");
    EXPECT_EQ(CsvFileName("a.csv"), "a.csv");
    EXPECT_EQ(CsvFileName("/tmp/t.CSV"), "/tmp/t.CSV");
    EXPECT_EQ(CsvFileName("t.Csv"), "t.Csv.csv");
    EXPECT_EQ(CsvFileName(""), ".csv");
    EXPECT_EQ(CsvFileName("csv"), "csv.csv");
}

TEST(CsvSplitTest, FieldsOfOneLine) {
    struct Case {
        std::string line;
        Fields want;
    } cases[] = {
        {"a,b", {"a", "b"}}, {"a,,b", {"a", "", "b"}}, {",a", {"", "a"}}, {"a,", {"a", ""}},
        {"a,,", {"a", "", ""}}, {"a, ", {"a"}}, {",", {"", ""}}, {"", {}}, {" \t ", {}},
        {"  New York , x", {"New York", "x"}}, {"\t a \x01,\x01 b", {"a", "b"}},
        {"\"a,b\",c", {"a,b", "c"}}, {"\"say \"\"hi\"\"\"", {"say \"hi\""}}, {"\"\"", {""}},
        {"\"\",", {"", ""}}, {" \"q\" , r", {"q", "r"}}, {"\"open, end", {"open, end"}},
        {"\"ab\"cd,e", {"ab", "cd", "e"}}, {"a\"b,c", {"a\"b", "c"}}, {std::string("a\0b,c", 5), {"a"}},
        {J("東京,大 阪 ,\"表,ソ\""), {J("東京"), J("大 阪"), J("表,ソ")}},
        // A lead byte before a comma, a blank or the end stands alone.
        {"P\x81,1", {"P\x81", "1"}}, {"\x81 ,\xE0", {"\x81", "\xE0"}},
        {std::string("\"a\0b\",c\0,d", 10), {std::string("a\0b", 3), "c"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCsvLine(c.line), c.want) << c.line;
}

// Unquoted fields of every length up to 20 come back as written, and a NUL
// at any place ends the line there.
TEST(CsvSplitTest, UnquotedFieldsOfAnyLengthAndANulAnywhere) {
    std::mt19937 rng(9);
    const char bytes[] = {'a', '7', '.', '-', '\x81', '\xFF'};  // no blank, comma, quote or control byte
    for (int run = 0; run < 400; ++run) {
        Fields fields(1 + rng() % 6);
        for (std::string& f : fields) {
            f.resize(rng() % 21);
            for (char& b : f) b = bytes[rng() % std::size(bytes)];
        }
        if (fields.size() == 1 && fields[0].empty()) continue;  // an empty line holds no field
        std::string line = fields[0];
        for (size_t k = 1; k < fields.size(); ++k) line += "," + fields[k];
        ASSERT_EQ(SplitCsvLine(line), fields) << line;
        const size_t cut = rng() % (line.size() + 1);
        std::string withNul = line;
        withNul.insert(cut, 1, '\0');
        ASSERT_EQ(SplitCsvLine(withNul), SplitCsvLine(line.substr(0, cut))) << line << " cut at " << cut;
    }
}

TEST_F(CsvTest, ExportQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(Exported(grid_), ",\r\n,\r\n,\r\n");

    grid_.SetColCount(7);
    grid_.SetRowCount(2);
    const char* cells[] = {"plain", "a,b", "say \"hi\"", "\"x", "New York", "\t"};
    for (int c = 1; c <= 6; ++c) grid_.SetCell(c, 1, cells[c - 1]);
    grid_.SetCell(7, 1, "hidden");
    EXPECT_EQ(Exported(grid_), "plain,\"a,b\",\"say \"\"hi\"\"\",\"\"\"x\",\"New York\",\"\t\"\r\n");

    grid_.SetColCount(3);
    grid_.SetCell(1, 1, J("東京"));
    grid_.SetCell(2, 1, J("　ソ"));
    EXPECT_EQ(Exported(grid_), J("東京,　ソ") + "\r\n");
    grid_.SetCell(1, 1, "P\x81");
    grid_.SetCell(2, 1, std::string("\0", 1));
    EXPECT_EQ(Exported(grid_), std::string("\"P\x81\",\"\0\"\r\n", 10));
    grid_.SetColCount(2);
    grid_.SetCell(1, 1, "");
    EXPECT_EQ(Exported(grid_), "\"\"\r\n");  // a line of one empty cell still holds a field
}

TEST_F(CsvTest, ImportBuildsTheTableFromNamesAndObjects) {
    grid_.SetCell(1, 1, "corner");
    Import("name,height,weight\r\nA,170,65\nB,160\r\n");
    ASSERT_EQ(grid_.ColCount(), 4);
    ASSERT_EQ(grid_.RowCount(), 4);
    EXPECT_EQ(Row(0), (Fields{"", J(" ラベル"), J(" 属性 1"), J(" 属性 2")}));
    EXPECT_EQ(Row(1), (Fields{J(" 属性ラベル"), "corner", "height", "weight"}));
    EXPECT_EQ(Row(2), (Fields{J(" 対象 1"), "A", "170", "65"}));
    EXPECT_EQ(Row(3), (Fields{J(" 対象 2"), "B", "160", ""}));
}

// A row is built from its line alone: nothing of the former table shows
// through a short line, and a launch then names the first empty cell.
TEST_F(CsvTest, ShortLinesLeaveEmptyCellsAndTheLastLineCounts) {
    grid_.SetCell(2, 2, "old");
    grid_.SetCell(1, 3, "older");
    grid_.SetCell(5, 2, "hidden");
    Import("n,x");  // one line: still one object row
    ASSERT_EQ(grid_.RowCount(), 3);
    ASSERT_EQ(grid_.ColCount(), 3);
    EXPECT_EQ(Row(2), (Fields{J(" 対象 1"), "", ""}));

    grid_.SetCell(2, 2, "old");
    grid_.SetCell(1, 3, "older");
    Import("n,x\r\nA\r\n\r\n");  // the empty last line is an object too
    ASSERT_EQ(grid_.RowCount(), 4);
    EXPECT_EQ(Row(2), (Fields{J(" 対象 1"), "A", ""}));
    EXPECT_EQ(Row(3), (Fields{J(" 対象 2"), "", ""}));
    EXPECT_EQ(grid_.Cell(5, 2), "");  // nor outside the columns

    AnalysisStore& s = Store();
    Import("n,x,y\r\nA,1,2\r\nB,3\r\n");
    const LaunchResult launched = Launch(s, grid_, 0, [] { return std::optional<std::string>(); }, '.');
    EXPECT_EQ(launched.outcome, LaunchOutcome::BadCell);
    EXPECT_EQ(launched.message, "Error ===>  Cells[3,2] = ");

    Import("n,x,y,z\r\nA,1,2,3,4,5\r\n\x1A" "B,1\r\n");  // 0x1A ends the file
    EXPECT_EQ(grid_.RowCount(), 3);
    EXPECT_EQ(grid_.ColCount(), 5);
    EXPECT_EQ(grid_.Cell(6, 2), "5");
}

// A file too large to hold while its encoding is decided (a file chosen by
// mistake, say) is refused as it stands, and the table stays as it was.
TEST_F(CsvTest, AFileBeyondTheByteBoundIsRefused) {
    grid_.SetCell(1, 2, "A");
    const std::string path = Put("n,x\r\nA,1\r\n");
    std::filesystem::resize_file(path, kMaxCsvBytes + 1);  // a hole: no disk taken
    try {
        ImportCsv(grid_, path);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(e.Message().find(J(" MB までです")), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Row(2), (Fields{J(" 対象 1"), "A", ""}));
}

TEST_F(CsvTest, AFirstLineWithoutFieldsIsRefused) {
    grid_.SetCell(1, 2, "A");
    grid_.SetCurrent(2, 3);
    for (const char* bytes : {"", "\r\nA,1\r\n", "   \t\r\nA,1\r\n", "\x1A" "a,b\r\n"}) {
        try {
            Import(bytes);
            ADD_FAILURE() << "no error";
        } catch (const IoError&) {
            ADD_FAILURE() << "an I/O error";
        } catch (const Error& e) {
            EXPECT_FALSE(e.Message().empty());
        }
        EXPECT_EQ(grid_.RowCount(), 4);
        EXPECT_EQ(std::pair(grid_.CurrentCol(), grid_.CurrentRow()), std::pair(2, 3));
        EXPECT_EQ(Row(2), (Fields{J(" 対象 1"), "A", ""}));
    }
    EXPECT_THROW(ImportCsv(grid_, dir_.File("none.csv")), IoError);
    EXPECT_EQ(grid_.RowCount(), 4);
}

TEST_F(CsvTest, ExportThenImportGivesBackTheCells) {
    // Lone lead bytes at either end of a cell, NULs and any other byte a line
    // can hold (all but CR, LF and 0x1A).
    std::vector<std::string> pieces = {"a", "New York", " ", ",", "\"", "\t", J("東京"), J("ソ表"), J("　"),
                                       "12.5", "x\"y", "", "\x81", "\xE0", std::string(1, '\0'), "P\x81"};
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != 0x1A) pieces.push_back(std::string(1, static_cast<char>(b)));
    std::mt19937 rng(4321);
    for (int round = 0; round < 300; ++round) {
        GridModel g;
        FormCreate(g);
        const int rows = 3 + rng() % 8, cols = 3 + rng() % 6;
        g.SetRowCount(rows);
        g.SetColCount(cols);
        std::vector<std::vector<std::string>> want(rows, std::vector<std::string>(cols));
        for (int r = 1; r < rows; ++r)
            for (int c = 1; c < cols; ++c) {
                for (int k = rng() % 4; k > 0; --k) want[r][c] += pieces[rng() % pieces.size()];
                g.SetCell(c, r, want[r][c]);
            }
        g.SetCell(1, 1, "corner");
        Exported(g);
        g.SetCell(1, 1, "kept");
        ImportCsv(g, dir_.File("out.csv"));
        ASSERT_EQ(g.RowCount(), rows);
        ASSERT_EQ(g.ColCount(), cols);
        EXPECT_EQ(g.Cell(1, 1), "kept");
        for (int r = 1; r < rows; ++r)
            for (int c = r == 1 ? 2 : 1; c < cols; ++c)
                ASSERT_EQ(g.Cell(c, r), want[r][c]) << "round " << round << " " << c << "," << r;
    }
}

TEST_F(CsvTest, RandomBytesNeverCrashTheImport) {
    const std::string alphabet = std::string("ab ,,\"\"\r\n\n\t\x1A", 12) + std::string(1, '\0') + "\x82\xa0\x81";
    std::mt19937 rng(77);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int k = rng() % 120; k > 0; --k)
            bytes.push_back(rng() % 4 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()]);
        GridModel g;
        FormCreate(g);
        try {
            ImportCsv(g, Put(bytes, "fuzz.csv"));
        } catch (const Error&) {
            ASSERT_EQ(g.RowCount(), 4);
            continue;
        }
        ASSERT_GE(g.RowCount(), 3);
        ASSERT_GE(g.ColCount(), 2);
    }
}

}  // namespace
}  // namespace ca
