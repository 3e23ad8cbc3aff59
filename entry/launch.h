// The hand-over from the grid to the analysis: the launch copies the table
// into the store and opens the output file with the input echo; the run
// carries the analysis on from there to the released tree.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/store.h"
#include "entry/grid.h"

namespace ca {

enum class LaunchOutcome {
    Launched,   // the store holds the data, OutFile has the echo, DataReady = 1
    BadCell,    // a value did not read as a number; `message` says which
    Cancelled,  // no output file was chosen
};

struct LaunchResult {
    LaunchOutcome outcome = LaunchOutcome::Cancelled;
    std::string message;  // for BadCell: "Error ===>  Cells[r,k] = text"
};

// Asks for the output file name; nullopt when the user cancels.
using ChooseOutputFile = std::function<std::optional<std::string>()>;

// Refuses a grid of more than 1000 objects or 200 attributes with an Error.
void CheckTableSize(const GridModel& grid);

// The launch of the centroid method (distType 0) or Ward's method (1). A grid
// of more than 1000 objects or 200 attributes is refused with an Error before
// the store is touched; file errors raise IoError.
LaunchResult Launch(AnalysisStore& s, const GridModel& grid, int distType,
                    const ChooseOutputFile& chooseOutput, char separator);

// The input echo for the store's data, as written to the output file (its
// line ends included).
std::string InputEchoText(const AnalysisStore& s);

enum class RunOutcome { Finished, InvalidDistType };

// The run after a launch: the distance table (centroid method) and the
// closing of OutFile, which is then complete (on a second thread while the
// pair list, one cluster per object and the agglomeration are made; for
// Ward's method the file is closed first), `dendrogram` (called with the
// finished tree and the output file closed), and the release of the tree.
// When anything fails the output file is still closed with what was written,
// every cluster record is released, and the error goes on to the caller.
RunOutcome RunAnalysis(AnalysisStore& s, char separator, const std::function<void()>& dendrogram);

// The distance table's lines (centroid method): label, then the distances to
// every earlier object, each padded to 10 bytes.
void WriteDistanceTable(AnalysisStore& s, char separator);

}  // namespace ca
