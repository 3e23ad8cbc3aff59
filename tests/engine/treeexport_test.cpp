#include "engine/treeexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <numeric>

#include "common/error.h"
#include "common/sjis.h"
#include "engine/agglomerate.h"
#include "tests/engine/fixture.h"

namespace ca::testing {
namespace {

// A Newick tree as read back: a leaf's label, or two children; the length of
// the branch above it (none at the root).
struct Node {
    std::string label;
    std::vector<Node> children;
    bool hasLength = false;
    long double length = 0;
};

// A small reader for what the tree writer needs: binary nodes, quoted and
// unquoted labels (underscores read as blanks), lengths read with strtold.
class NewickReader {
public:
    explicit NewickReader(std::string t) : t_(std::move(t)) {}
    Node Read() {
        Node root = ReadNode();
        Expect(';');
        EXPECT_EQ(t_.substr(i_), "\n");
        return root;
    }

private:
    void Expect(char c) {
        ASSERT_LT(i_, t_.size());
        ASSERT_EQ(t_[i_], c) << "at " << i_ << " of " << t_;
        ++i_;
    }
    Node ReadNode() {
        Node n;
        if (t_[i_] == '(') {
            ++i_;
            n.children.push_back(ReadNode());
            Expect(',');
            n.children.push_back(ReadNode());
            Expect(')');
        } else if (t_[i_] == '\'') {
            for (++i_; i_ < t_.size(); ++i_) {
                if (t_[i_] == '\'' && t_[i_ + 1] == '\'') ++i_;
                else if (t_[i_] == '\'') break;
                n.label.push_back(t_[i_]);
            }
            Expect('\'');
        } else {
            while (i_ < t_.size() && std::string_view("(),:;'[] \t\n").find(t_[i_]) == std::string_view::npos)
                n.label.push_back(t_[i_] == '_' ? ' ' : t_[i_]), ++i_;
        }
        if (t_[i_] == ':') {
            char* end = nullptr;
            n.length = std::strtold(t_.c_str() + i_ + 1, &end);
            n.hasLength = end != t_.c_str() + i_ + 1;
            i_ = static_cast<size_t>(end - t_.c_str());
        }
        return n;
    }
    std::string t_;
    size_t i_ = 0;
};

// Whether a height summed from the leaves up is the merge height, or one of
// its neighbours when the difference needed one bit more than 80 bits hold.
bool WithinOneUlp(long double got, long double want) {
    return SameBits(got, want) || SameBits(got, std::nextafter(want, -HUGE_VALL)) ||
           SameBits(got, std::nextafter(want, HUGE_VALL));
}

// The read tree is the merge history: the same children in the same order,
// the labels, each branch the parent's height less the child's to the bit,
// and heights summed from the leaves up, through either child, the merge
// heights.
void SameTree(const Node& n, const ClusterRecord& rec, const ClusterRecord* parent, const AnalysisStore& s) {
    if (parent) {
        ASSERT_TRUE(n.hasLength);
        EXPECT_TRUE(SameBits(n.length, parent->Height - rec.Height)) << "branch above " << rec.Id;
    } else {
        EXPECT_FALSE(n.hasLength);
    }
    if (!rec.Left) {
        ASSERT_TRUE(n.children.empty());
        EXPECT_EQ(n.label, SjisToUtf8(s.Labels[rec.Id]));
        return;
    }
    ASSERT_EQ(n.children.size(), 2u);
    SameTree(n.children[0], *rec.Left, &rec, s);
    SameTree(n.children[1], *rec.Right, &rec, s);
    EXPECT_TRUE(WithinOneUlp(rec.Left->Height + n.children[0].length, rec.Height)) << "cluster " << rec.Id;
    EXPECT_TRUE(WithinOneUlp(rec.Right->Height + n.children[1].length, rec.Height)) << "cluster " << rec.Id;
}

// Random tables rich in ties and (centroid method) inversions, labels that
// Newick must quote.
void RandomTree(AnalysisStore& s, int n, bool ward, uint32_t seed) {
    Rows rows;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        rows.push_back({static_cast<long double>(seed >> 28), static_cast<long double>((seed >> 8) % 1000) / 7});
    }
    FillStore(s, rows, ward);
    const char* odd[] = {"a b", "it's", "x_y", "(p)", "", "東京", "a:b;c,d[e]", "tab\there"};
    for (int i = 1; i <= n; ++i) s.Labels[i] = i <= 8 ? J(odd[i - 1]) : "o" + std::to_string(i);
    ward ? WardMethod(s) : CentroidMethod(s);
}

TEST(TreeExport, NewickReadsBackAsTheMergeHistory) {
    for (int n : {2, 3, 8, 30, 200})
        for (bool ward : {false, true}) {
            AnalysisStore s;
            RandomTree(s, n, ward, static_cast<uint32_t>(n));
            SCOPED_TRACE(NewickTree(s));
            const Node root = NewickReader(NewickTree(s)).Read();
            SameTree(root, *s.ClusterTable[s.ClusterCount].Rec, nullptr, s);
        }
}

// Cutting into k clusters is doing the first n - k merges: the clusters agree
// with a union of the merged pairs in the order of formation, numbered by
// their first object.
TEST(TreeExport, CutIsTheFirstMergesNumberedByFirstObject) {
    for (int n : {2, 5, 40})
        for (bool ward : {false, true}) {
            AnalysisStore s;
            RandomTree(s, n, ward, 99u + static_cast<uint32_t>(n));
            std::map<int, const ClusterRecord*> merged;
            std::vector<const ClusterRecord*> stack{s.ClusterTable[s.ClusterCount].Rec};
            while (!stack.empty()) {
                const ClusterRecord* r = stack.back();
                stack.pop_back();
                if (!r->Left) continue;
                merged[r->Id] = r;
                stack.push_back(r->Left);
                stack.push_back(r->Right);
            }
            std::vector<int> group(static_cast<size_t>(2 * n));  // a cluster's object set by its smallest member
            for (int k = n; k >= 1; --k) {
                if (k < n) {  // one merge more: the cluster n + (n - k)
                    const ClusterRecord* r = merged.at(2 * n - k);
                    const int a = r->Left->Id, b = r->Right->Id;
                    group[static_cast<size_t>(r->Id)] = std::min(group[static_cast<size_t>(a)], group[static_cast<size_t>(b)]);
                    for (int& g : group)
                        if (g == group[static_cast<size_t>(a)] || g == group[static_cast<size_t>(b)])
                            g = group[static_cast<size_t>(r->Id)];
                } else {
                    std::iota(group.begin(), group.end(), 0);
                }
                std::vector<int> expected;
                std::map<int, int> number;
                for (int i = 1; i <= n; ++i) {
                    auto it = number.emplace(group[static_cast<size_t>(i)], static_cast<int>(number.size()) + 1).first;
                    expected.push_back(it->second);
                }
                EXPECT_EQ(CutTree(s, k), expected) << "n " << n << " k " << k;
            }
            EXPECT_THROW(CutTree(s, 0), RangeError);
            EXPECT_THROW(CutTree(s, n + 1), RangeError);
        }
    AnalysisStore s;
    RandomTree(s, 8, false, 3);
    const std::string table = CutTable(s, 8);
    EXPECT_EQ(table.substr(0, table.find('\n', table.find('\n') + 1)), "object\tlabel\tcluster\n1\ta b\t1");
    EXPECT_NE(table.find("\n8\ttab here\t8\n"), std::string::npos) << table;
}

}  // namespace
}  // namespace ca::testing
