// Every file the windows write is all or nothing: 保  存 (the data file),
// 保存（CSV） and the output file of a launch. A write that fails (a file size
// limit, a full disk, /dev/full, a FIFO without a reader) raises and leaves an
// old file as it was, with nothing beside it; any name the system takes works.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/launch.h"
#include "tests/support/files.h"
#include "tests/support/fulldisk.h"

namespace ca {
namespace {

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WriteFaults, EveryWriterKeepsTheOldFileOrWritesTheNewOneWhole) {
    testing::TempDir tmp;
    // 300 objects: each file is larger than the 2 KB limit below.
    std::string data = "302\r\n3\r\n\r\nx\r\n";
    for (int i = 1; i <= 300; ++i) data += "A" + std::to_string(i) + "\r\n" + std::to_string(i * i % 17) + "\r\n";
    GridModel grid;
    FormCreate(grid);
    LoadDataFile(grid, tmp.Put("in.dat", data));
    const std::map<std::string, std::function<void(const std::string&)>> writers = {
        {"save", [&](const std::string& path) { SaveDataFile(grid, path); }},
        {"csv", [&](const std::string& path) { ExportCsv(grid, path); }},
        {"launch", [&](const std::string& path) {
             AnalysisStore& s = Store();
             ASSERT_EQ(Launch(s, grid, 0, [&] { return std::optional(path); }, '.').outcome, LaunchOutcome::Launched);
             RunAnalysis(s, '.', nullptr);
         }},
    };
    std::map<std::string, std::string> expected;  // what each writes, from a run without faults
    for (const auto& [name, write] : writers) {
        write(tmp.File(name + ".csv"));
        expected[name] = testing::ReadAll(tmp.File(name + ".csv"));
    }
    ASSERT_EQ(::mkfifo(tmp.File("fifo.csv").c_str(), 0600), 0);  // 保存（CSV） adds ".csv" to other names
    testing::SmallDisk disk(256 * 1024);
    struct Fault {
        const char* name;
        std::string folder;  // where the target lies ("" for a device or a FIFO)
        std::string target;  // its name in the folder, or its path
        bool fails;
        int code = 0;        // of the failure, where it is known
    };
    std::vector<Fault> faults = {
        {"not UTF-8", tmp.File("sjis"), "\x83\x65\x83\x58\x83\x67.csv", false},
        {"255 bytes", tmp.File("long"), std::string(251, 'n') + ".csv", false},
        {"size limit", tmp.File("limited"), "result.csv", true, kDiskFull},
        {"FIFO", "", tmp.File("fifo.csv"), true, kAccessDenied},
        {"/dev/full", "", "/dev/full", true, kDiskFull},
    };
    if (disk.Mounted()) {
        std::filesystem::create_directory(disk.File("full"));
        testing::WriteAll(disk.File("full/result.csv"), "old");  // a full disk takes no new file
        disk.Fill(3000);
        faults.push_back({"full disk", disk.File("full"), "result.csv", true});
    }
    for (const Fault& f : faults) {
        if (!f.folder.empty()) std::filesystem::create_directories(f.folder);
        const std::string target = f.folder.empty() ? f.target : f.folder + "/" + f.target;
        for (const auto& [name, write] : writers) {
            if (name == "csv" && target == "/dev/full") continue;  // a name 保存（CSV） cannot reach
            SCOPED_TRACE(std::string(f.name) + " " + name);
            if (!f.folder.empty() && testing::ReadAll(target) != "old") testing::WriteAll(target, "old");
            try {
                std::optional<testing::FileSizeLimit> limit;
                if (std::string(f.name) == "size limit") limit.emplace(2048);
                write(target);
                EXPECT_FALSE(f.fails) << "a failed write reported as done";
            } catch (const IoError& e) {
                EXPECT_TRUE(f.fails) << e.Code();
                if (f.code) {
                    EXPECT_EQ(e.Code(), f.code);
                }
            }
            if (f.folder.empty()) continue;
            EXPECT_EQ(Listing(f.folder), std::vector<std::string>{f.target});
            EXPECT_EQ(testing::ReadAll(target), f.fails ? "old" : expected.at(name));
        }
    }
}

}  // namespace
}  // namespace ca
