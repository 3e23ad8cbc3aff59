// cluster-batch: the analysis of the windowed program without windows.
//   cluster-batch --method centroid|ward --out OUTFILE [--merges FILE]
//                 [--pdf FILE] [--font-size N] [--cut K] [--newick FILE] INPUT
// INPUT is read as CSV when its name ends in ".csv" (any case), else as the
// program's data file; the output file is the one the windows would write.
// No two of INPUT and the files named by options may be the same file; the
// merge history and the PDF appear only when they are complete.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>
#include <utility>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/sjis.h"
#include "common/textfile.h"
#include "engine/store.h"
#include "engine/treeexport.h"
#include "common/numinput.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/grid.h"
#include "entry/launch.h"
#include "platform/locale.h"
#include "tools/batch_pdf.h"
#include "tools/batch_support.h"
#include "tools/work_in_child.h"

namespace {

using ca::batch::EscapeName;
using ca::batch::EscapeSjis;

// Options that name a file the command writes. Each takes part in the check
// that no two arguments name the same file.
struct OutputOption {
    const char* name;
    const char* valueName;
    const char* help;
    bool required;
};
const OutputOption kOutputOptions[] = {
    {"out", "OUTFILE",
     "The output file: the input echo and, for the centroid method, the distance table (Shift_JIS, CR LF).", true},
    {"merges", "FILE", "The merge history, tab-separated: id, left, right, height, members.", false},
    {"pdf", "FILE", "The dendrogram as PDF, on as many A4 pages as it needs.", false},
    {"newick", "FILE", "The tree in Newick form (UTF-8), branch lengths reading back as the 80-bit heights' differences.",
     false},
};

// A failure concerning one file or option: "cluster-batch: SUBJECT: TEXT".
struct Failure {
    std::string subject;  // UTF-8, as typed: "data.dat", "--pdf d.pdf"
    std::string text;     // Shift_JIS, the program's own text
};

int Report(const Failure& f, int status) {
    std::cerr << "cluster-batch: " << EscapeName(f.subject) << ": " << EscapeSjis(f.text) << "\n";
    return status;
}

int ArgumentError(const std::string& utf8) {
    std::cerr << "cluster-batch: " << EscapeName(utf8) << "\nTry 'cluster-batch --help'.\n";
    return 2;
}

bool EndsWithCsv(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".csv";
}

// The PDF module, beside the command in the build tree, or under
// lib/cluster-analysis of the prefix it is installed in.
BatchPdfFunction LoadPdfModule(std::string& why) {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::path(".") : exe.parent_path();
    for (const std::filesystem::path& candidate :
         {dir / "cluster-batch-pdf.so", dir / ".." / "lib" / "cluster-analysis" / "cluster-batch-pdf.so"}) {
        if (!std::filesystem::exists(candidate, ec)) continue;
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            why = ::dlerror();
            return nullptr;
        }
        if (auto f = reinterpret_cast<BatchPdfFunction>(::dlsym(module, "ca_batch_pdf"))) return f;
        why = candidate.string() + ": ca_batch_pdf not found";
        return nullptr;
    }
    why = (dir / "cluster-batch-pdf.so").string() + " not found";
    return nullptr;
}

// The temporary files of the staged outputs (below), for removal when the
// command is interrupted or ended by a signal: a run stopped halfway leaves
// nothing of its own behind. Fixed slots, read by the signal handler.
struct PendingTemp {
    std::atomic<bool> used{false};
    char path[PATH_MAX];
};
PendingTemp pendingTemps[4];

extern "C" void RemovePendingTemps(int sig) {
    for (PendingTemp& t : pendingTemps)
        if (t.used.load(std::memory_order_acquire)) ::unlink(t.path);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// The slot that now names `path`, or -1 (then only the end of the run removes it).
int AddPendingTemp(const std::string& path) {
    for (int i = 0; i < static_cast<int>(std::size(pendingTemps)); ++i) {
        PendingTemp& t = pendingTemps[i];
        if (t.used.load(std::memory_order_relaxed) || path.size() >= sizeof t.path) continue;
        std::memcpy(t.path, path.c_str(), path.size() + 1);
        t.used.store(true, std::memory_order_release);
        return i;
    }
    return -1;
}

void DropPendingTemp(int slot) {
    if (slot >= 0) pendingTemps[slot].used.store(false, std::memory_order_release);
}

// A file written under a temporary name in the folder of its final name and
// renamed to it only when complete; removed when not. A name that leads to
// something other than a regular file (a device such as /dev/null, a pipe)
// is written directly, and a symbolic link is written through: the file it
// leads to is replaced, keeping its mode.
class StagedFile {
public:
    // Raises ca::IoError when the temporary file cannot be made.
    explicit StagedFile(const std::string& path) : final_(path) {
        struct stat st;
        const bool exists = ::stat(path.c_str(), &st) == 0;
        struct stat lst;
        if ((exists && !S_ISREG(st.st_mode)) || (!exists && ::lstat(path.c_str(), &lst) == 0)) {
            temp_ = path;  // written in place
            direct_ = true;
            return;
        }
        mode_t mode;
        if (exists) {
            final_ = std::filesystem::canonical(path).string();
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        const std::filesystem::path p(final_);
        const std::string folder = p.has_parent_path() ? p.parent_path().string() : ".";
        std::string tmpl = folder + "/." + p.filename().string() + ".XXXXXX";
        const int fd = ::mkstemp(tmpl.data());
        // As for any file created: a missing folder is a bad name.
        if (fd < 0) throw ca::IoError(errno == ENOENT ? ca::kInvalidFileName : ca::IoCodeFromErrno(errno));
        ::fchmod(fd, mode);
        ::close(fd);
        temp_ = tmpl;
        slot_ = AddPendingTemp(temp_);
    }
    ~StagedFile() {
        if (!direct_ && !temp_.empty()) ::unlink(temp_.c_str());
        DropPendingTemp(slot_);
    }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const std::string& TempPath() const { return temp_; }
    void Commit() {
        if (direct_) return;
        if (::rename(temp_.c_str(), final_.c_str()) != 0) throw ca::IoError(ca::IoCodeFromErrno(errno));
        temp_.clear();
        DropPendingTemp(std::exchange(slot_, -1));
    }

private:
    std::string final_, temp_;
    bool direct_ = false;
    int slot_ = -1;
};

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
        // 21 significant digits, "." whatever the locale: strtold gives the height back.
        const auto end = std::to_chars(height, height + sizeof height, r->Height, std::chars_format::scientific, 20).ptr;
        out.Write(std::to_string(r->Id) + "\t" + std::to_string(r->Left->Id) + "\t" + std::to_string(r->Right->Id) +
                  "\t" + std::string(height, end) + "\t" + std::to_string(r->MemberCount) + "\n");
    }
    out.Close();
}

// Runs `step`; a ca::Error it raises becomes a Failure about `subject`.
template <typename Step>
void About(const std::string& subject, Step&& step) {
    try {
        step();
    } catch (const ca::Error& e) {
        throw Failure{subject, e.Message()};
    }
}

// The option that keeps the work in the command's own process (see main).
constexpr std::string_view kNoFork = "--no-fork";

// The command, once its work has its own process (see main).
int Run(int argc, char** argv) {
    QCoreApplication::setApplicationName("cluster-batch");
    QCoreApplication::setApplicationVersion("1.0");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs a hierarchical cluster analysis of INPUT without windows.\n"
        "INPUT is a data file of the program, or CSV when its name ends in .csv.\n"
        "Exit status: 0 done, 1 the analysis or a file failed (message on standard error), 2 wrong arguments.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption method("method", "centroid (the centroid method) or ward (Ward's method).", "M");
    const QCommandLineOption fontSize("font-size", "The dendrogram's font size in points (default 12).", "N", "12");
    parser.addOption(method);
    std::map<std::string, QCommandLineOption> outputs;
    for (const OutputOption& o : kOutputOptions) {
        outputs.emplace(o.name, QCommandLineOption(o.name, o.help, o.valueName));
        parser.addOption(outputs.at(o.name));
    }
    parser.addOption(fontSize);
    const QCommandLineOption cut("cut", "Print each object's cluster when the tree is cut into K clusters (1..N), "
                                 "as TSV on standard output: object, label, cluster.", "K");
    parser.addOption(cut);
    const QCommandLineOption noFork(std::string(kNoFork).substr(2).c_str(),
                                    "Do the work in the command's own process, which then ends only after "
                                    "freeing the run's memory (by default a child process does the work, and "
                                    "the command ends as soon as every file is written).");
    parser.addOption(noFork);
    parser.addPositionalArgument("INPUT", "The table to analyse.");

    // File names are bytes, not always UTF-8 (a Shift_JIS name, say). An
    // argument that would not come back unchanged through Qt's text is
    // handed to the parser as a stand-in and taken back as it was given.
    std::map<QString, std::string> raw;
    auto standIn = [&](const std::string& bytes) -> QString {
        const QString text = QFile::decodeName(QByteArray::fromStdString(bytes));
        if (QFile::encodeName(text).toStdString() == bytes && !text.startsWith(QChar(0xE000))) return text;
        const QString token = QChar(0xE000) + QString::number(raw.size());
        raw[token] = bytes;
        return token;
    };
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const size_t eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos)
            args << standIn(a.substr(0, eq + 1)) + standIn(a.substr(eq + 1));
        else
            args << standIn(a);
    }
    if (!parser.parse(args)) return ArgumentError(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        std::cout << parser.helpText().replace("<executable_name>", "cluster-batch").toStdString();
        return 0;
    }
    if (parser.isSet(version)) {
        std::cout << "cluster-batch 1.0\n";
        return 0;
    }
    auto bytes = [&](const QString& text) {
        auto it = raw.find(text);
        return it != raw.end() ? it->second : QFile::encodeName(text).toStdString();
    };
    auto value = [&](const QCommandLineOption& o) { return bytes(parser.value(o)); };
    const std::string methodName = value(method);
    if (methodName != "centroid" && methodName != "ward")
        return ArgumentError("--method " + methodName + ": must be centroid or ward");
    std::vector<ca::batch::FileArgument> files;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return ArgumentError(positional.empty() ? "an input file is required" : "more than one input file");
    const std::string input = bytes(positional[0]);
    files.push_back({"INPUT", input});
    std::map<std::string, std::string> outPath;
    for (const OutputOption& o : kOutputOptions) {
        const QCommandLineOption& opt = outputs.at(o.name);
        if (parser.values(opt).size() > 1) return ArgumentError(std::string("--") + o.name + " given more than once");
        if (!parser.isSet(opt)) {
            if (o.required) return ArgumentError(std::string("--") + o.name + " is required");
            continue;
        }
        const std::string path = value(opt);
        if (path.empty()) return ArgumentError(std::string("--") + o.name + ": an empty file name");
        outPath[o.name] = path;
        files.push_back({std::string("--") + o.name, path});
    }
    // Before anything is created: no file may be read and written, or written
    // twice.
    if (auto same = ca::batch::FindSameFile(files)) {
        const auto& a = files[same->first];
        const auto& b = files[same->second];
        return ArgumentError(a.option + " " + a.path + " and " + b.option + " " + b.path + " are the same file");
    }
    auto subject = [&](const std::string& option) { return "--" + option + " " + outPath.at(option); };

    try {
        std::unique_ptr<StagedFile> merges, pdf, newick;
        if (outPath.count("merges"))
            About(subject("merges"), [&] { merges = std::make_unique<StagedFile>(outPath["merges"]); });
        if (outPath.count("newick"))
            About(subject("newick"), [&] { newick = std::make_unique<StagedFile>(outPath["newick"]); });
        if (outPath.count("pdf")) {
            try {
                pdf = std::make_unique<StagedFile>(outPath["pdf"]);
            } catch (const ca::Error& e) {
                throw Failure{subject("pdf"), ca::J("印刷を開始できません: ") + e.Message()};
            }
        }
        BatchPdfFunction printPdf = nullptr;
        if (pdf) {
            std::string why;
            printPdf = LoadPdfModule(why);
            if (!printPdf) throw Failure{subject("pdf"), ca::J("印刷を開始できません: ") + why};
        }
        const char separator = ca::LocaleDecimalSeparator();

        ca::GridModel grid;
        ca::FormCreate(grid);
        try {
            if (EndsWithCsv(input))
                ca::ImportCsv(grid, input);
            else
                ca::LoadDataFile(grid, input);
        } catch (const ca::CountLineError& e) {
            throw Failure{input, e.Line() + ": " + e.Message()};
        } catch (const ca::Error& e) {
            throw Failure{input, e.Message()};
        }
        // The store, at its full capacity, is taken only for a table it can
        // hold: a file refused costs no more than its reading.
        try {
            ca::CheckTableSize(grid);
        } catch (const ca::Error& e) {
            throw Failure{input, e.Message()};
        }
        // A cut must name a number of clusters of this table.
        int cutK = 0;
        if (parser.isSet(cut)) {
            const auto k = ca::ParseInt32(value(cut));
            const int n = grid.RowCount() - 2;
            if (!k || *k < 1 || *k > n)
                return ArgumentError("--cut " + value(cut) + ": must be a number of clusters from 1 to " +
                                     std::to_string(std::max(n, 0)));
            cutK = *k;
        }
        std::string cutTable;
        ca::AnalysisStore& s = ca::Store();
        const int distType = methodName == "centroid" ? 0 : 1;
        ca::LaunchResult launched;
        try {
            launched = ca::Launch(s, grid, distType, [&]() -> std::optional<std::string> { return outPath["out"]; },
                                  separator);
        } catch (const ca::IoError& e) {
            throw Failure{subject("out"), e.Message()};
        } catch (const ca::Error& e) {
            throw Failure{input, e.Message()};
        }
        if (launched.outcome == ca::LaunchOutcome::BadCell) throw Failure{input, launched.message};
        try {
            ca::RunAnalysis(s, separator, [&] {
                if (merges) About(subject("merges"), [&] { WriteMerges(s, merges->TempPath()); });
                if (newick) About(subject("newick"), [&] {
                    ca::TextWriter out;
                    out.Create(newick->TempPath());
                    out.Write(ca::NewickTree(s));
                    out.Close();
                });
                if (cutK > 0) cutTable = ca::CutTable(s, cutK);
                if (printPdf) {
                    char message[4096];
                    const int status = printPdf(&s, pdf->TempPath().c_str(), value(fontSize).c_str(), separator,
                                                message, sizeof message);
                    if (status == kBatchPdfBadFontSize) throw Failure{"--font-size " + value(fontSize), message};
                    if (status != kBatchPdfDone) throw Failure{subject("pdf"), message};
                }
            });
        } catch (const ca::IoError& e) {
            throw Failure{subject("out"), e.Message()};
        } catch (const ca::Error& e) {
            std::string text = e.Message();
            if (text == "Range error in SeekC" && s.ObjectCount < 2)
                text += ca::J(": 分析には少なくとも 2 個の対象が必要です (この表は ") +
                        std::to_string(std::max(s.ObjectCount, 0)) + ca::J(" 個)");
            throw Failure{input, text};
        }
        if (merges) About(subject("merges"), [&] { merges->Commit(); });
        if (pdf) About(subject("pdf"), [&] { pdf->Commit(); });
        if (newick) About(subject("newick"), [&] { newick->Commit(); });
        std::cout << cutTable << std::flush;
    } catch (const Failure& f) {
        return Report(f, 1);
    } catch (const std::exception& e) {
        return Report(Failure{input, e.what()}, 1);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The work in a child: the command returns once the child has written
    // everything, and the child's exit, which frees the run's memory, follows
    // on its own. (The option is looked for before the arguments are parsed;
    // should it stand as the value of another option, the work merely stays
    // in this process.)
    if (std::none_of(argv + 1, argv + argc, [](const char* a) { return a == kNoFork; }))
        ca::batch::ContinueInChild();
    ca::batch::HandleEndSignals(RemovePendingTemps);
    int status = Run(argc, argv);
    // What went to standard output (the help, a cut) must have arrived.
    std::cout.flush();
    if (!std::cout && status == 0)
        status = Report(Failure{"standard output", ca::IoError(ca::IoCodeFromErrno(errno)).Message()}, 1);
    ca::batch::ReportFinished(status);
    return status;
}
