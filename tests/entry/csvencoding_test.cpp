#include "entry/csvencoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/error.h"
#include "common/sjis.h"
#include "entry/csv.h"
#include "entry/grid.h"
#include "tests/support/files.h"

namespace ca::testing {
namespace {

std::string Grid(const GridModel& g) {
    std::string t = std::to_string(g.RowCount()) + "x" + std::to_string(g.ColCount()) + "\n";
    for (int r = 0; r < g.RowCount(); ++r) {
        for (int c = 0; c < g.ColCount(); ++c) t += g.Cell(c, r) + "|";
        t += "\n";
    }
    return t;
}

std::string Imported(const TempDir& dir, const std::string& bytes) {
    WriteAll(dir.File("in.csv"), bytes);
    GridModel g;
    FormCreate(g);
    ImportCsv(g, dir.File("in.csv"));
    return Grid(g);
}

// What a spreadsheet writes in UTF-8 reads as the same table written in
// Shift_JIS: byte-order mark or none, CR LF or LF, quoted fields with commas
// and quotes, Japanese labels, half-width katakana, a 0x1A ending the file.
TEST(CsvEncoding, Utf8FromSpreadsheetsReadsAsItsShiftJisTwin) {
    TempDir dir;
    const std::string table[] = {
        ",身長,\"体重, kg\"\n東京,170,65\nｶﾀｶﾅ,160,\"5\"\"0\"\n",
        "\xEF\xBB\xBF,height,weight\r\nA,1,2\r\n\"大阪, 府\",3,4\r\n",
        "\xEF\xBB\xBFlabel,x\r\nplain ascii,1\r\n",
        "ラベル,x\n〜 wave,1\n",
        "名,x\r\nα,1\x1A\xFF\xFE garbage after the end\n",
    };
    for (const std::string& utf8 : table) {
        SCOPED_TRACE(utf8);
        std::string body = utf8.starts_with("\xEF\xBB\xBF") ? utf8.substr(3) : utf8;
        body = body.substr(0, body.find('\x1A'));
        EXPECT_EQ(Imported(dir, utf8), Imported(dir, Utf8ToSjis(body)));
    }
}

// Any file that is not UTF-8 by the rule is read byte for byte as it stands:
// Shift_JIS tables, plain ASCII, and random bytes.
TEST(CsvEncoding, OtherFilesAreLeftAsTheyStand) {
    std::vector<std::string> files = {
        J("ラベル,身長\r\n東京,170\r\nｶﾀｶﾅ,1\r\n"), "a,b\r\n1,2\n", "\xEF\xBB", "", "caf\xE9,1\n",
        "\xE3\x81\x82\xE3\x81",  // UTF-8 but for its cut last character
    };
    std::mt19937 rng(11);
    for (int i = 0; i < 2000; ++i) {
        std::string f(rng() % 40, ' ');
        for (char& c : f) c = static_cast<char>(rng() % 4 ? rng() % 0x80 + (rng() % 2) * 0x80 : '\n');
        files.push_back(f);
    }
    int unchanged = 0;
    for (const std::string& f : files) {
        if (IsUtf8Csv(f)) continue;
        EXPECT_EQ(CsvBytesToSjis(f), f);
        ++unchanged;
    }
    EXPECT_GT(unchanged, 1900);
    EXPECT_FALSE(IsUtf8Csv("ascii only,1\r\n"));
    EXPECT_TRUE(IsUtf8Csv("\xEF\xBB\xBF" "ascii only\r\n"));
    EXPECT_TRUE(IsUtf8Csv("\xC3\xA9"));
}

// Whatever its place in a long ASCII text, one character of two bytes makes
// the text UTF-8, and one byte that cannot begin a character keeps it from
// being so.
TEST(CsvEncoding, OneByteAnywhereDecides) {
    for (size_t at = 0; at <= 100; ++at) {
        const std::string ascii(100, 'a');
        EXPECT_TRUE(IsUtf8Csv(ascii.substr(0, at) + "\xC3\xA9" + ascii.substr(at))) << at;
        EXPECT_FALSE(IsUtf8Csv(ascii.substr(0, at) + "\xE9" + ascii.substr(at))) << at;
    }
}

// A character Shift_JIS cannot hold stops the import, naming its line and the
// character, before the grid changes; so do bytes that are not UTF-8 after a
// byte-order mark.
TEST(CsvEncoding, UnconvertibleCharacterStopsTheImportBeforeTheGridChanges) {
    TempDir dir;
    const struct {
        std::string bytes, line, what;
    } cases[] = {
        {"\xEF\xBB\xBFlabel,x\r\n東京,1\r\n한국,2\r\n", "3", "U+D55C"},
        {"東京,x\n\n\nsmile \xF0\x9F\x98\x80,1", "4", "U+1F600"},
        {"\xEF\xBB\xBF" "a,b\n\xE3\x81\n", "2", "0xE3"},
    };
    for (const auto& k : cases) {
        WriteAll(dir.File("bad.csv"), k.bytes);
        GridModel g;
        FormCreate(g);
        g.SetCell(1, 1, "kept");
        const std::string before = Grid(g);
        try {
            ImportCsv(g, dir.File("bad.csv"));
            ADD_FAILURE() << k.bytes;
        } catch (const Error& e) {
            const std::string message = SjisToUtf8(e.Message());
            EXPECT_NE(message.find(k.line + " 行目"), std::string::npos) << message;
            EXPECT_NE(message.find(k.what), std::string::npos) << message;
        }
        EXPECT_EQ(Grid(g), before);
    }
}

}  // namespace
}  // namespace ca::testing
