#include "entry/launch.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

#include "common/error.h"
#include "common/fpcheck.h"
#include "common/numinput.h"
#include "common/textrules.h"
#include "engine/agglomerate.h"
#include "engine/distances.h"

namespace ca {
namespace {

// Closes an output file after a failure, keeping what was written; an error
// of the closing itself is dropped, since the first failure is the one
// reported.
void CloseAfterFailure(TextWriter& out) {
    if (!out.IsOpen()) return;
    try {
        out.Close();
    } catch (...) {
    }
}

}  // namespace

void CheckTableSize(const GridModel& grid) {
    const int objects = grid.RowCount() - 2;
    const int attrs = grid.ColCount() - 2;
    if (objects > kMaxObjects)
        throw Error(J("対象の数が多すぎます (") + std::to_string(objects) + J(" 個)。分析できるのは ") +
                    std::to_string(kMaxObjects) + J(" 個までです"));
    if (attrs > kMaxAttrs)
        throw Error(J("属性の数が多すぎます (") + std::to_string(attrs) + J(" 個)。分析できるのは ") +
                    std::to_string(kMaxAttrs) + J(" 個までです"));
}

LaunchResult Launch(AnalysisStore& s, const GridModel& grid, int distType,
                    const ChooseOutputFile& chooseOutput, char separator) {
    CheckTableSize(grid);
    const int objects = grid.RowCount() - 2;
    const int attrs = grid.ColCount() - 2;
    s.DistType = static_cast<uint8_t>(distType);
    s.ObjectCount = objects;
    s.AttrCount = attrs;
    s.PairSumsValid = false;  // Coord is about to change
    std::vector<std::string_view> cells;  // the label, then the values
    for (int i = 1; i <= objects; ++i) {
        grid.CellViews(i + 1, 1, std::max(attrs, 0) + 2, cells);
        s.Labels[i] = cells[0];
        long double* coord = s.Coord.Row(i);
        for (int k = 1; k <= attrs; ++k) {
            const std::string_view text = cells[k];
            auto v = ParseNumber(text, separator);
            if (!v) {
                LaunchResult r;
                r.outcome = LaunchOutcome::BadCell;
                r.message = "Error ===>  Cells[" + std::to_string(i + 1) + "," + std::to_string(k) + "] = ";
                r.message += text;
                return r;
            }
            coord[k - 1] = *v;
        }
    }
    const std::string echo = InputEchoText(s);
    if (distType == 0) ComputeDistMatrix(s);

    auto path = chooseOutput();
    if (!path) return LaunchResult{LaunchOutcome::Cancelled, {}};
    try {
        s.OutFile.Create(*path);
        s.OutFile.Write(echo);
    } catch (...) {
        CloseAfterFailure(s.OutFile);
        throw;
    }
    s.DataReady = 1;
    return LaunchResult{LaunchOutcome::Launched, {}};
}

std::string InputEchoText(const AnalysisStore& s) {
    std::string text;
    text.reserve(64 + static_cast<size_t>(std::max(s.ObjectCount, 0)) * (18 + 7 * std::max(s.AttrCount, 0)));
    text += "\r\n";
    text += J("入力データ...");
    text += "\r\n";
    for (int i = 1; i <= s.ObjectCount; ++i) {
        text += IntField(i, 3);
        text += " : ";
        text += PadRight(s.Labels[i], 10);
        for (int k = 1; k <= s.AttrCount; ++k) AppendFixedField(text, s.Coord(i, k), 7, 1);
        text += "\r\n";
    }
    return text;
}

void WriteDistanceTable(AnalysisStore& s, char separator) {
    TextWriter& out = s.OutFile;
    out.EndLine();
    out.WriteLine(J("算出された距離..."));
    std::string line;
    for (int i = 1; i <= s.ObjectCount; ++i) {
        line = PadRight(s.Labels[i], 10);
        const long double* row = s.DistMatrix.Row(i);
        for (int j = 1; j < i; ++j) AppendDistText(line, row[j - 1], separator, 10);
        out.WriteLine(line);
    }
}

namespace {

// The output file's last part, on a second thread while the clusters are
// formed: the distance table (centroid method), then the closing of the file.
// The agglomeration writes nothing there, so the file is complete once the
// table is in it, and the system writes it out while the clusters are formed
// rather than when later files are put in place. It reads only Labels and
// DistMatrix and touches only OutFile. Finish() waits for it and raises what
// it raised.
class OutputFinisher {
public:
    OutputFinisher(AnalysisStore& s, char separator)
        : thread_([this, &s, separator] {
              try {
                  WriteDistanceTable(s, separator);
                  s.OutFile.Close();
              } catch (...) {
                  error_ = std::current_exception();
              }
          }) {}
    ~OutputFinisher() { Wait(); }
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }
    void Finish() {
        Wait();
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace

RunOutcome RunAnalysis(AnalysisStore& s, char separator, const std::function<void()>& dendrogram) {
    std::optional<OutputFinisher> finisher;
    try {
        // Ward's method writes nothing after the input echo: the file is
        // closed now, for the reason given above.
        if (s.DistType == 0) finisher.emplace(s, separator);
        else if (s.DistType == 1) s.OutFile.Close();
        FillPairList(s);
        MakeObjectClusters(s);
        switch (s.DistType) {
            case 0: CentroidMethod(s); break;
            case 1: WardMethod(s); break;
            default:
                s.ReleaseAllRecords();
                s.OutFile.Close();
                return RunOutcome::InvalidDistType;
        }
        if (finisher) finisher->Finish();
        if (dendrogram) dendrogram();
        ReleaseClusterTree(s);
        return RunOutcome::Finished;
    } catch (...) {
        // Keep what was written and leave nothing allocated behind. The
        // output's thread is finished first; a failure of its own came first
        // in the run, so that is the one raised.
        std::exception_ptr error = std::current_exception();
        if (finisher) {
            try {
                finisher->Finish();
            } catch (...) {
                error = std::current_exception();
            }
        }
        CloseAfterFailure(s.OutFile);
        s.ReleaseAllRecords();
        std::rethrow_exception(error);
    }
}

}  // namespace ca
