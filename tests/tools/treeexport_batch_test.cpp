// The tree export of the batch command: the cut on standard output, the
// Newick file, and K checked against the table before anything is written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"

namespace ca {
namespace {

TEST(BatchTreeExport, CutAndNewickOfAUtf8Table) {
    testing::TempDir tmp;
    // A spreadsheet's UTF-8 with a byte-order mark. Squared distances: the
    // first two merge at 1, C and D at 4, the root at 10.5 squared.
    testing::WriteAll(tmp.File("in.csv"), "\xEF\xBB\xBF,x\r\n東京,0\r\n\"New York\",1\r\nC,10\r\nD,12\r\n");
    auto run = [&](const std::string& args) {
        const std::string cmd = std::string(CLUSTER_BATCH) + " --method centroid --out " + tmp.File("out.txt") +
                                " " + args + " " + tmp.File("in.csv") + " >" + tmp.File("stdout") + " 2>/dev/null";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run("--cut 3 --newick " + tmp.File("tree.nwk")), 0);
    EXPECT_EQ(testing::ReadAll(tmp.File("stdout")),
              "object\tlabel\tcluster\n1\t東京\t1\n2\tNew York\t1\n3\tC\t2\n4\tD\t3\n");
    EXPECT_EQ(testing::ReadAll(tmp.File("tree.nwk")), "((東京:1,'New York':1):109.25,(C:4,D:4):106.25);\n");
    ASSERT_EQ(run("--cut=1"), 0);
    EXPECT_EQ(testing::ReadAll(tmp.File("stdout")),
              "object\tlabel\tcluster\n1\t東京\t1\n2\tNew York\t1\n3\tC\t1\n4\tD\t1\n");
    for (const char* bad : {"--cut 0", "--cut 5", "--cut x", "--cut="}) {
        std::filesystem::remove(tmp.File("out.txt"));
        EXPECT_EQ(run(bad), 2) << bad;
        EXPECT_FALSE(std::filesystem::exists(tmp.File("out.txt"))) << bad;
    }
}

}  // namespace
}  // namespace ca
