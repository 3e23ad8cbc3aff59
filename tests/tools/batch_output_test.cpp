// What the batch command gives back beyond the output file: the dendrogram
// on as many PDF pages as it needs, the cut on standard output, the Newick
// file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/files.h"

namespace ca {
namespace {

// 300 objects on A4 pages: every caption once, every page headed by the
// title, and the pages as many as the rows need.
TEST(BatchPdf, EveryCaptionOnSomePage) {
    testing::TempDir tmp;
    std::string csv = ",x,y\r\n";
    for (int i = 1; i <= 300; ++i)
        csv += "obj" + std::to_string(i) + "," + std::to_string(i * 37 % 101) + "," + std::to_string(i % 7) + "\r\n";
    testing::WriteAll(tmp.File("in.csv"), csv);
    const std::string cmd = std::string(CLUSTER_BATCH) + " --method ward --out " + tmp.File("out.txt") + " --pdf " +
                            tmp.File("d.pdf") + " " + tmp.File("in.csv") + " && pdftotext " + tmp.File("d.pdf") +
                            " " + tmp.File("d.txt") + " && pdfinfo " + tmp.File("d.pdf") + " >" + tmp.File("info");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string text = testing::ReadAll(tmp.File("d.txt"));
    std::map<std::string, int> seen;
    for (size_t at = 0; (at = text.find("obj", at)) != std::string::npos; at += 3) {
        size_t end = at + 3;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        ++seen[text.substr(at, end - at)];
    }
    EXPECT_EQ(seen.size(), 300u);
    for (const auto& [caption, count] : seen) EXPECT_EQ(count, 1) << caption;
    int pages = 0;
    for (size_t at = 0; (at = text.find("Ward法", at)) != std::string::npos; ++at) ++pages;
    const std::string info = testing::ReadAll(tmp.File("info"));
    EXPECT_NE(info.find("Pages:           " + std::to_string(pages) + "\n"), std::string::npos) << info;
    EXPECT_GE(pages, 300 / 60);  // no more than about 50 rows fit at 12 pt
}

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
