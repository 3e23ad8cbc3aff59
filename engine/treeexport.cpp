#include "engine/treeexport.h"

#include <charconv>

#include "common/error.h"
#include "common/sjis.h"

namespace ca {
namespace {

const ClusterRecord& Root(const AnalysisStore& s) {
    const ClusterRecord* root = s.ClusterTable[s.ClusterCount].Rec;
    if (!root) throw RangeError();
    return *root;
}

// A label as a Newick leaf: as it stands when it holds none of the
// characters Newick gives a meaning (underscores read as blanks), else quoted.
std::string NewickLabel(const std::string& sjis) {
    const std::string utf8 = SjisToUtf8(sjis);
    bool quote = utf8.empty();
    for (unsigned char c : utf8)
        if (c <= 0x20 || c == 0x7F || std::string_view("()[]':;,_").find(static_cast<char>(c)) != std::string_view::npos)
            quote = true;
    if (!quote) return utf8;
    std::string q = "'";
    for (char c : utf8) {
        if (c == '\'') q.push_back('\'');
        q.push_back(c);
    }
    return q + "'";
}

// The shortest decimal text that reads back as the same 80-bit value.
std::string Length(long double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

std::vector<int> CutTree(const AnalysisStore& s, int k) {
    const int n = s.ObjectCount;
    if (k < 1 || k > n) throw RangeError();
    // Clusters formed after the id 2n - k are the undone merges.
    const int lastKept = 2 * n - k;
    std::vector<int> top(static_cast<size_t>(n), 0);  // id of the object's cluster
    std::vector<std::pair<const ClusterRecord*, int>> stack{{&Root(s), 0}};
    while (!stack.empty()) {
        auto [rec, cluster] = stack.back();
        stack.pop_back();
        if (cluster == 0 && rec->Id <= lastKept) cluster = rec->Id;
        if (!rec->Left) {
            if (rec->Id < 1 || rec->Id > n) throw RangeError();
            top[static_cast<size_t>(rec->Id - 1)] = cluster;
            continue;
        }
        stack.emplace_back(rec->Right, cluster);
        stack.emplace_back(rec->Left, cluster);
    }
    // Number the clusters by their first object.
    std::vector<int> number(static_cast<size_t>(2 * n), 0), out;
    int next = 0;
    for (int id : top) {
        if (id < 1 || id >= 2 * n) throw RangeError();
        if (number[static_cast<size_t>(id)] == 0) number[static_cast<size_t>(id)] = ++next;
        out.push_back(number[static_cast<size_t>(id)]);
    }
    return out;
}

std::string CutTable(const AnalysisStore& s, int k) {
    const std::vector<int> cluster = CutTree(s, k);
    std::string t = "object\tlabel\tcluster\n";
    for (int i = 1; i <= s.ObjectCount; ++i) {
        std::string label = SjisToUtf8(s.Labels[i]);
        for (char& c : label)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        t += std::to_string(i) + "\t" + label + "\t" + std::to_string(cluster[static_cast<size_t>(i - 1)]) + "\n";
    }
    return t;
}

std::string NewickTree(const AnalysisStore& s) {
    // Depth first, first child first: "(" before a merged cluster's children,
    // "," between them, ")" after them; each subtree followed by its branch.
    std::string out;
    struct Step {
        const ClusterRecord* rec;
        const ClusterRecord* parent;
        int stage;  // 0: not begun, 1: between the children, 2: after them
    };
    std::vector<Step> stack{{&Root(s), nullptr, 0}};
    while (!stack.empty()) {
        Step& st = stack.back();
        const ClusterRecord* rec = st.rec;
        if (rec->Left && st.stage < 2) {
            out += st.stage == 0 ? "(" : ",";
            const ClusterRecord* child = st.stage == 0 ? rec->Left : rec->Right;
            if (!child) throw RangeError();
            ++st.stage;
            stack.push_back({child, rec, 0});
            continue;
        }
        if (rec->Left) out += ")";
        else out += NewickLabel(s.Labels[rec->Id]);
        if (st.parent) out += ":" + Length(st.parent->Height - rec->Height);
        stack.pop_back();
    }
    return out + ";\n";
}

}  // namespace ca
