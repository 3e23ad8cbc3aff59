#include "common/textfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/error.h"
#include "tests/support/files.h"

namespace ca {
namespace {

class TextFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_.File(name); }
    std::string Put(const std::string& name, const std::string& bytes) const { return dir_.Put(name, bytes); }
    static std::string Bytes(const std::string& path) { return testing::ReadAll(path); }

    // Every line of `bytes` until ReadLine reaches the end.
    std::vector<std::string> Lines(const std::string& bytes) {
        TextReader r;
        r.Open(Put("lines.txt", bytes));
        std::vector<std::string> lines;
        while (!r.AtEnd()) lines.push_back(r.ReadLine());
        return lines;
    }

    testing::TempDir dir_;
};

// The code of the IoError that `op` raises, or -1 when it raises none.
int CodeOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const IoError& e) {
        return e.Code();
    }
    return -1;
}

using Lines_ = std::vector<std::string>;

TEST_F(TextFileTest, WriterEndsLinesWithCrLfAndCreateEmpties) {
    std::string path = Put("out.txt", "old content that must go\r\n");
    TextWriter w;
    w.Create(path);
    EXPECT_TRUE(w.IsOpen());
    EXPECT_EQ(w.Name(), path);
    w.Close();
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(Bytes(path), "");

    w.Create(path);
    w.WriteLine("abc");
    w.Write("d");
    w.Write(J("漢字"));
    w.EndLine();
    w.WriteLine("");
    w.Close();
    EXPECT_EQ(Bytes(path), "abc\r\nd" + J("漢字") + "\r\n\r\n");
}

TEST_F(TextFileTest, WriterLargeOutputArrivesWhole) {
    std::string path = Path("big.txt"), expected;
    TextWriter w;
    w.Create(path);
    for (int i = 0; i < 30000; ++i) {
        std::string line = std::to_string(i) + std::string(i % 7, 'x');
        // Now and then a text larger than the buffer, which goes out on its
        // own: after what is buffered, before what follows.
        if (i % 9999 == 1) line += std::string(70000 + i, static_cast<char>('a' + i % 26));
        w.WriteLine(line);
        expected += line + "\r\n";
    }
    w.Close();
    ASSERT_GT(expected.size(), 3u * 65536);
    EXPECT_EQ(Bytes(path), expected);
}

TEST_F(TextFileTest, WriterFailuresRaiseWithCodes) {
    std::string file = Put("plain.txt", "x");
    mkfifo(Path("fifo").c_str(), 0666);
    TextWriter w;
    EXPECT_EQ(CodeOf([&] { w.Create(Path("no_such_dir/out.txt")); }), kInvalidFileName);
    EXPECT_EQ(CodeOf([&] { w.Create(file + "/out.txt"); }), kInvalidFileName);
    EXPECT_EQ(CodeOf([&] { w.Create(dir_.Path()); }), kAccessDenied);
    EXPECT_EQ(CodeOf([&] { w.Create(Path("fifo")); }), kAccessDenied);  // no reader: must not hang
    EXPECT_FALSE(w.IsOpen());
    EXPECT_NE(CodeOf([&] { w.Write("x"); }), -1);

    // A file that takes no data: the refusal comes at the open or at the close.
    EXPECT_EQ(CodeOf([&] {
                  w.Create("/proc/self/status");
                  w.WriteLine("x");
                  w.Close();
              }),
              kAccessDenied);
    EXPECT_FALSE(w.IsOpen());
}

TEST_F(TextFileTest, WriterDiskFullAndCloseStillCloses) {
    TextWriter w;
    w.Create("/dev/full");
    w.WriteLine("short");
    EXPECT_EQ(CodeOf([&] { w.Close(); }), kDiskFull);
    EXPECT_FALSE(w.IsOpen());

    // More than the buffer holds: the failure may come while writing.
    w.Create("/dev/full");
    EXPECT_EQ(CodeOf([&] {
                  for (int i = 0; i < 10000; ++i) w.WriteLine(std::string(40, 'a'));
                  w.Close();
              }),
              kDiskFull);
    CodeOf([&] { w.Close(); });
    EXPECT_FALSE(w.IsOpen());

    w.Create("/dev/full");
    EXPECT_EQ(CodeOf([&] { w.Write(std::string(200000, 'a')); }), kDiskFull);  // one large text
    CodeOf([&] { w.Close(); });
}

TEST_F(TextFileTest, ReaderOpenFailures) {
    std::string file = Put("plain.txt", "x");
    mkfifo(Path("fifo").c_str(), 0666);
    TextReader r;
    EXPECT_EQ(CodeOf([&] { r.Open(Path("missing.txt")); }), kFileNotFound);
    EXPECT_EQ(CodeOf([&] { r.Open(Path("no_such_dir/a.txt")); }), kInvalidFileName);
    EXPECT_EQ(CodeOf([&] { r.Open(dir_.Path()); }), kAccessDenied);
    EXPECT_EQ(CodeOf([&] { r.Open(Path("fifo")); }), kAccessDenied);  // must not wait for a writer
    EXPECT_FALSE(r.IsOpen());
    r.Open(file);
    EXPECT_EQ(r.ReadLine(), "x");
}

TEST_F(TextFileTest, ReaderLineEnds) {
    EXPECT_EQ(Lines("a\r\nb\nc\rd\r\n\r\n\ne"), (Lines_{"a", "b", "cd", "", "", "e"}));
    EXPECT_EQ(Lines("a\rb\n"), (Lines_{"ab"}));
    EXPECT_EQ(Lines("x\r"), (Lines_{"x"}));
    EXPECT_EQ(Lines("\r\r\r\nz"), (Lines_{"", "z"}));
    EXPECT_EQ(Lines(J("漢字\r\nｱ") + std::string("\0b", 2)), (Lines_{J("漢字"), J("ｱ") + std::string("\0b", 2)}));
}

// Line ends, CRs and the end-of-file byte at every place within lines of any
// length, among other control and high bytes, read as the rules say: taken
// byte by byte here.
TEST_F(TextFileTest, LineEndsAnywhereAmongOtherBytes) {
    std::mt19937 rng(5);
    const char rare[] = {'\r', '\n', '\x1A', '\t', '\0', '\x19', '\x1B', '\x9A', '\xFF', ' '};
    for (int run = 0; run < 400; ++run) {
        std::string bytes(rng() % 120, 'a');
        for (char& b : bytes)
            if (rng() % 6 == 0) b = rare[rng() % std::size(rare)];
        Lines_ want;
        std::string line;
        bool open = false;
        for (char b : bytes) {
            if (b == '\x1A') break;
            if (b == '\n') {
                want.push_back(line);
                line.clear();
                open = false;
            } else {
                open = true;
                if (b != '\r') line.push_back(b);
            }
        }
        if (open) want.push_back(line);
        ASSERT_EQ(Lines(bytes), want) << ::testing::PrintToString(bytes);
    }
}

TEST_F(TextFileTest, ReadingAtTheEndGivesEmptyTextRepeatedly) {
    for (std::string content : {"", "last\r\n", "last"}) {
        TextReader r;
        r.Open(Put("end.txt", content));
        if (!content.empty()) {
            EXPECT_EQ(r.ReadLine(), "last");
        }
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(r.AtEnd());
            EXPECT_EQ(r.ReadLine(), "");
            EXPECT_EQ(r.ReadIntToken(), 0);
            EXPECT_NO_THROW(r.SkipLine());
        }
    }
}

TEST_F(TextFileTest, LinesLongerThanTheBuffer) {
    const size_t kBuf = 65536;
    std::string huge(3 * kBuf + 17, 'q');
    for (size_t i = 0; i < huge.size(); i += 1000) huge[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(Lines(huge + "\r\nnext"), (Lines_{huge, "next"}));

    // CR LF split by the buffer boundary; a lone CR at the boundary.
    std::string a(kBuf - 1, 'a');
    EXPECT_EQ(Lines(a + "\r\nb\r\n"), (Lines_{a, "b"}));
    EXPECT_EQ(Lines(a + "\rb\r\n"), (Lines_{a + "b"}));
    EXPECT_EQ(Lines(std::string(kBuf, 'c') + "\r\nd"), (Lines_{std::string(kBuf, 'c'), "d"}));
}

TEST_F(TextFileTest, ByteHex1AEndsTheFile) {
    EXPECT_EQ(Lines("ab\x1A" "cd\r\nef\r\n"), (Lines_{"ab"}));
    EXPECT_EQ(Lines("one\r\n\x1A" "two\r\n"), (Lines_{"one"}));
    EXPECT_EQ(Lines("\x1A" "x"), Lines_{});
    std::string a(65536 + 5, 'a');
    EXPECT_EQ(Lines(a + "\x1A" "tail\r\n"), (Lines_{a}));

    TextReader r;
    r.Open(Put("blank.txt", " "));
    EXPECT_FALSE(r.AtEnd());  // a byte remains, even a blank
    r.Open(Put("eof.txt", "12 \x1A 34\r\n"));
    EXPECT_FALSE(r.AtEnd());
    EXPECT_EQ(r.ReadIntToken(), 12);
    EXPECT_FALSE(r.AtEnd());  // the blank is still there
    EXPECT_EQ(r.ReadIntToken(), 0);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.ReadLine(), "");
    EXPECT_EQ(r.ReadIntToken(), 0);
}

// The rest of a file, whole or cut after limit + 1 bytes (so that a longer
// rest shows as such), ends at 0x1A, and the reader goes on after the cut.
TEST_F(TextFileTest, ReadRestUpToItsLimit) {
    const std::string big(70000, 'x');  // longer than the reader's buffer
    struct Case {
        std::string bytes;
        size_t limit;
        std::string first, then;
    } cases[] = {
        {"abcdef", 3, "abcd", "ef"},
        {"abcdef", 0, "a", "bcdef"},
        {"abcdef", std::string::npos, "abcdef", ""},
        {"abcdef", 6, "abcdef", ""},
        {"ab\x1A" "cd", 5, "ab", ""},
        {"one\r\ntwo", 1, "tw", "o"},  // after the first line
        {big + "\x1A" "y", 65540, big.substr(0, 65541), big.substr(65541)},
    };
    for (const Case& c : cases) {
        TextReader r;
        r.Open(Put("rest.txt", c.bytes));
        if (c.bytes.starts_with("one")) r.ReadLine();
        EXPECT_EQ(r.ReadRest(c.limit), c.first) << c.bytes.substr(0, 10) << " " << c.limit;
        EXPECT_EQ(r.ReadRest(), c.then) << c.bytes.substr(0, 10);
    }
}

TEST_F(TextFileTest, IntTokens) {
    TextReader r;
    r.Open(Put("ints.txt", "\t-5\r\n\r\n +7\n$1F x1f X10 0x10 0X7fffffff" + std::string(2, '\0') +
                               " 2147483647 -2147483648 0012\x1A 9"));
    for (int32_t v : {-5, 7, 31, 31, 16, 16, 2147483647, 2147483647, INT32_MIN, 12, 0, 0})
        EXPECT_EQ(r.ReadIntToken(), v);

    r.Open(Put("blank.txt", " \r\n\t\r\n  "));
    EXPECT_EQ(r.ReadIntToken(), 0);

    r.Open(Put("mixed.txt", "  12 abc 5"));
    EXPECT_EQ(r.ReadIntToken(), 12);
    EXPECT_EQ(CodeOf([&] { r.ReadIntToken(); }), kNotANumber);

    for (const char* bad : {"2147483648", "-2147483649", "1.5", "12a", "$", "0x", "x", "+", "-", "$G", "1,000",
                            "\x82\x50"}) {
        r.Open(Put("bad.txt", std::string(" ") + bad + "\r\n"));
        EXPECT_EQ(CodeOf([&] { r.ReadIntToken(); }), kNotANumber) << bad;
    }

    // At most 32 bytes make a token; the rest stays for the next read.
    r.Open(Put("long.txt", std::string(30, '0') + "123 " + std::string(33, '1')));
    EXPECT_EQ(r.ReadIntToken(), 12);
    EXPECT_EQ(r.ReadIntToken(), 3);
    EXPECT_EQ(CodeOf([&] { r.ReadIntToken(); }), kNotANumber);
    EXPECT_EQ(r.ReadIntToken(), 1);
    EXPECT_EQ(r.ReadIntToken(), 0);

    // A token across the buffer boundary.
    r.Open(Put("edge.txt", std::string(65534, ' ') + "12345"));
    EXPECT_EQ(r.ReadIntToken(), 12345);
}

TEST_F(TextFileTest, SkipLine) {
    TextReader r;
    r.Open(Put("s.txt", "abc\r\ndef\na\rb\nc\r\n5 rest of line\n7\r\nxy\x1Azz\nw"));
    r.SkipLine();
    EXPECT_EQ(r.ReadLine(), "def");
    r.SkipLine();  // a lone CR does not end the line
    EXPECT_EQ(r.ReadLine(), "c");
    EXPECT_EQ(r.ReadIntToken(), 5);
    r.SkipLine();
    EXPECT_EQ(r.ReadIntToken(), 7);
    r.SkipLine();  // the rest of the line: just CR LF
    r.SkipLine();  // stops at 0x1A
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.ReadLine(), "");

    r.Open(Put("t.txt", std::string(70000, 's') + "\nnext"));
    r.SkipLine();
    EXPECT_EQ(r.ReadLine(), "next");
}

}  // namespace
}  // namespace ca
