#include "entry/csv.h"

#include "common/error.h"
#include "common/sjis.h"
#include "common/textfile.h"
#include "entry/csvencoding.h"
#include "entry/datafile.h"

#include <algorithm>

namespace ca {

std::string CsvFileName(const std::string& name) {
    if (name.size() >= 5) {
        std::string_view tail(name.data() + name.size() - 4, 4);
        if (tail == ".csv" || tail == ".CSV") return name;
    }
    return name + ".csv";
}

std::string CsvField(const std::string& cell) {
    bool quote = !cell.empty() && cell[0] == '"';
    for (unsigned char b : cell)
        if (b <= 0x20 || b == ',' || b == '"') quote = true;
    if (!quote) return cell;
    std::string f = "\"";
    for (char ch : cell) {
        if (ch == '"') f.push_back('"');
        f.push_back(ch);
    }
    f.push_back('"');
    return f;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    // A NUL byte ends the line.
    if (auto nul = line.find('\0'); nul != std::string_view::npos) line = line.substr(0, nul);
    auto isSpace = [](unsigned char b) { return b >= 0x01 && b <= 0x20; };
    std::vector<std::string> fields;
    size_t i = 0, n = line.size();
    while (i < n && isSpace(line[i])) ++i;
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;  // the closing quote
                    break;
                }
                field.push_back(line[i++]);
            }
        } else {
            size_t start = i;
            while (i < n && line[i] != ',') {
                if (IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < n) ++i;
                ++i;
            }
            size_t end = i;
            while (end > start && isSpace(line[end - 1])) --end;
            field.assign(line.substr(start, end - start));
        }
        fields.push_back(std::move(field));
        while (i < n && isSpace(line[i])) ++i;
        if (i < n && line[i] == ',') {
            if (i + 1 == n) fields.emplace_back();
            ++i;
            while (i < n && isSpace(line[i])) ++i;
        }
    }
    return fields;
}

void ExportCsv(const GridModel& grid, const std::string& chosenName) {
    TextWriter out;
    out.Create(CsvFileName(chosenName));
    const int rows = grid.RowCount(), cols = grid.ColCount();
    std::string line;
    for (int r = 1; r < rows; ++r) {
        line = CsvField(grid.Cell(1, r));
        for (int c = 2; c < cols; ++c) {
            line.push_back(',');
            line += CsvField(grid.Cell(c, r));
        }
        out.WriteLine(line);
    }
    out.Close();
}

void ImportCsv(GridModel& grid, const std::string& path) {
    TextReader in;
    OpenCsv(in, path);  // UTF-8 from spreadsheets becomes Shift_JIS here, before the grid changes
    const std::vector<std::string> header = SplitCsvLine(in.ReadLine());
    if (header.empty())
        throw Error(J("CSV ファイルの 1 行目が空です。1 行目には属性名を書いてください"));
    // The same bound as for data files, before the grid changes; a file that
    // outgrows it further down stops there, with what was read in place.
    auto tooLarge = [] {
        return Error(J("CSV ファイルの表が大きすぎます。読み込めるのは ") + std::to_string(kMaxDataFileCells) +
                     J(" セルまでです"));
    };
    if (static_cast<int64_t>(header.size() + 1) * 3 > kMaxDataFileCells) throw tooLarge();
    const int n = static_cast<int>(header.size());
    grid.SetColCount(n + 1);
    grid.SetRowCount(2);
    for (int k = 2; k <= n; ++k) {
        grid.SetCell(k, 0, AttrHeading(k - 1));
        grid.SetCell(k, 1, header[k - 1]);
    }
    do {
        std::vector<std::string> fields = SplitCsvLine(in.ReadLine());
        if (static_cast<int64_t>(grid.RowCount() + 1) * std::max<int64_t>(grid.ColCount(), fields.size() + 1) >
            kMaxDataFileCells)
            throw tooLarge();
        grid.SetRowCount(grid.RowCount() + 1);
        const int r = grid.RowCount() - 1;
        grid.SetCell(0, r, ObjectHeading(r - 1));
        for (size_t c = 0; c < fields.size(); ++c) grid.SetCell(static_cast<int>(c) + 1, r, std::move(fields[c]));
    } while (!in.AtEnd());
    in.Close();
}

}  // namespace ca
