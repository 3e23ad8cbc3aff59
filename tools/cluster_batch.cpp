// cluster-batch: the analysis of the windowed program without windows.
//   cluster-batch --method centroid|ward --out OUTFILE [--merges FILE]
//                 [--pdf FILE] [--font-size N] [--cut K] [--newick FILE] INPUT
// INPUT is read as CSV when its name ends in ".csv" (any case), else as the
// program's data file; the output file is the one the windows would write.
#include <QGuiApplication>
#include <QPrinter>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/sjis.h"
#include "common/textfile.h"
#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/grid.h"
#include "entry/launch.h"
#include "engine/dendrogram.h"
#include "engine/treeexport.h"
#include "common/numinput.h"
#include "platform/fonts.h"
#include "platform/locale.h"
#include "platform/printer_canvas.h"

namespace {

const char kUsage[] =
    "Usage: cluster-batch --method centroid|ward --out OUTFILE [--merges FILE]\n"
    "                     [--pdf FILE] [--font-size N] [--cut K] [--newick FILE]\n"
    "                     INPUT\n"
    "\n"
    "Runs a hierarchical cluster analysis of INPUT without windows.\n"
    "  INPUT            a data file of the program, or CSV when its name ends in .csv\n"
    "  --method M       centroid (the centroid method) or ward (Ward's method)\n"
    "  --out OUTFILE    the output file: the input echo and, for the centroid\n"
    "                   method, the distance table (Shift_JIS, CR LF)\n"
    "  --merges FILE    the merge history: id, left, right, height, members\n"
    "  --pdf FILE       the dendrogram as PDF, on as many A4 pages as it needs\n"
    "  --font-size N    the dendrogram's font size in points (default 12)\n"
    "  --cut K          print each object's cluster when the tree is cut into K\n"
    "                   clusters (1..N), as TSV: object, label, cluster\n"
    "  --newick FILE    the tree in Newick form (UTF-8)\n"
    "Exit status: 0 done, 1 the analysis failed (message on standard error),\n"
    "2 wrong arguments.\n";

struct Options {
    std::string method, out, merges, pdf, fontSize = "12", input;
    std::string cut, newick;  // tree export
    bool cutGiven = false;
};

int Usage(const std::string& problem) {
    if (!problem.empty()) std::cerr << "cluster-batch: " << problem << "\n\n";
    std::cerr << kUsage;
    return 2;
}

bool EndsWithCsv(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".csv";
}

// Qt's own notices (no runtime folder, font hints) are not the program's
// messages; only failures of Qt itself reach standard error.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
}

void ShowMessage(const std::string& sjis) { std::cerr << ca::SjisToUtf8(sjis) << "\n"; }

// Every merged cluster in the order of formation (ids N+1 .. 2N-1).
void WriteMerges(ca::AnalysisStore& s, const std::string& path) {
    std::vector<const ca::ClusterRecord*> merged;
    std::vector<const ca::ClusterRecord*> stack{s.ClusterTable[s.ClusterCount].Rec};
    while (!stack.empty()) {
        const ca::ClusterRecord* r = stack.back();
        stack.pop_back();
        if (!r->Left) continue;
        merged.push_back(r);
        stack.push_back(r->Left);
        stack.push_back(r->Right);
    }
    std::sort(merged.begin(), merged.end(), [](auto* a, auto* b) { return a->Id < b->Id; });
    ca::TextWriter out;
    out.Create(path);
    out.Write("id\tleft\tright\theight\tmembers\n");
    char height[64];
    for (const ca::ClusterRecord* r : merged) {
        std::snprintf(height, sizeof height, "%.20Le", r->Height);
        out.Write(std::to_string(r->Id) + "\t" + std::to_string(r->Left->Id) + "\t" + std::to_string(r->Right->Id) +
                  "\t" + height + "\t" + std::to_string(r->MemberCount) + "\n");
    }
    out.Close();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i], value;
        bool hasValue = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            value = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            hasValue = true;
        }
        auto take = [&](std::string& dst) -> bool {
            if (hasValue) {
                dst = value;
                return true;
            }
            if (i + 1 >= args.size()) return false;
            dst = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--method") {
            if (!take(o.method)) return Usage("--method needs a value");
        } else if (a == "--out") {
            if (!take(o.out)) return Usage("--out needs a file name");
        } else if (a == "--merges") {
            if (!take(o.merges)) return Usage("--merges needs a file name");
        } else if (a == "--pdf") {
            if (!take(o.pdf)) return Usage("--pdf needs a file name");
        } else if (a == "--font-size") {
            if (!take(o.fontSize)) return Usage("--font-size needs a value");
        } else if (a == "--cut") {  // tree export
            if (!take(o.cut)) return Usage("--cut needs a number of clusters");
            o.cutGiven = true;
        } else if (a == "--newick") {
            if (!take(o.newick)) return Usage("--newick needs a file name");
        } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
            return Usage("unknown option " + a);
        } else if (o.input.empty()) {
            o.input = args[i];
        } else {
            return Usage("more than one input file");
        }
    }
    if (o.method != "centroid" && o.method != "ward") return Usage("--method must be centroid or ward");
    if (o.out.empty()) return Usage("--out is required");
    if (o.input.empty()) return Usage("an input file is required");

    // Fonts and the PDF printer need a GUI application; no display is needed.
    std::unique_ptr<QGuiApplication> app;
    std::unique_ptr<QPrinter> printer;
    std::unique_ptr<ca::PrinterCanvas> canvas;
    if (!o.pdf.empty()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQt);
        static int qtArgc = 1;
        static char qtName[] = "cluster-batch";
        static char* qtArgv[] = {qtName, nullptr};
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        ca::RegisterFontSubstitutions();
        printer = ca::MakePdfPrinter(o.pdf);
        canvas = std::make_unique<ca::PrinterCanvas>(*printer);
    }
    const char separator = ca::LocaleDecimalSeparator();

    ca::AnalysisStore& s = ca::Store();
    try {
        ca::GridModel grid;
        ca::FormCreate(grid);
        if (EndsWithCsv(o.input))
            ca::ImportCsv(grid, o.input);
        else
            ca::LoadDataFile(grid, o.input);
        // Tree export: K must name a cut of this table's N objects.
        int cutK = 0;
        if (o.cutGiven) {
            const auto k = ca::ParseInt32(o.cut);
            const int n = grid.RowCount() - 2;
            if (!k || *k < 1 || *k > n)
                return Usage("--cut must be a number of clusters from 1 to " + std::to_string(n));
            cutK = *k;
        }
        const int distType = o.method == "centroid" ? 0 : 1;
        ca::LaunchResult launched =
            ca::Launch(s, grid, distType, [&]() -> std::optional<std::string> { return o.out; }, separator);
        if (launched.outcome == ca::LaunchOutcome::BadCell) {
            ShowMessage(launched.message);
            return 1;
        }
        ca::RunAnalysis(s, separator, [&] {
            if (!o.merges.empty()) WriteMerges(s, o.merges);
            if (canvas) ca::PrintDendrogram(s, *canvas, o.fontSize, separator);
            // Tree export.
            if (!o.newick.empty()) {
                ca::TextWriter newick;
                newick.Create(o.newick);
                newick.Write(ca::NewickTree(s));
                newick.Close();
            }
            if (cutK > 0) std::cout << ca::CutTable(s, cutK) << std::flush;
        });
    } catch (const ca::Error& e) {
        ShowMessage(e.Message());
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
