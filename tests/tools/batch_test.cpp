// The batch command as a script would use it: exit codes, messages, and an
// output file identical to the one the launch and the run write.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/error.h"
#include "tests/support/files.h"
#include "common/sjis.h"
#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/launch.h"

namespace ca {
namespace {

struct Result {
    int status;
    std::string err;
};

class Batch : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return tmp_.File(name); }
    void Write(const std::string& name, const std::string& bytes) const { testing::WriteAll(File(name), bytes); }
    static std::string Read(const std::string& path) { return testing::ReadAll(path); }
    Result Run(const std::string& args) const {
        const std::string errFile = File("stderr.txt");
        std::string cmd = std::string(CLUSTER_BATCH) + " " + args + " >/dev/null 2>" + errFile;
        int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(errFile)};
    }
    testing::TempDir tmp_;
    const std::string& dir_ = tmp_.Path();
};

const char kData[] = "5\r\n4\r\n\r\nx\r\ny\r\nA\r\n0\r\n0\r\nB\r\n3\r\n4\r\nC\r\n6\r\n8\r\nD\r\n0\r\n1\r\n";

TEST_F(Batch, OutputMatchesTheLaunchAndRun) {
    Write("in.dat", kData);
    for (const char* method : {"centroid", "ward"}) {
        Result r = Run(std::string("--method ") + method + " --out " + File("out.txt") + " " + File("in.dat"));
        ASSERT_EQ(r.status, 0) << r.err;
        AnalysisStore s;
        GridModel g;
        FormCreate(g);
        LoadDataFile(g, File("in.dat"));
        const std::string expected = File("expected.txt");
        ASSERT_EQ(Launch(s, g, std::string(method) == "ward", [&] { return std::optional<std::string>(expected); }, '.')
                      .outcome,
                  LaunchOutcome::Launched);
        RunAnalysis(s, '.', nullptr);
        EXPECT_EQ(Read(File("out.txt")), Read(expected)) << method;
    }
}

TEST_F(Batch, MergeHistoryReadsBackBitForBit) {
    Write("in.csv", ",x,y\r\nA,0,0\r\nB,4,0\r\nC,2,3\r\nD,2,3\r\n");
    Result r = Run("--method=ward --out=" + File("o.txt") + " --merges " + File("m.tsv") + " " + File("in.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(Read(File("m.tsv")));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "id\tleft\tright\theight\tmembers");
    // D(3,4) = 0 merges first; then 1 with 5 at 2 * 1 * 13 / 3 / 2 ... checked by value below.
    std::vector<std::vector<std::string>> rows;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fs(line);
        std::string x;
        while (std::getline(fs, x, '\t')) f.push_back(x);
        rows.push_back(f);
    }
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"5", "3", "4", rows[0][3], "2"}));
    EXPECT_EQ(strtold(rows[0][3].c_str(), nullptr), 0);
    EXPECT_EQ(rows[2][0], "7");
    EXPECT_EQ(rows[2][4], "4");
    // Heights read back to the identical extended value.
    AnalysisStore s;
    GridModel g;
    FormCreate(g);
    ImportCsv(g, File("in.csv"));
    ASSERT_EQ(Launch(s, g, 1, [&] { return std::optional<std::string>(File("o2.txt")); }, '.').outcome,
              LaunchOutcome::Launched);
    RunAnalysis(s, '.', [&] {
        const ClusterRecord* root = s.ClusterTable[s.ClusterCount].Rec;
        long double h = strtold(rows[2][3].c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&h, &root->Height, 10), 0);
    });
}

TEST_F(Batch, FailuresExitOneWithTheProgramsMessage) {
    Write("bad.csv", ",x\r\nA,1\r\nB,abc\r\n");
    Result r = Run("--method centroid --out " + File("o.txt") + " " + File("bad.csv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error ===>  Cells[3,1] = abc\n");

    r = Run("--method ward --out " + File("o.txt") + " " + File("missing.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ファイルが見つかりません.\n");

    Write("one.dat", "3\r\n3\r\n\r\nx\r\nA\r\n1\r\n");
    r = Run("--method ward --out " + File("o.txt") + " " + File("one.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Range error in SeekC\n");

    Write("count.dat", "many\r\n3\r\n");
    r = Run("--method ward --out " + File("o.txt") + " " + File("count.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "入力値が数値ではありません.\n");

    std::string big = "1003\r\n3\r\n";
    Write("big.dat", big);
    r = Run("--method ward --out " + File("o.txt") + " " + File("big.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1000"), std::string::npos) << r.err;

    Write("huge.dat", "1e\r\n");
    EXPECT_EQ(Run("--method ward --out " + File("o.txt") + " " + File("huge.dat")).status, 1);
    EXPECT_EQ(Run("--method ward --out " + File("o.txt") + " " + dir_).status, 1);  // a folder
}

TEST_F(Batch, DendrogramAsPdf) {
    // Shift_JIS captions, one of them Japanese.
    Write("in.csv", ",x\r\n" + J("東京") + ",0\r\nB,1\r\nC,5\r\n");
    Result r = Run("--method centroid --out " + File("o.txt") + " --pdf " + File("d.pdf") + " " + File("in.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(std::system(("pdftotext -layout " + File("d.pdf") + " " + File("d.txt")).c_str()), 0);
    const std::string text = Read(File("d.txt"));
    for (const char* want : {"重心法", "0.0", "20.25", "東京", "B", "C"})
        EXPECT_NE(text.find(want), std::string::npos) << want << " not in:\n" << text;
    ASSERT_EQ(std::system(("pdfinfo " + File("d.pdf") + " > " + File("info.txt")).c_str()), 0);
    EXPECT_NE(Read(File("info.txt")).find("Pages:           1"), std::string::npos);
    // A bad font size: the output file is complete, the message names the text.
    r = Run("--method ward --font-size 12pt --out " + File("o2.txt") + " --pdf " + File("e.pdf") + " " +
            File("in.csv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "'12pt' は整数ではありません\n");
    EXPECT_EQ(Read(File("o2.txt")).size(), Read(File("o.txt")).find(J("算出された距離")) - 2);
}

TEST_F(Batch, ArgumentsAndUsage) {
    Write("in.dat", kData);
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("").status, 2);
    EXPECT_EQ(Run("--method average --out x " + File("in.dat")).status, 2);
    EXPECT_EQ(Run("--method ward " + File("in.dat")).status, 2);
    EXPECT_EQ(Run("--method ward --out " + File("o.txt")).status, 2);
    EXPECT_EQ(Run("--method ward --out " + File("o.txt") + " --bogus " + File("in.dat")).status, 2);
    EXPECT_EQ(Run("--method ward --out " + File("o.txt") + " a b").status, 2);
    Result r = Run("--method");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage"), std::string::npos);
}

}  // namespace
}  // namespace ca
