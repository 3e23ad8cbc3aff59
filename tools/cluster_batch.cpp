// cluster-batch: the analysis of the windowed program without windows.
//   cluster-batch --method centroid|ward --out OUTFILE [--merges FILE]
//                 [--pdf FILE] [--font-size N] [--cut K] [--newick FILE] INPUT
// INPUT is read as CSV when its name ends in ".csv" (any case), else as the
// program's data file; the output file is the one the windows would write.
// No two of INPUT and the files named by options may be the same file; the
// merge history, the Newick tree and the PDF appear only when they are
// complete.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/numinput.h"
#include "common/sjis.h"
#include "common/textfile.h"
#include "engine/store.h"
#include "engine/treeexport.h"
#include "entry/csv.h"
#include "entry/csvencoding.h"
#include "entry/datafile.h"
#include "entry/grid.h"
#include "entry/launch.h"
#include "platform/locale.h"
#include "tools/batch_options.h"
#include "tools/batch_pdf.h"
#include "tools/batch_support.h"
#include "common/stagedfile.h"
#include "tools/terminal.h"

namespace {

using namespace ca::batch;
using ca::RemoveStagedFilesOnEndSignals;
using ca::ScratchFile;

// A failure concerning one file or option: "cluster-batch: SUBJECT: TEXT".
struct Failure {
    std::string subject;  // as typed: "data.dat", "--pdf d.pdf"
    std::string text;     // Shift_JIS, the program's own text
};

// A message on standard error, in the encoding of the user's locale.
void Tell(const std::string& utf8) {
    static const std::string codeset = LocaleCodeset();
    std::cerr << ForTerminal(utf8, codeset);
}

int Report(const Failure& f) {
    Tell("cluster-batch: " + EscapeName(f.subject) + ": " + EscapeSjis(f.text) + "\n");
    return 1;
}

int ReportArgumentError(const std::string& text) {
    Tell("cluster-batch: " + EscapeName(text) + "\nTry 'cluster-batch --help'.\n");
    return 2;
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

// The PDF module, beside the command in the build tree, or under
// libexec/cluster-analysis of the prefix it is installed in. Raises ca::Error.
WriteDendrogramPdfFunction LoadPdfModule() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = ec ? std::filesystem::path(".") : exe.parent_path();
    for (const std::filesystem::path& candidate :
         {dir / "cluster-batch-pdf.so", dir / ".." / "libexec" / "cluster-analysis" / "cluster-batch-pdf.so"}) {
        if (!std::filesystem::exists(candidate, ec)) continue;
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) throw ca::Error(::dlerror());
        if (auto f = reinterpret_cast<WriteDendrogramPdfFunction>(::dlsym(module, "ca_write_dendrogram_pdf")))
            return f;
        throw ca::Error(candidate.string() + ": ca_write_dendrogram_pdf not found");
    }
    throw ca::Error((dir / "cluster-batch-pdf.so").string() + " not found");
}

// INPUT as messages name it.
std::string InputSubject(const BatchOptions& o) { return o.input == "-" ? "standard input" : o.input; }

// A stream named as INPUT (standard input, a pipe, a FIFO, a device) copied
// into `scratch` as it comes, so that it is read like a file; no more than
// the CSV importer's bound and one byte are taken, so that a larger stream is
// refused as a larger file would be.
void CopyStream(const std::string& input, const ScratchFile& scratch, bool csv) {
    const int in = input == "-" ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw ca::IoError(ca::IoCodeFromErrno(errno));
    ca::TextWriter out;
    out.Create(scratch.Path());
    std::string buffer(1 << 16, '\0');
    uint64_t total = 0;
    while (total <= ca::kMaxCsvBytes) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ca::IoError(ca::IoCodeFromErrno(errno));
        if (n == 0) break;
        const size_t take = static_cast<size_t>(std::min<uint64_t>(n, ca::kMaxCsvBytes + 1 - total));
        out.Write(std::string_view(buffer.data(), take));
        total += take;
    }
    if (in != STDIN_FILENO) ::close(in);
    out.Close();
    if (total > ca::kMaxCsvBytes && !csv)
        throw ca::Error(ca::J("データファイルが大きすぎます。読み込めるのは ") +
                        std::to_string(ca::kMaxCsvBytes >> 20) + ca::J(" MB までです"));
}

// The table of INPUT, checked for what an analysis needs.
ca::GridModel ReadTable(const BatchOptions& o) {
    const std::string subject = InputSubject(o);
    ca::GridModel grid;
    ca::FormCreate(grid);
    try {
        // Anything but a regular file or a folder is read as a stream.
        struct stat st;
        std::optional<ScratchFile> copy;
        if (o.input == "-" || (::stat(o.input.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
            copy.emplace("");
            CopyStream(o.input, *copy, o.csv);
        }
        const std::string& path = copy ? copy->Path() : o.input;
        if (o.csv)
            ca::ImportCsv(grid, path);
        else
            ca::LoadDataFile(grid, path);
        // The store, at its full capacity, is taken only for a table it can
        // hold: a file refused costs no more than its reading.
        ca::CheckTableSize(grid);
    } catch (const ca::CountLineError& e) {
        throw Failure{subject, e.Line() + ": " + e.Message()};
    } catch (const ca::Error& e) {
        throw Failure{subject, e.Message()};
    }
    const int objects = std::max(grid.RowCount() - 2, 0);
    if (objects < 2)
        throw Failure{subject, "Range error in SeekC" + ca::J(": 分析には少なくとも 2 個の対象が必要です (この表は ") +
                                   std::to_string(objects) + ca::J(" 個)")};
    return grid;
}

// The number of clusters of --cut, from 1 to the table's object count.
int CutCount(const BatchOptions& o, const ca::GridModel& grid) {
    const int n = grid.RowCount() - 2;
    const auto k = ca::ParseInt32(o.cut);
    if (!k || *k < 1 || *k > n)
        throw ArgumentError("--cut " + o.cut + ": must be a number of clusters from 1 to " + std::to_string(n));
    return *k;
}

// Every merged cluster in the order of formation (ids N+1 .. 2N-1).
std::vector<const ca::ClusterRecord*> Merges(ca::AnalysisStore& s) {
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
    return merged;
}

// 21 significant digits, "." whatever the locale: strtold gives the height back.
std::string HeightText(long double height) {
    char text[64];
    return {text, std::to_chars(text, text + sizeof text, height, std::chars_format::scientific, 20).ptr};
}

void WriteMerges(ca::AnalysisStore& s, const std::string& path) {
    ca::TextWriter out;
    out.Create(path);
    out.Write("id\tleft\tright\theight\tmembers\n");
    for (const ca::ClusterRecord* r : Merges(s))
        out.Write(std::to_string(r->Id) + "\t" + std::to_string(r->Left->Id) + "\t" + std::to_string(r->Right->Id) +
                  "\t" + HeightText(r->Height) + "\t" + std::to_string(r->MemberCount) + "\n");
    out.Close();
}

// The linkage matrix of the Python scientific stack: objects are 0..N-1 and
// the k-th merge (from 0) is N+k, so that a cluster's number is its id - 1.
void WriteLinkage(ca::AnalysisStore& s, const std::string& path) {
    ca::TextWriter out;
    out.Create(path);
    for (const ca::ClusterRecord* r : Merges(s))
        out.Write(std::to_string(r->Left->Id - 1) + " " + std::to_string(r->Right->Id - 1) + " " +
                  HeightText(r->Height) + " " + std::to_string(r->MemberCount) + "\n");
    out.Close();
}

void WriteNewick(ca::AnalysisStore& s, const std::string& path) {
    ca::TextWriter out;
    out.Create(path);
    out.Write(ca::NewickTree(s));
    out.Close();
}

// The bytes of the file at `path` onto standard output, every write checked.
void CopyToStandardOutput(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ca::IoError(ca::IoCodeFromErrno(errno));
    // An empty file inserts nothing, which the stream would take for a failure.
    if (in.peek() != std::ifstream::traits_type::eof()) std::cout << in.rdbuf();
    if (!(std::cout << std::flush)) throw ca::IoError(ca::IoCodeFromErrno(errno));
}

// An output of the run: its file, which the writer puts in place when it is
// complete, or for "-" a scratch file sent to standard output at the end.
class Output {
public:
    Output(const char* option, const std::string& name) : option_(option), name_(name) {}
    bool Wanted() const { return !name_.empty(); }
    std::string Subject() const { return std::string("--") + option_ + " " + name_; }
    const std::string& Path() const { return scratch_ ? scratch_->Path() : name_; }
    // Before the table is read: whether the file can be made there, so that
    // a missing folder or a FIFO without a reader is refused before the
    // analysis, not after it. Raises IoError.
    void Prepare() {
        if (!Wanted()) return;
        if (name_ == "-") {
            scratch_ = std::make_unique<ca::ScratchFile>("");
            return;
        }
        // Made and dropped; a FIFO or a device is held open for the run, so
        // that its reader sees no end of input before the output comes.
        probe_ = std::make_unique<ca::StagedFile>(name_);
        if (!probe_->InPlace()) probe_.reset();
    }
    void Finish() const {
        if (scratch_) About(Subject(), [&] { CopyToStandardOutput(scratch_->Path()); });
    }

private:
    const char* option_;
    std::string name_;
    std::unique_ptr<ca::ScratchFile> scratch_;
    std::unique_ptr<ca::StagedFile> probe_;
};

// The PDF, drawn by the module into a scratch file (Qt takes file names as
// text, and a name that is not UTF-8 would not survive it), then copied to
// `path` with every write checked (Qt's own writes report no failure).
void WritePdf(WriteDendrogramPdfFunction draw, ca::AnalysisStore& s, const BatchOptions& o, const std::string& path,
              char separator) {
    const ScratchFile scratch(".pdf");
    try {
        draw(s, scratch.Path(), o.fontSize, separator);
    } catch (const ca::ConvertError& e) {
        throw Failure{"--font-size " + o.fontSize, e.Message()};
    }
    std::ifstream in(scratch.Path(), std::ios::binary);
    if (!in) throw ca::IoError(ca::kAccessDenied);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ca::TextWriter out;
    out.Create(path);
    out.Write(bytes);
    out.Close();
}

// The analysis and every file it writes; the cut table goes to standard
// output last. Raises Failure and ArgumentError.
void Run(const BatchOptions& o) {
    Output out("out", o.out), merges("merges", o.merges), linkage("linkage", o.linkage), newick("newick", o.newick),
        pdf("pdf", o.pdf);
    for (Output* file : {&out, &merges, &linkage, &newick}) About(file->Subject(), [&] { file->Prepare(); });
    WriteDendrogramPdfFunction drawPdf = nullptr;
    if (pdf.Wanted()) {
        try {
            pdf.Prepare();
            drawPdf = LoadPdfModule();
        } catch (const ca::Error& e) {
            throw Failure{pdf.Subject(), ca::J("印刷を開始できません: ") + e.Message()};
        }
    }
    const ca::GridModel grid = ReadTable(o);
    const int cut = o.cut.empty() ? 0 : CutCount(o, grid);
    const char separator = ca::LocaleDecimalSeparator();

    ca::AnalysisStore& s = ca::Store();
    ca::LaunchResult launched;
    try {
        launched = ca::Launch(s, grid, o.method == "ward" ? 1 : 0, [&] { return std::optional(out.Path()); },
                              separator);
    } catch (const ca::IoError& e) {
        throw Failure{out.Subject(), e.Message()};
    } catch (const ca::Error& e) {
        throw Failure{InputSubject(o), e.Message()};
    }
    if (launched.outcome == ca::LaunchOutcome::BadCell) throw Failure{InputSubject(o), launched.message};

    std::string cutTable;
    auto outputs = [&] {
        if (merges.Wanted()) About(merges.Subject(), [&] { WriteMerges(s, merges.Path()); });
        if (linkage.Wanted()) About(linkage.Subject(), [&] { WriteLinkage(s, linkage.Path()); });
        if (newick.Wanted()) About(newick.Subject(), [&] { WriteNewick(s, newick.Path()); });
        if (cut > 0) cutTable = ca::CutTable(s, cut);
        if (drawPdf) About(pdf.Subject(), [&] { WritePdf(drawPdf, s, o, pdf.Path(), separator); });
    };
    try {
        // The output file is put in place when the run closes it, also after
        // a failure in the analysis itself (as in the windows).
        ca::RunAnalysis(s, separator, outputs);
    } catch (const ca::IoError& e) {
        throw Failure{out.Subject(), e.Message()};
    } catch (const ca::Error& e) {
        throw Failure{InputSubject(o), e.Message()};
    }
    for (const Output* file : {&out, &merges, &linkage, &newick, &pdf}) file->Finish();
    std::cout << cutTable;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        std::cerr << kUsage;
        return 2;
    }
    RemoveStagedFilesOnEndSignals();
    BatchOptions options;
    int status = 0;
    try {
        options = ParseOptions(argc, argv);
        if (options.help)
            std::cout << kUsage;
        else if (options.version)
            std::cout << "cluster-batch " CLUSTER_VERSION "\n";
        else
            Run(options);
    } catch (const ArgumentError& e) {
        status = ReportArgumentError(e.what());
    } catch (const Failure& f) {
        status = Report(f);
    } catch (const std::exception& e) {
        status = Report(Failure{InputSubject(options), e.what()});
    }
    // What went to standard output (the help, a cut) must have arrived.
    std::cout.flush();
    if (!std::cout && status == 0)
        status = Report(Failure{"standard output", ca::IoError(ca::IoCodeFromErrno(errno)).Message()});
    return status;
}
