#include "entry/csv.h"

#include "common/bytescan.h"
#include "common/error.h"
#include "common/sjis.h"
#include "common/textfile.h"
#include "entry/csvencoding.h"
#include "entry/datafile.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace ca {

std::string CsvFileName(const std::string& name) {
    if (name.size() >= 5) {
        std::string_view tail(name.data() + name.size() - 4, 4);
        if (tail == ".csv" || tail == ".CSV") return name;
    }
    return name + ".csv";
}

namespace {

// True when the text's last character is a lead byte without its second byte.
bool EndsInLoneLeadByte(std::string_view text) {
    size_t i = 0;
    bool lone = false;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        lone = false;
        if (IsLeadByte(b)) {
            if (i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
                i += 2;
                continue;
            }
            lone = true;
        }
        ++i;
    }
    return lone;
}

bool IsSpace(unsigned char b) { return b >= 0x01 && b <= 0x20; }

}  // namespace

std::string CsvField(const std::string& cell) {
    // Unquoted, the reader would drop bytes 0x00-0x20 at either end, split at
    // a comma and take a leading quote as an opening one. A lone lead byte at
    // the end is quoted too, so that a reader pairing it with the comma after
    // it still gets the field right.
    bool quote = !cell.empty() && cell[0] == '"';
    for (unsigned char b : cell)
        if (b <= 0x20 || b == ',' || b == '"') quote = true;
    if (!quote && EndsInLoneLeadByte(cell)) quote = true;
    if (!quote) return cell;
    std::string f = "\"";
    for (char ch : cell) {
        if (ch == '"') f.push_back('"');
        f.push_back(ch);
    }
    f.push_back('"');
    return f;
}

namespace {

// Where the unquoted field at `i` stops: the next comma or NUL byte, or the
// end. Eight bytes are looked at together while eight remain.
size_t FieldStop(std::string_view line, size_t i) {
    const size_t n = line.size();
    for (; i + 8 <= n; i += 8) {
        const uint64_t w = bytescan::Word(line.data() + i);
        if (const uint64_t found = bytescan::Equal(w, ',') | bytescan::Below(w, 1))
            return i + bytescan::FirstFlagged(found);
    }
    while (i < n && line[i] != ',' && line[i] != '\0') ++i;
    return i;
}

// SplitCsvLine handing each field to `field` as a view: into the line, or for
// a quoted field into `quoted`, which holds it until the next field.
template <class F>
size_t ForEachField(std::string_view line, size_t maxFields, std::string& quoted, F&& field) {
    size_t count = 0;
    auto emit = [&](std::string_view f) {
        ++count;
        if (count <= maxFields) field(f);
    };
    size_t i = 0, n = line.size();
    // Outside a quoted field a NUL byte ends the line.
    auto ended = [&] { return i >= n || line[i] == '\0'; };
    while (!ended() && IsSpace(line[i])) ++i;
    while (!ended() && count <= maxFields) {
        if (line[i] == '"') {
            ++i;
            quoted.clear();
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        quoted.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;  // the closing quote
                    break;
                }
                // The run up to the next quote at once.
                size_t end = line.find('"', i);
                if (end == std::string_view::npos) end = n;
                quoted.append(line.substr(i, end - i));
                i = end;
            }
            emit(quoted);
        } else {
            // A comma is never the second byte of a character, so a lead byte
            // before it stands alone.
            size_t start = i;
            i = FieldStop(line, i);
            size_t end = i;
            while (end > start && IsSpace(line[end - 1])) --end;
            emit(line.substr(start, end - start));
        }
        while (!ended() && IsSpace(line[i])) ++i;
        if (!ended() && line[i] == ',') {
            if (i + 1 == n || line[i + 1] == '\0') emit(std::string_view());
            ++i;
            while (!ended() && IsSpace(line[i])) ++i;
        }
    }
    return std::min(count, maxFields + 1);
}

}  // namespace

size_t SplitCsvLine(std::string_view line, const std::function<void(std::string&&)>& field, size_t maxFields) {
    std::string quoted;
    return ForEachField(line, maxFields, quoted, [&](std::string_view f) { field(std::string(f)); });
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    std::vector<std::string> fields;
    SplitCsvLine(line, [&](std::string&& f) { fields.push_back(std::move(f)); });
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
        // A line of one empty cell still holds a field.
        if (line.empty()) line = "\"\"";
        out.WriteLine(line);
    }
    out.Close();
}

void ImportCsv(GridModel& grid, const std::string& path) {
    TextReader in;
    OpenCsv(in, path);  // UTF-8 from spreadsheets becomes Shift_JIS here, before the grid changes
    auto tooLarge = [] {
        return Error(J("CSV ファイルの表が大きすぎます。読み込めるのは ") + std::to_string(kMaxDataFileCells) +
                     J(" セルまでです"));
    };
    // The same bound as for data files, before the grid changes; a file that
    // outgrows it further down stops there, with what was read in place.
    // Splitting stops at the bound, so a line of commas costs no more.
    // Fields are counted before any is kept.
    const std::string headerLine = in.ReadLine();
    const size_t headerFields = SplitCsvLine(headerLine, [](std::string&&) {}, kMaxDataFileCells / 3 - 1);
    if (headerFields == 0)
        throw Error(J("CSV ファイルの 1 行目が空です。1 行目には属性名を書いてください"));
    if (static_cast<int64_t>(headerFields + 1) * 3 > kMaxDataFileCells) throw tooLarge();
    std::vector<std::string> header = SplitCsvLine(headerLine);
    const int n = static_cast<int>(header.size());
    grid.SetColCount(n + 1);
    grid.SetRowCount(2);
    grid.WriteAttrHeadings(2, n + 1);
    for (int k = 2; k <= n; ++k) grid.SetCell(k, 1, std::move(header[k - 1]));
    grid.ClearRowFrom(n + 1, 1);
    header = {};
    std::string line, quoted;
    GridModel::RowText cells;
    do {
        const int r = grid.RowCount();
        const int64_t cols = grid.ColCount();
        if (static_cast<int64_t>(r + 1) * cols > kMaxDataFileCells) throw tooLarge();
        in.ReadLine(line);
        // Fields are gathered up to the bound only, and kept only when the
        // line stays within it.
        cells.Clear();
        const size_t count = ForEachField(line, static_cast<size_t>(kMaxDataFileCells / (r + 1) - 1), quoted,
                                          [&](std::string_view f) { cells.Append(f); });
        if (static_cast<int64_t>(r + 1) * static_cast<int64_t>(count + 1) > kMaxDataFileCells) throw tooLarge();
        grid.SetRowCount(r + 1);
        grid.WriteObjectHeadings(r, r + 1);
        // The row is built from its line alone: a cell the line does not
        // give is empty.
        grid.SetRow(r, cells);
    } while (!in.AtEnd());
    in.Close();
}

}  // namespace ca
