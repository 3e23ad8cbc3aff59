#include "entry/launch.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/error.h"
#include "tests/support/files.h"
#include "engine/store.h"

namespace ca {
namespace {

using testing::ReadAll;
using testing::TempDir;

// A grid of the given labels and value texts, attribute names x1, x2, ...
GridModel MakeGrid(const std::vector<std::string>& labels, const std::vector<std::vector<std::string>>& values) {
    GridModel g;
    FormCreate(g);
    const int attrs = values.empty() ? 1 : static_cast<int>(values[0].size());
    g.SetRowCount(static_cast<int>(labels.size()) + 2);
    g.SetColCount(attrs + 2);
    for (size_t i = 0; i < labels.size(); ++i) {
        g.SetCell(1, static_cast<int>(i) + 2, labels[i]);
        for (int k = 0; k < attrs; ++k) g.SetCell(k + 2, static_cast<int>(i) + 2, values[i][k]);
    }
    return g;
}

struct Fixture : ::testing::Test {
    std::unique_ptr<AnalysisStore> s = std::make_unique<AnalysisStore>();
    TempDir dir;
    std::string out = dir.File("out.txt");
    ChooseOutputFile choose = [this]() -> std::optional<std::string> { return out; };
    ChooseOutputFile cancel = []() -> std::optional<std::string> { return std::nullopt; };
    const std::string kEcho = "\r\n" + J("入力データ...") + "\r\n";
    const std::string kTable = "\r\n" + J("算出された距離...") + "\r\n";
};

using Launching = Fixture;
using Running = Fixture;

TEST_F(Launching, EchoesEveryObjectInItsFields) {
    GridModel g = MakeGrid({"AB", "X", J("六文字の名前")}, {{"1.5", "12"}, {" -0.04 ", "1000000"}, {"0.25", "2.25"}});
    LaunchResult r = Launch(*s, g, 1, choose, '.');
    ASSERT_EQ(r.outcome, LaunchOutcome::Launched);
    EXPECT_EQ(s->DataReady, 1);
    s->OutFile.Close();
    const std::string first = "  1 : AB            1.5   12.0\r\n";
    EXPECT_EQ(first.size(), 32u);  // 30 bytes and the line end
    EXPECT_EQ(ReadAll(out), kEcho + first + "  2 : X            -0.01000000.0\r\n" + "  3 : " +
                                J("六文字の名前") + "    0.3    2.3\r\n");
    EXPECT_EQ(s->ObjectCount, 3);
    EXPECT_EQ(s->AttrCount, 2);
    EXPECT_EQ(s->Labels[3], J("六文字の名前"));
    EXPECT_EQ(s->Coord(2, 1), -0.04L);
}

TEST_F(Launching, RefusesACellThatIsNotANumber) {
    for (const char* bad : {"abc", "1.5.2", "", "  ", "1,5"}) {
        GridModel g = MakeGrid({"a", "b", "c"}, {{"1", "2"}, {"3", "4"}, {"5", bad}});
        s->DataReady = 0;
        LaunchResult r = Launch(*s, g, 0, choose, '.');
        EXPECT_EQ(r.outcome, LaunchOutcome::BadCell);
        EXPECT_EQ(r.message, std::string("Error ===>  Cells[4,2] = ") + bad);
        EXPECT_EQ(s->DataReady, 0);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // With "," as the locale's separator "1,5" is a number and "1.5" is not.
    GridModel g = MakeGrid({"a", "b"}, {{"1,5"}, {"2"}});
    EXPECT_EQ(Launch(*s, g, 1, choose, ',').outcome, LaunchOutcome::Launched);
}

TEST_F(Launching, NoObjectsOrNoAttributes) {
    GridModel none;
    FormCreate(none);
    none.SetRowCount(2);
    ASSERT_EQ(Launch(*s, none, 0, choose, '.').outcome, LaunchOutcome::Launched);
    EXPECT_EQ(s->ObjectCount, 0);
    s->OutFile.Close();
    EXPECT_EQ(ReadAll(out), kEcho);

    GridModel labelsOnly = MakeGrid({"p", "q"}, {{"1"}, {"2"}});
    labelsOnly.SetColCount(2);
    ASSERT_EQ(Launch(*s, labelsOnly, 0, choose, '.').outcome, LaunchOutcome::Launched);
    EXPECT_EQ(s->AttrCount, 0);
    ASSERT_EQ(RunAnalysis(*s, '.', nullptr), RunOutcome::Finished);
    EXPECT_EQ(ReadAll(out), kEcho + "  1 : p         \r\n  2 : q         \r\n" + kTable +
                                "p         \r\nq         0         \r\n");
}

TEST_F(Launching, CancelledChoiceLeavesTheDistancesAndNoFile) {
    GridModel g = MakeGrid({"a", "b"}, {{"0"}, {"3"}});
    s->DataReady = 0;
    ASSERT_EQ(Launch(*s, g, 0, cancel, '.').outcome, LaunchOutcome::Cancelled);
    EXPECT_EQ(s->DataReady, 0);
    EXPECT_EQ(s->DistMatrix(2, 1), 3);
    EXPECT_FALSE(s->OutFile.IsOpen());
    s->DistMatrix(2, 1) = 99;
    ASSERT_EQ(Launch(*s, g, 1, cancel, '.').outcome, LaunchOutcome::Cancelled);
    EXPECT_EQ(s->DistType, 1);
    EXPECT_EQ(s->DistMatrix(2, 1), 99);  // Ward's launch leaves the distances alone
}

TEST_F(Launching, ReplacesAnExistingFileAndRefusesTooLargeTables) {
    { std::ofstream(out) << "old contents that are longer than the new ones........................"; }
    GridModel g = MakeGrid({"a", "b"}, {{"0"}, {"3"}});
    ASSERT_EQ(Launch(*s, g, 1, choose, '.').outcome, LaunchOutcome::Launched);
    s->OutFile.Close();
    EXPECT_EQ(ReadAll(out).substr(0, kEcho.size()), kEcho);
    EXPECT_EQ(ReadAll(out).find("old"), std::string::npos);

    s->DistType = 7;
    GridModel tooMany = MakeGrid({"a"}, {{"1"}});
    tooMany.SetRowCount(1003);
    EXPECT_THROW(Launch(*s, tooMany, 0, choose, '.'), Error);
    GridModel tooWide = MakeGrid({"a"}, {{"1"}});
    tooWide.SetColCount(203);
    EXPECT_THROW(Launch(*s, tooWide, 0, choose, '.'), Error);
    EXPECT_EQ(s->DistType, 7);  // the store was not touched
    GridModel largest = MakeGrid({"a"}, {{"1"}});
    largest.SetRowCount(1002);
    largest.SetColCount(202);
    for (int r = 2; r < 1002; ++r)
        for (int c = 2; c < 202; ++c) largest.SetCell(c, r, std::to_string((r * 7 + c) % 13));
    EXPECT_EQ(Launch(*s, largest, 1, choose, '.').outcome, LaunchOutcome::Launched);
    s->OutFile.Close();
}

TEST_F(Launching, UnwritableOutputRaisesAndKeepsTheWindowWaiting) {
    GridModel g = MakeGrid({"a", "b"}, {{"0"}, {"3"}});
    s->DataReady = 0;
    ChooseOutputFile missingFolder = [this]() -> std::optional<std::string> { return dir.File("no/such/out.txt"); };
    try {
        Launch(*s, g, 0, missingFolder, '.');
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.Code(), 3);
    }
    EXPECT_EQ(s->DataReady, 0);

    // A full disk under an echo larger than the writer's buffer, which goes
    // out in one piece: raised, and the file closed.
    std::vector<std::string> labels(400, "x");
    std::vector<std::vector<std::string>> values(400, std::vector<std::string>(30, "1.5"));
    GridModel wide = MakeGrid(labels, values);
    ChooseOutputFile full = []() -> std::optional<std::string> { return "/dev/full"; };
    try {
        Launch(*s, wide, 1, full, '.');
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.Code(), kDiskFull);
    }
    EXPECT_FALSE(s->OutFile.IsOpen());
    EXPECT_EQ(s->DataReady, 0);
}

TEST_F(Running, CentroidRunWritesTheDistanceTable) {
    GridModel g = MakeGrid({"A", "B", J("ラベル長めの名前")}, {{"0", "0"}, {"3", "4"}, {"6", "8"}});
    ASSERT_EQ(Launch(*s, g, 0, choose, '.').outcome, LaunchOutcome::Launched);
    int drawn = 0;
    ASSERT_EQ(RunAnalysis(*s, '.', [&] { ++drawn; }), RunOutcome::Finished);
    EXPECT_EQ(drawn, 1);
    EXPECT_FALSE(s->OutFile.IsOpen());
    EXPECT_EQ(s->LiveRecordCount(), 0u);
    const std::string longLabel = J("ラベル長めの名前");  // 16 bytes: written whole
    EXPECT_EQ(ReadAll(out), kEcho + "  1 : A             0.0    0.0\r\n" + "  2 : B             3.0    4.0\r\n" +
                                "  3 : " + longLabel + "    6.0    8.0\r\n" + kTable + "A         \r\n" +
                                "B         5         \r\n" + longLabel + "10        5         \r\n");
}

TEST_F(Running, WardRunWritesTheEchoOnly) {
    GridModel g = MakeGrid({"A", "B"}, {{"0.0001234567"}, {"1"}});
    ASSERT_EQ(Launch(*s, g, 1, choose, '.').outcome, LaunchOutcome::Launched);
    ASSERT_EQ(RunAnalysis(*s, '.', nullptr), RunOutcome::Finished);
    EXPECT_EQ(ReadAll(out), kEcho + "  1 : A             0.0\r\n  2 : B             1.0\r\n");
}

TEST_F(Running, DistancesWiderThanTheirFieldAreWrittenWhole) {
    GridModel g = MakeGrid({"A", "B"}, {{"0"}, {"0,0001234567"}});
    ASSERT_EQ(Launch(*s, g, 0, choose, ',').outcome, LaunchOutcome::Launched);
    ASSERT_EQ(RunAnalysis(*s, ',', nullptr), RunOutcome::Finished);
    const std::string all = ReadAll(out);
    EXPECT_EQ(all.substr(all.size() - 24), "B         0,0001234567\r\n");
}

TEST_F(Running, AFailedRunClosesTheFileAndReleasesEverything) {
    GridModel g = MakeGrid({"only"}, {{"1"}});
    ASSERT_EQ(Launch(*s, g, 0, choose, '.').outcome, LaunchOutcome::Launched);
    try {
        RunAnalysis(*s, '.', nullptr);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Range error in SeekC");
    }
    EXPECT_FALSE(s->OutFile.IsOpen());
    EXPECT_EQ(s->LiveRecordCount(), 0u);
    EXPECT_EQ(ReadAll(out), kEcho + "  1 : only          1.0\r\n" + kTable + "only      \r\n");

    // A failure inside the dendrogram still leaves a complete output file.
    GridModel two = MakeGrid({"a", "b"}, {{"1"}, {"2"}});
    ASSERT_EQ(Launch(*s, two, 1, choose, '.').outcome, LaunchOutcome::Launched);
    EXPECT_THROW(RunAnalysis(*s, '.', [] { throw Error("printer gone"); }), Error);
    EXPECT_EQ(s->LiveRecordCount(), 0u);
    EXPECT_EQ(ReadAll(out), kEcho + "  1 : a             1.0\r\n  2 : b             2.0\r\n");
}

TEST_F(Running, InvalidMethodAndMissingOutputFile) {
    GridModel g = MakeGrid({"a", "b"}, {{"1"}, {"2"}});
    ASSERT_EQ(Launch(*s, g, 1, choose, '.').outcome, LaunchOutcome::Launched);
    s->DistType = 2;
    EXPECT_EQ(RunAnalysis(*s, '.', nullptr), RunOutcome::InvalidDistType);
    EXPECT_FALSE(s->OutFile.IsOpen());
    EXPECT_EQ(s->LiveRecordCount(), 0u);
    // A run without a launch: the first write to the unopened file fails.
    s->DistType = 0;
    EXPECT_THROW(RunAnalysis(*s, '.', nullptr), IoError);
    // The table fails and so does the agglomeration of one object: the
    // table's error, the run's first, is the one raised.
    s->ObjectCount = 1;
    EXPECT_THROW(RunAnalysis(*s, '.', nullptr), IoError);
    EXPECT_EQ(s->LiveRecordCount(), 0u);
}

}  // namespace
}  // namespace ca
