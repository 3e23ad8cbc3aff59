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

bool PrintTable(const GridModel& grid, Canvas& canvas, const PrintProgress& progress) {
    TextDevice device(canvas);
    try {
        const std::vector<std::string> lines = TableLines(grid);
        device.Open();
        canvas.SetFontFace(J("ＭＳ 明朝"));
        canvas.SetFontSize(12);
        const int total = static_cast<int>(lines.size());
        for (int i = 0; i < total; ++i) {
            if (!lines[i].empty()) device.Write(lines[i]);
            device.EndLine();
            if (progress && !progress(i + 1, total)) {
                device.Abort();
                return false;
            }
        }
        device.Close();
        return true;
    } catch (...) {
        device.Abort();
        throw;
    }
}

}  // namespace ca
