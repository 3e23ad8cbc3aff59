#include "entry/tabletext.h"

#include "common/error.h"
#include "common/textrules.h"

namespace ca {

std::vector<std::string> TableLines(const GridModel& grid) {
    std::vector<std::string> lines = {"", "", "Data =", "", ""};
    for (int r = 0; r < grid.RowCount(); ++r) {
        std::string line;
        for (int c = 0; c < grid.ColCount(); ++c) line += PadRight(grid.Cell(c, r), 12);
        lines.push_back(std::move(line));
    }
    return lines;
}

void PrintTable(const GridModel& grid, Canvas& canvas) {
    TextDevice device(canvas);
    try {
        device.Open();
        canvas.SetFontFace(J("ＭＳ 明朝"));
        canvas.SetFontSize(12);
        for (const std::string& line : TableLines(grid)) {
            if (!line.empty()) device.Write(line);
            device.EndLine();
        }
        device.Close();
    } catch (...) {
        device.Abort();
        throw;
    }
}

}  // namespace ca
