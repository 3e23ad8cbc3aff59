#include "entry/launch.h"

#include "common/error.h"
#include "common/fpcheck.h"
#include "common/numinput.h"
#include "common/textrules.h"
#include "engine/agglomerate.h"
#include "engine/distances.h"

namespace ca {

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
    for (int i = 1; i <= objects; ++i) {
        s.Labels[i] = grid.Cell(1, i + 1);
        for (int k = 1; k <= attrs; ++k) {
            const std::string& text = grid.Cell(k + 1, i + 1);
            auto v = ParseNumber(text, separator);
            if (!v) {
                LaunchResult r;
                r.outcome = LaunchOutcome::BadCell;
                r.message = "Error ===>  Cells[" + std::to_string(i + 1) + "," + std::to_string(k) + "] = " + text;
                return r;
            }
            s.Coord(i, k) = *v;
        }
    }
    if (distType == 0) ComputeDistMatrix(s);

    auto path = chooseOutput();
    if (!path) return LaunchResult{LaunchOutcome::Cancelled, {}};
    try {
        s.OutFile.Create(*path);
        WriteInputEcho(s);
    } catch (...) {
        if (s.OutFile.IsOpen()) {
            try {
                s.OutFile.Close();
            } catch (...) {
            }
        }
        throw;
    }
    s.DataReady = 1;
    return LaunchResult{LaunchOutcome::Launched, {}};
}

void WriteInputEcho(AnalysisStore& s) {
    TextWriter& out = s.OutFile;
    out.EndLine();
    out.WriteLine(J("入力データ..."));
    std::string line;
    for (int i = 1; i <= s.ObjectCount; ++i) {
        line = IntField(i, 3);
        line += " : ";
        line += PadRight(s.Labels[i], 10);
        for (int k = 1; k <= s.AttrCount; ++k) line += FixedField(s.Coord(i, k), 7, 1);
        out.WriteLine(line);
    }
}

void WriteDistanceTable(AnalysisStore& s, char separator) {
    TextWriter& out = s.OutFile;
    out.EndLine();
    out.WriteLine(J("算出された距離..."));
    std::string line;
    for (int i = 1; i <= s.ObjectCount; ++i) {
        line = PadRight(s.Labels[i], 10);
        for (int j = 1; j < i; ++j) line += PadRight(DistText(s.DistMatrix(i, j), separator), 10);
        out.WriteLine(line);
    }
}

RunOutcome RunAnalysis(AnalysisStore& s, char separator, const std::function<void()>& dendrogram) {
    try {
        if (s.DistType == 0) WriteDistanceTable(s, separator);
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
        if (dendrogram) dendrogram();
        ReleaseClusterTree(s);
        s.OutFile.Close();
        return RunOutcome::Finished;
    } catch (...) {
        // Keep what was written and leave nothing allocated behind.
        if (s.OutFile.IsOpen()) {
            try {
                s.OutFile.Close();
            } catch (...) {
            }
        }
        s.ReleaseAllRecords();
        throw;
    }
}

}  // namespace ca
