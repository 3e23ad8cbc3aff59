#include "entry/tableparse.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "common/numinput.h"

namespace ca {
namespace {

// Objects [first, last] in order; the first bad cell among them, if any.
std::optional<BadValueCell> ReadRows(AnalysisStore& s, const GridModel& grid, int first, int last, int attrs,
                                     char separator) {
    std::vector<std::string_view> cells;  // the label, then the values
    for (int i = first; i <= last; ++i) {
        grid.CellViews(i + 1, 1, std::max(attrs, 0) + 2, cells);
        s.Labels[i] = cells[0];
        long double* coord = s.Coord.Row(i);
        for (int k = 1; k <= attrs; ++k) {
            const auto v = ParseNumber(cells[k], separator);
            if (!v) return BadValueCell{i, k, std::string(cells[k])};
            coord[k - 1] = *v;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<BadValueCell> ReadTableValues(AnalysisStore& s, const GridModel& grid, int objects, int attrs,
                                            char separator) {
    if (objects < 2 || static_cast<int64_t>(objects) * attrs < kTwoThreadCells)
        return ReadRows(s, grid, 1, objects, attrs, separator);
    // The later half on a second thread. Each thread reads rows of its own,
    // and a bad cell of the first half comes before any of the second.
    const int half = objects / 2;
    std::optional<BadValueCell> later;
    std::exception_ptr laterError;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                later = ReadRows(s, grid, half + 1, objects, attrs, separator);
            } catch (...) {
                laterError = std::current_exception();
            }
        });
    } catch (const std::system_error&) {  // no thread to be had: one after the other
        if (auto bad = ReadRows(s, grid, 1, half, attrs, separator)) return bad;
        return ReadRows(s, grid, half + 1, objects, attrs, separator);
    }
    std::optional<BadValueCell> earlier;
    try {
        earlier = ReadRows(s, grid, 1, half, attrs, separator);
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (earlier) return earlier;
    if (laterError) std::rethrow_exception(laterError);
    return later;
}

}  // namespace ca
