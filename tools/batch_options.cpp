#include "tools/batch_options.h"

#include <getopt.h>

#include <iterator>
#include <set>
#include <vector>

#include "tools/batch_support.h"

namespace ca::batch {

const std::string_view kUsage =
    "Usage: cluster-batch --method centroid|ward --out OUTFILE [options] INPUT\n"
    "Runs a hierarchical cluster analysis of INPUT without windows.\n"
    "INPUT is a data file of the program, or CSV when its name ends in .csv.\n"
    "Exit status: 0 done, 1 the analysis or a file failed (message on standard error), 2 wrong arguments.\n"
    "\n"
    "Options:\n"
    "  -h, --help       Displays this help.\n"
    "  -v, --version    Displays version information.\n"
    "  --method <M>     centroid (the centroid method) or ward (Ward's method).\n"
    "  --out <OUTFILE>  The output file: the input echo and, for the centroid\n"
    "                   method, the distance table (Shift_JIS, CR LF).\n"
    "  --merges <FILE>  The merge history, tab-separated: id, left, right, height,\n"
    "                   members.\n"
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

enum Key { kMethod = 256, kOut, kMerges, kPdf, kNewick, kFontSize, kCut };

// The options that take a value, and where it goes.
struct ValueOption {
    Key key;
    const char* name;
    std::string BatchOptions::*field;
    bool writtenFile;  // takes part in the check that no two arguments name the same file
};
const ValueOption kValueOptions[] = {
    {kMethod, "method", &BatchOptions::method, false},     {kOut, "out", &BatchOptions::out, true},
    {kMerges, "merges", &BatchOptions::merges, true},      {kPdf, "pdf", &BatchOptions::pdf, true},
    {kNewick, "newick", &BatchOptions::newick, true},      {kFontSize, "font-size", &BatchOptions::fontSize, false},
    {kCut, "cut", &BatchOptions::cut, false},
};

}  // namespace

BatchOptions ParseOptions(int argc, char** argv) {
    std::vector<option> longOptions = {{"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'v'}};
    for (const ValueOption& o : kValueOptions) longOptions.push_back({o.name, required_argument, nullptr, o.key});
    longOptions.push_back({});

    BatchOptions options;
    std::set<int> given;
    optind = 0;  // a fresh scan (glibc)
    opterr = 0;  // the messages are ours
    for (int key; (key = getopt_long(argc, argv, ":hv", longOptions.data(), nullptr)) != -1;) {
        const std::string arg = argv[optind - 1];
        if (key == '?') throw ArgumentError("unknown option '" + (optopt ? "-" + std::string(1, optopt) : arg) + "'");
        if (key == ':') throw ArgumentError("missing value after '" + arg + "'");
        if (!given.insert(key).second)
            throw ArgumentError("'" + arg.substr(0, arg.find('=')) + "' given more than once");
        if (key == 'h') options.help = true;
        if (key == 'v') options.version = true;
        for (const ValueOption& o : kValueOptions)
            if (o.key == key) {
                if (*optarg == '\0') throw ArgumentError(std::string("--") + o.name + ": an empty value");
                options.*o.field = optarg;
            }
    }
    if (options.help || options.version) return options;

    if (options.method != "centroid" && options.method != "ward")
        throw ArgumentError("--method " + options.method + ": must be centroid or ward");
    if (optind == argc) throw ArgumentError("an input file is required");
    if (optind + 1 < argc) throw ArgumentError("more than one input file");
    options.input = argv[optind];
    if (options.out.empty()) throw ArgumentError("--out is required");

    // Before anything is created: no file may be read and written, or
    // written twice.
    std::vector<FileArgument> files = {{"INPUT", options.input}};
    for (const ValueOption& o : kValueOptions)
        if (o.writtenFile && !(options.*o.field).empty())
            files.push_back({std::string("--") + o.name, options.*o.field});
    if (auto same = FindSameFile(files)) {
        const FileArgument& a = files[same->first];
        const FileArgument& b = files[same->second];
        throw ArgumentError(a.option + " " + a.path + " and " + b.option + " " + b.path + " are the same file");
    }
    return options;
}

}  // namespace ca::batch
