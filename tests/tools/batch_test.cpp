// The batch command as a script would use it: exit codes, messages, and an
// output file identical to the one the launch and the run write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <algorithm>

#include "common/error.h"
#include "tests/support/files.h"
#include "tests/support/fulldisk.h"
#include "common/sjis.h"
#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/launch.h"
#include "tools/terminal.h"

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

// Every message names the file or option concerned, then the program's own
// text in full; nothing from a file reaches the terminal raw.
TEST_F(Batch, FailuresExitOneNamingTheFileAndTheProgramsText) {
    const std::string out = " --out " + File("o.txt") + " ";
    struct Case {
        const char* name;
        std::string bytes;
        std::string args;  // after the method
        std::string err;   // after "cluster-batch: "
    } cases[] = {
        {"bad.csv", ",x\r\nA,1\r\nB,abc\r\n", "", "bad.csv: Error ===>  Cells[3,1] = abc"},
        {"short.csv", ",x,y\r\nA,1,2\r\nB,3\r\n", "", "short.csv: Error ===>  Cells[3,2] = "},
        {"esc.csv", ",x\r\nA,1\r\nB,\"\x1b[2J\x07\x7f\x81\"\r\n", "", R"(esc.csv: Error ===>  Cells[3,1] = \x1b[2J\x07\x7f\x81)"},
        {"missing.dat", "", "", "missing.dat: ファイルが見つかりません."},
        {"gone\x1b[2J\x9b.dat", "", "", R"(gone\x1b[2J\x9b.dat: ファイルが見つかりません.)"},
        {"one.dat", "3\r\n3\r\n\r\nx\r\nA\r\n1\r\n", "",
         "one.dat: Range error in SeekC: 分析には少なくとも 2 個の対象が必要です (この表は 1 個)"},
        {"none.dat", "2\r\n3\r\n\r\nx\r\n", "",
         "none.dat: Range error in SeekC: 分析には少なくとも 2 個の対象が必要です (この表は 0 個)"},
        {"count.dat", "many\r\n3\r\n", "", "count.dat: 行数の行: 入力値が数値ではありません."},
        {"cols.dat", "3\r\n3x\r\n", "", "cols.dat: 列数の行: 入力値が数値ではありません."},
        {"in2.dat", kData, "--pdf " + File("no/e.pdf"),
         "--pdf " + File("no/e.pdf") + ": 印刷を開始できません: 不正なファイル名です."},
        {"in3.dat", kData, "--merges " + File("no/m.txt"), "--merges " + File("no/m.txt") + ": 不正なファイル名です."},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty()) Write(c.name, c.bytes);
        const Result r = Run("--method centroid " + c.args + out + File(c.name));
        EXPECT_EQ(r.status, 1) << c.name;
        const std::string subject = c.err[0] == '-' ? "" : dir_ + "/";
        EXPECT_EQ(r.err, "cluster-batch: " + subject + c.err + "\n") << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(File("e.pdf")));

    Write("big.dat", "1003\r\n3\r\n");
    Result r = Run("--method ward" + out + File("big.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1000"), std::string::npos) << r.err;
    EXPECT_EQ(Run("--method ward --out " + File("o.txt") + " " + dir_).status, 1);  // a folder
    r = Run("--method ward --out " + dir_ + "/no/o.txt " + File("in.dat"));
    EXPECT_EQ(r.err, "cluster-batch: --out " + dir_ + "/no/o.txt: 不正なファイル名です.\n");
}

// No run may write over its input or write one file twice; the check comes
// before anything is created and names both options.
TEST_F(Batch, TheSameFileTwiceIsRefusedBeforeAnythingIsCreated) {
    Write("in.dat", kData);
    ASSERT_EQ(::link(File("in.dat").c_str(), File("hard.dat").c_str()), 0);
    ASSERT_EQ(::symlink(File("in.dat").c_str(), File("soft.dat").c_str()), 0);
    const std::string in = " " + File("in.dat");
    struct Case {
        std::string args;
        const char* first;
        const char* second;
    } cases[] = {
        {"--out " + File("in.dat") + in, "INPUT", "--out"},
        {"--out " + File("hard.dat") + in, "INPUT", "--out"},
        {"--out " + File("soft.dat") + in, "INPUT", "--out"},
        {"--out " + dir_ + "/./in.dat" + in, "INPUT", "--out"},
        {"--out " + File("o.txt") + " --pdf " + File("in.dat") + in, "INPUT", "--pdf"},
        {"--out " + File("o.txt") + " --merges " + File("o.txt") + in, "--out", "--merges"},
        {"--out " + File("o.txt") + " --pdf " + dir_ + "//o.txt" + in, "--out", "--pdf"},
        {"--out " + File("o.txt") + " --merges " + File("m.txt") + " --pdf " + File("m.txt") + in, "--merges",
         "--pdf"},
    };
    for (const Case& c : cases) {
        const Result r = Run("--method ward " + c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err.rfind("cluster-batch: ", 0), 0u) << r.err;
        const size_t a = r.err.find(std::string(c.first) + " "), b = r.err.find(std::string(c.second) + " ");
        EXPECT_TRUE(a != std::string::npos && b != std::string::npos && a < b) << r.err;
        EXPECT_EQ(Read(File("in.dat")), kData);
        EXPECT_FALSE(std::filesystem::exists(File("o.txt")) || std::filesystem::exists(File("m.txt")));
    }
}

// Every output is all or nothing: a write that fails (a full disk, a file
// size limit, /dev/full, a FIFO without a reader) is an error naming the
// option and leaves an old file as it was, with nothing beside it; any name
// the system takes works (bytes that are not UTF-8, 255 bytes).
class BatchWriteFaults : public Batch {
protected:
    void SetUp() override {
        // 300 objects: every output, the centroid method's distance table
        // included, is larger than 10 KB.
        std::string data = "302\r\n3\r\n\r\nx\r\n";
        for (int i = 1; i <= 300; ++i) data += "A" + std::to_string(i) + "\r\n" + std::to_string(i * i % 17) + "\r\n";
        Write("in.dat", data);
        std::filesystem::create_directory(File("ref"));
        for (const std::string option : {"--out", "--merges", "--newick", "--pdf"})
            ASSERT_EQ(RunShell(Args(option, File("ref/" + option.substr(2)), "")).status, 0) << option;
    }
    // The command line writing `option` to `target` (and --out elsewhere).
    std::string Args(const std::string& option, const std::string& target, const std::string& prefix) const {
        const std::string out = option == "--out" ? "" : " --out /dev/null";
        return prefix + CLUSTER_BATCH + " --method centroid" + out + " " + option + " '" + target + "' " +
               File("in.dat");
    }
    Result RunShell(const std::string& cmd) const {
        const int status = std::system(("timeout 20 bash -c \"" + cmd + " 2>" + File("err.txt") + "\"").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(File("err.txt"))};
    }
    static std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // What the reference run wrote for `option` (a PDF: its first bytes only,
    // since it carries its time of making).
    std::string Expected(const std::string& option) const {
        const std::string bytes = Read(File("ref/" + option.substr(2)));
        return option == "--pdf" ? bytes.substr(0, 8) : bytes;
    }
    static std::string Got(const std::string& option, const std::string& path) {
        const std::string bytes = Read(path);
        return option == "--pdf" ? bytes.substr(0, 8) : bytes;
    }
};

TEST_F(BatchWriteFaults, EveryOutputKeepsTheOldFileOrWritesTheNewOneWhole) {
    testing::SmallDisk disk(256 * 1024);
    ASSERT_EQ(::mkfifo(File("fifo").c_str(), 0600), 0);
    const std::string sjisName = "\x83\x65\x83\x58\x83\x67.x", longName = std::string(253, 'n') + ".x";
    struct Fault {
        const char* name;
        std::string folder;       // where the target lies ("" for a device or a FIFO)
        std::string target;       // its name in the folder, or its path
        std::string prefix;       // shell commands before the run
        int status;               // expected exit status
        const char* message;      // in the message, for a failure
    };
    std::vector<Fault> faults = {
        {"size limit", dir_ + "/limited", "result", "trap '' XFSZ; ulimit -f 2; ", 1, ""},
        {"not UTF-8", dir_ + "/sjis", sjisName, "", 0, ""},
        {"255 bytes", dir_ + "/long", longName, "", 0, ""},
        {"FIFO", "", File("fifo"), "", 1, "ファイルへのアクセスが拒否されました"},
        {"/dev/full", "", "/dev/full", "", 1, "ディスクがいっぱいです"},
    };
    if (disk.Mounted()) {
        std::filesystem::create_directory(disk.File("full"));
        testing::WriteAll(disk.File("full/result"), "old");  // a full disk takes no new file
        disk.Fill(3000);
        faults.push_back({"full disk", disk.File("full"), "result", "", 1, ""});
    }
    for (const Fault& f : faults) {
        if (!f.folder.empty()) std::filesystem::create_directories(f.folder);
        for (const std::string option : {"--out", "--merges", "--newick", "--pdf"}) {
            const std::string what = std::string(f.name) + " " + option;
            const std::string target = f.folder.empty() ? f.target : f.folder + "/" + f.target;
            if (!f.folder.empty() && Read(target) != "old") testing::WriteAll(target, "old");
            const Result r = RunShell(Args(option, target, f.prefix));
            EXPECT_EQ(r.status, f.status) << what << ": " << r.err;
            if (f.status != 0) {
                EXPECT_EQ(r.err.rfind("cluster-batch: " + option + " ", 0), 0u) << what << ": " << r.err;
                EXPECT_NE(r.err.find(f.message), std::string::npos) << what << ": " << r.err;
            }
            if (f.folder.empty()) continue;
            EXPECT_EQ(Listing(f.folder), std::vector<std::string>{f.target}) << what;
            EXPECT_EQ(Got(option, target), f.status == 0 ? Expected(option) : "old") << what;
        }
    }
}

// Staging replaces only regular files: a pipe is written into and stays a
// pipe, a symbolic link is written through and stays a link, and the file
// it leads to keeps its mode.
TEST_F(Batch, StagingKeepsPipesAndLinks) {
    Write("in.dat", kData);
    Write("real.txt", "old");
    ::chmod(File("real.txt").c_str(), 0640);
    ASSERT_EQ(::symlink("real.txt", File("link.pdf").c_str()), 0);
    ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
    // The pipe has its reader before the batch starts (a reader started
    // beside it could come too late for its non-blocking open); the merge
    // history of this small table fits in the pipe's buffer.
    const int reader = ::open(File("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string cmd = std::string(CLUSTER_BATCH) + " --method ward --out " + File("o.txt") + " --merges " +
                            File("pipe") + " --pdf " + File("link.pdf") + " " + File("in.dat");
    const int status = std::system(("timeout 20 bash -c '" + cmd + "'").c_str());
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = ::read(reader, buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
    ::close(reader);
    ASSERT_EQ(status, 0);
    struct stat st;
    ASSERT_EQ(::lstat(File("pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(got.rfind("id\tleft\tright", 0), 0u);
    ASSERT_EQ(::lstat(File("link.pdf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(File("real.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Read(File("real.txt")).rfind("%PDF", 0), 0u);
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
}

// An interrupt or an end stops the run halfway and leaves no temporary file;
// a signal the caller ignored (nohup) stays ignored and the run completes.
// Output that cannot arrive is a failure, whatever the caller left of the
// standard streams.
TEST_F(Batch, SignalsAndStandardStreams) {
    std::string big = "1002\r\n202\r\n\r\n";  // long enough a run to stop halfway
    for (int k = 1; k <= 200; ++k) big += "a" + std::to_string(k) + "\r\n";
    for (int i = 1; i <= 1000; ++i) {
        big += "o" + std::to_string(i) + "\r\n";
        for (int k = 1; k <= 200; ++k) big += std::to_string((i * 7919 + k * 104729) % 99991) + ".5\r\n";
    }
    Write("big.dat", big);
    // The temporary files of the staged output `name` in the folder.
    auto temps = [&](const std::string& name) {
        int count = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            count += e.path().filename().string().starts_with("." + name + ".");
        return count;
    };
    ASSERT_EQ(Run("--method centroid --out " + File("complete.txt") + " " + File("big.dat")).status, 0);
    const std::string complete = Read(File("complete.txt"));
    struct Case {
        const char* merges;
        int sig;
        bool ignored;  // by the caller
    } cases[] = {{"m1.tsv", SIGTERM, false}, {"m2.tsv", SIGINT, false}, {"m3.tsv", SIGHUP, false},
                 {"m4.tsv", SIGHUP, true}};
    for (const Case& c : cases) {
        const std::string out = File("o.txt"), in = File("big.dat"), merges = File(c.merges);
        Write("o.txt", "old");
        const pid_t command = ::fork();
        if (command == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::signal(c.sig, c.ignored ? SIG_IGN : SIG_DFL);  // whatever this test was handed
            ::execl(CLUSTER_BATCH, CLUSTER_BATCH, "--method", "centroid", "--out", out.c_str(), "--merges",
                    merges.c_str(), in.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The output file's temporary one holds the echo while the distances
        // are written: the run is halfway. (The empty one made before the
        // table is read goes at once.)
        auto halfway = [&] {
            for (const auto& e : std::filesystem::directory_iterator(dir_)) {
                std::error_code ec;
                if (e.path().filename().string().starts_with(".o.txt.") && e.file_size(ec) > 0 && !ec) return true;
            }
            return false;
        };
        bool reached = false;
        for (int i = 0; i < 50000 && !(reached = halfway()); ++i) ::usleep(100);
        ASSERT_TRUE(reached) << c.merges;
        ::kill(command, c.sig);
        int status = 0;
        ASSERT_EQ(::waitpid(command, &status, 0), command);
        if (c.ignored) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.merges << " " << status;
            EXPECT_TRUE(std::filesystem::exists(merges)) << c.merges;
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << c.merges << " " << status;
            EXPECT_FALSE(std::filesystem::exists(merges)) << c.merges;
            // The output file is the old one or the new one whole, never a part.
            EXPECT_TRUE(Read(out) == "old" || Read(out) == complete) << c.merges;
        }
        EXPECT_EQ(temps(c.merges) + temps("o.txt"), 0) << c.merges << ": a temporary file left behind";
    }

    Write("in.dat", kData);
    const std::string command = std::string(CLUSTER_BATCH) + " --method ward --cut 2 --out ";
    auto statusOf = [](const std::string& cmd) {
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(statusOf(command + dir_ + "/no/o.txt " + File("in.dat") + " >&- 2>&-"), 1);  // fails on its own
    EXPECT_EQ(statusOf(command + File("o.txt") + " " + File("in.dat") + " <&- 2>&- >/dev/null"), 0);
    EXPECT_EQ(statusOf(command + File("o.txt") + " " + File("in.dat") + " >/dev/full 2>/dev/null"), 1);
}

// Command lines as scripts write them: standard input and output as "-",
// pipes and FIFOs as INPUT, the linkage matrix, usage and exit codes. Each
// row: the command (B the command, D the folder), its exit status, what its
// standard output must be ("=FILE": that file's bytes, "^TEXT": beginning
// with TEXT, else exactly), a text its standard error must hold, and a file
// it must have written with the bytes of another.
TEST_F(Batch, CommandLinesAsScriptsWriteThem) {
    const std::string planets = std::string(CLUSTER_SOURCE_DIR) + "/examples/planets";
    ::setenv("B", CLUSTER_BATCH, 1);
    ::setenv("D", dir_.c_str(), 1);
    ::setenv("P", planets.c_str(), 1);
    ASSERT_EQ(::mkfifo(File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(std::system("$B --method ward --out $D/ref.out --linkage $D/ref.link --merges $D/ref.merges $P.dat"), 0);
    struct Row {
        std::string cmd;
        int status = 0;
        std::string out = "", err = "", file = "", sameAs = "";
    } rows[] = {
        {"cat $P.csv | $B --method ward --input-format csv --out - -", 0, "=ref.out"},
        {"$B --method ward --out $D/o1 - < $P.dat", 0, "", "", "o1", "ref.out"},
        {"$B --method ward --out $D/o2 /dev/stdin < $P.dat", 0, "", "", "o2", "ref.out"},
        {"$B --method ward --input-format csv --out $D/o3 <(cat $P.csv)", 0, "", "", "o3", "ref.out"},
        {"(cat $P.dat > $D/fifo &); $B --method ward --out $D/o4 $D/fifo", 0, "", "", "o4", "ref.out"},
        {"$B --method ward --out $D/o5 --linkage - $P.csv", 0, "=ref.link"},
        // A FIFO's reader gets the whole file, every time (a reader that ends
        // at the end of its input lost it when the FIFO was closed too soon;
        // whether it does depends on timing, hence 20 tries).
        {"mkfifo $D/ff; for i in $(seq 20); do (cat $D/ff > $D/got) & sleep 0.05; "
         "$B --method ward --out /dev/null --merges $D/ff $P.dat || exit 3; wait; cmp -s $D/got $D/ref.merges || exit 4; "
         "done",
         0},
        {"$B --method ward --out /dev/null --merges - $P.csv", 0, "=ref.merges"},
        {"cat $P.csv | $B --method ward --out $D/o6 -", 1, "", "cluster-batch: standard input: 行数の行"},
        {"$B --method ward --out - --linkage - $P.csv", 2, "", "only one output"},
        {"$B --method ward --out - --cut 2 $P.csv", 2, "", "--cut"},
        {"$B", 2, "", "Usage: cluster-batch"},
        {"$B --help", 0, "^Usage: cluster-batch"},
        {"$B --method ward --out $D/o7 --font-size 0 $P.csv", 2, "", "cluster-batch: --font-size 0: "},
        {"$B --method ward --out $D/o7 --font-size 12pt --pdf $D/p.pdf $P.csv", 2, "", "--font-size 12pt: '12pt'"},
        {"$B --method ward --out $D/o7 --cut x $P.csv", 2, "", "cluster-batch: --cut x: "},
        {"$B --method ward --out $D/o7 --cut 9 $P.csv", 2, "", "from 1 to 8"},
        {"$B --method ward --method ward --out $D/o7 $P.csv", 2, "", "'--method' given more than once"},
        {"$B --method ward --input-format xml --out $D/o7 $P.csv", 2, "", "--input-format xml"},
        {"$B --method average --out $D/o7 $P.csv", 2, "", "--method average"},
        {"$B --method ward $P.csv", 2, "", "--out is required"},
        {"$B --method ward --out $D/o7", 2, "", "an input file is required"},
        {"$B --method ward --out $D/o7 a b", 2, "", "more than one input"},
        {"$B --method ward --out $D/o7 --bogus $P.csv", 2, "", "unknown option '--bogus'"},
        {"$B --method", 2, "", "missing value after '--method'"},
        {"$B --method ward --out $D/o7 --out $D/o8 $P.csv", 2, "", "'--out' given more than once"},
        {"$B --method ward --out= $P.csv", 2, "", "--out: an empty value"},
        {"$B --method ward --out $D/o7 $D", 1, "", "ファイルへのアクセスが拒否されました"},
        {"$B --method ward --out $D/o7 $D/missing.dat", 1, "", "ファイルが見つかりません"},
        {"LC_ALL=C $B --method ward --out $D/o7 $D/missing.dat", 1, "", ": \\u30D5\\u30A1\\u30A4\\u30EB\\u304C"},
    };
    for (const Row& r : rows) {
        const int status = std::system(("bash -c '" + r.cmd + " >$D/stdout 2>$D/stderr'").c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, r.status) << r.cmd;
        const std::string out = Read(File("stdout")), err = Read(File("stderr"));
        if (r.out.starts_with("=")) {
            EXPECT_EQ(out, Read(File(r.out.substr(1)))) << r.cmd;
        } else if (r.out.starts_with("^")) {
            EXPECT_EQ(out.rfind(r.out.substr(1), 0), 0u) << r.cmd << "\n" << out;
        } else {
            EXPECT_EQ(out, r.out) << r.cmd;
        }
        EXPECT_NE(err.find(r.err), std::string::npos) << r.cmd << "\n" << err;
        if (!r.file.empty()) {
            EXPECT_EQ(Read(File(r.file)), Read(File(r.sameAs))) << r.cmd;
        }
    }
    // The help lists no option that fails, and every option that works.
    std::system("$B --help >$D/help");
    const std::string help = Read(File("help"));
    EXPECT_EQ(help.find("help-all"), std::string::npos);
    for (const char* option : {"--method", "--input-format", "--out", "--merges", "--linkage", "--pdf", "--newick",
                               "--font-size", "--cut", "--version"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

// Messages in the locale's encoding; what it cannot hold as \u escapes.
TEST(Terminal, MessagesInTheLocalesEncoding) {
    const std::string text = "x: ファイル \xF0\x9F\x98\x80";
    EXPECT_EQ(batch::ForTerminal(text, "UTF-8"), text);
    EXPECT_EQ(batch::ForTerminal(text, "EUC-JP"), "x: \xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB \\U0001F600");
    EXPECT_EQ(batch::ForTerminal(text, "SHIFT_JIS"), "x: \x83\x74\x83\x40\x83\x43\x83\x8B \\U0001F600");
    EXPECT_EQ(batch::ForTerminal(text, "ANSI_X3.4-1968"), "x: \\u30D5\\u30A1\\u30A4\\u30EB \\U0001F600");
}

// The linkage matrix: one merge a line, the two clusters (objects 0..N-1,
// merge k as N+k), the height reading back as the merge history's, the size.
TEST_F(Batch, LinkageMatrixMatchesTheMergeHistory) {
    Write("in.csv", ",x,y\r\nA,0,0\r\nB,4,0\r\nC,2,3\r\nD,2,3\r\nE,9,9\r\n");
    ASSERT_EQ(Run("--method centroid --out " + File("o") + " --merges " + File("m") + " --linkage " + File("l") + " " +
                  File("in.csv"))
                  .status,
              0);
    std::istringstream merges(Read(File("m"))), linkage(Read(File("l")));
    std::string header;
    std::getline(merges, header);
    const int n = 5;
    int k = 0;
    for (std::string id, left, right, height, members; merges >> id >> left >> right >> height >> members; ++k) {
        std::string a, b, h, size;
        ASSERT_TRUE(linkage >> a >> b >> h >> size);
        EXPECT_EQ(std::stoi(id), n + 1 + k);
        EXPECT_EQ(std::stoi(a), std::stoi(left) - 1);
        EXPECT_EQ(std::stoi(b), std::stoi(right) - 1);
        EXPECT_EQ(h, height);
        EXPECT_EQ(size, members);
    }
    EXPECT_EQ(k, n - 1);
    std::string extra;
    EXPECT_FALSE(linkage >> extra);
}

}  // namespace
}  // namespace ca
