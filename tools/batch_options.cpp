#include "tools/batch_options.h"

#include <getopt.h>

#include <iterator>
#include <set>
#include <vector>

#include "common/error.h"
#include "common/numinput.h"
#include "common/sjis.h"
#include "engine/dendrogram.h"
#include "tools/batch_support.h"

namespace ca::batch {

const std::string_view kUsage =
    "Usage: cluster-batch --method centroid|ward --out OUTFILE [options] INPUT\n"
    "Runs a hierarchical cluster analysis of INPUT without windows.\n"
    "INPUT is a data file of the program, or CSV when its name ends in .csv;\n"
    "- reads standard input. A FILE of - is standard output (one at most).\n"
    "Exit status: 0 done, 1 the analysis or a file failed (message on standard error), 2 wrong arguments.\n"
    "\n"
    "Options:\n"
    "  -h, --help       Displays this help.\n"
    "  -v, --version    Displays version information.\n"
    "  --method <M>     centroid (the centroid method) or ward (Ward's method).\n"
    "  --input-format <F>\n"
    "                   csv or data: how INPUT is read (default: csv for a name\n"
    "                   ending in .csv, any case, else data).\n"
    "  --out <OUTFILE>  The output file: the input echo and, for the centroid\n"
    "                   method, the distance table (Shift_JIS, CR LF).\n"
    "  --merges <FILE>  The merge history, tab-separated: id, left, right, height,\n"
    "                   members.\n"
    "  --linkage <FILE> The merge history as a linkage matrix: first cluster,\n"
    "                   second cluster, height, size, separated by blanks; objects\n"
    "                   0..N-1, the k-th merge (from 0) N+k.\n"
    "  --pdf <FILE>     The dendrogram as PDF, on as many A4 pages as it needs.\n"
    "  --newick <FILE>  The tree in Newick form (UTF-8), branch lengths reading back\n"
    "                   as the 80-bit heights' differences.\n"
    "  --font-size <N>  The dendrogram's font size in points (default 12).\n"
    "  --cut <K>        Print each object's cluster when the tree is cut into K\n"
    "                   clusters (1..N), as TSV on standard output: object, label,\n"
    "                   cluster.\n"
    "\n"
    "Arguments:\n"
    "  INPUT            The table to analyse.\n";

namespace {

enum Key { kMethod = 256, kInputFormat, kOut, kMerges, kLinkage, kPdf, kNewick, kFontSize, kCut };

// The options that take a value, and where it goes.
struct ValueOption {
    Key key;
    const char* name;
    std::string BatchOptions::*field;
    bool writtenFile;  // takes part in the check that no two arguments name the same file
};
const ValueOption kValueOptions[] = {
    {kMethod, "method", &BatchOptions::method, false},
    {kInputFormat, "input-format", nullptr, false},
    {kOut, "out", &BatchOptions::out, true},
    {kMerges, "merges", &BatchOptions::merges, true},
    {kLinkage, "linkage", &BatchOptions::linkage, true},
    {kPdf, "pdf", &BatchOptions::pdf, true},
    {kNewick, "newick", &BatchOptions::newick, true},
    {kFontSize, "font-size", &BatchOptions::fontSize, false},
    {kCut, "cut", &BatchOptions::cut, false},
};

bool EndsWithCsv(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".csv";
}

}  // namespace

BatchOptions ParseOptions(int argc, char** argv) {
    std::vector<option> longOptions = {{"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'v'}};
    for (const ValueOption& o : kValueOptions) longOptions.push_back({o.name, required_argument, nullptr, o.key});
    longOptions.push_back({});

    BatchOptions options;
    std::string inputFormat;
    std::set<int> given;
    optind = 0;  // a fresh scan (glibc)
    opterr = 0;  // the messages are ours
    int index = -1;
    for (int key; (key = getopt_long(argc, argv, ":hv", longOptions.data(), &index)) != -1; index = -1) {
        const std::string arg = argv[optind - 1];
        if (key == '?') throw ArgumentError("unknown option '" + (optopt ? "-" + std::string(1, optopt) : arg) + "'");
        if (key == ':') throw ArgumentError("missing value after '" + arg + "'");
        const std::string name = index >= 0 ? std::string("--") + longOptions[index].name : "-" + std::string(1, key);
        if (!given.insert(key).second) throw ArgumentError("'" + name + "' given more than once");
        if (key == 'h') options.help = true;
        if (key == 'v') options.version = true;
        for (const ValueOption& o : kValueOptions)
            if (o.key == key) {
                if (*optarg == '\0') throw ArgumentError(std::string("--") + o.name + ": an empty value");
                (o.field ? options.*o.field : inputFormat) = optarg;
            }
    }
    if (options.help || options.version) return options;

    // Every value is checked, whether or not this run would use it.
    if (options.method != "centroid" && options.method != "ward")
        throw ArgumentError("--method " + options.method + ": must be centroid or ward");
    if (!inputFormat.empty() && inputFormat != "csv" && inputFormat != "data")
        throw ArgumentError("--input-format " + inputFormat + ": must be csv or data");
    try {
        DendrogramFontSize(options.fontSize);
    } catch (const Error& e) {
        throw ArgumentError("--font-size " + options.fontSize + ": " + SjisToUtf8(e.Message()));
    }
    if (!options.cut.empty() && ParseInt32(options.cut).value_or(0) < 1)
        throw ArgumentError("--cut " + options.cut + ": must be a number of clusters, 1 or more");
    if (optind == argc) throw ArgumentError("an input file is required");
    if (optind + 1 < argc) throw ArgumentError("more than one input file");
    options.input = argv[optind];
    options.csv = inputFormat.empty() ? options.input != "-" && EndsWithCsv(options.input) : inputFormat == "csv";
    if (options.out.empty()) throw ArgumentError("--out is required");

    // At most one output on standard output, and none beside the cut table.
    std::string toStdout;
    for (const ValueOption& o : kValueOptions) {
        if (!o.writtenFile || options.*o.field != "-") continue;
        if (!toStdout.empty())
            throw ArgumentError(toStdout + " - and --" + o.name + " -: only one output can go to standard output");
        toStdout = std::string("--") + o.name;
    }
    if (!toStdout.empty() && !options.cut.empty())
        throw ArgumentError(toStdout + " - and --cut: the cut table goes to standard output");

    // Before anything is created: no file may be read and written, or
    // written twice.
    std::vector<FileArgument> files;
    if (options.input != "-") files.push_back({"INPUT", options.input});
    for (const ValueOption& o : kValueOptions)
        if (o.writtenFile && !(options.*o.field).empty() && options.*o.field != "-")
            files.push_back({std::string("--") + o.name, options.*o.field});
    if (auto same = FindSameFile(files)) {
        const FileArgument& a = files[same->first];
        const FileArgument& b = files[same->second];
        throw ArgumentError(a.option + " " + a.path + " and " + b.option + " " + b.path + " are the same file");
    }
    return options;
}

}  // namespace ca::batch
