// The data-file loader, the CSV importer and both round trips.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/error.h"
#include "entry/csv.h"
#include "entry/csvencoding.h"
#include "entry/datafile.h"
#include "entry/grid.h"
#include "fuzz/targets.h"

namespace ca::fuzz {

namespace {

// Larger tables are only checked against the cell bound: going through
// millions of cells would slow the fuzzing down to a crawl.
constexpr int64_t kLargestChecked = 1 << 12;

std::string Where(int c, int r) { return " at (" + std::to_string(c) + ", " + std::to_string(r) + ")"; }

// Every cell of both grids in [0, rows) x [0, cols), cell (1, 1) unless
// told otherwise.
void CheckSameCells(const GridModel& want, const GridModel& got, const std::string& what, bool corner = true) {
    Check(want.RowCount() == got.RowCount() && want.ColCount() == got.ColCount(), what + ": counts differ");
    for (int r = 0; r < want.RowCount(); ++r)
        for (int c = 0; c < want.ColCount(); ++c) {
            if (!corner && c == 1 && r == 1) continue;
            if (want.Cell(c, r) != got.Cell(c, r)) Fail(what + ": cell differs" + Where(c, r));
        }
}

// A Shift_JIS export whose bytes happen to be UTF-8 throughout (half-width
// katakana can form such pairs) is read back as UTF-8 by design: no round trip.
bool ReadsAsUtf8(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return IsUtf8Csv(bytes.substr(0, bytes.find('\x1A')));
}

// Runs a reader into `g`: false when it refused the file with the system's
// error, or when the table, checked against the cell bound, is too large to
// go through cell by cell.
template <typename Reader>
bool Read(const GridModel& g, Reader&& reader, const std::string& what) {
    try {
        reader();
    } catch (const Error&) {
        return false;
    }
    const int64_t cells = static_cast<int64_t>(g.RowCount()) * g.ColCount();
    Check(cells <= kMaxDataFileCells, what + ": over the cell bound");
    return cells <= kLargestChecked;
}

// The table saved and loaded again gives back every cell, trimmed.
void CheckSaveAndLoad(GridModel g, const std::string& what) {
    const std::string path = ScratchPath("again.dat");
    SaveDataFile(g, path);
    GridModel h;
    FormCreate(h);
    LoadDataFile(h, path);
    for (int r = 1; r < g.RowCount(); ++r)
        for (int c = 1; c < g.ColCount(); ++c) g.SetCell(c, r, TrimControl(g.Cell(c, r)));
    CheckSameCells(g, h, what);
}

// The bytes a line of a text file cannot hold inside a cell: the line ends
// and the end-of-file mark.
bool LineSafe(char b) { return b != '\n' && b != '\r' && b != '\x1A'; }

// A table of at least one object from fuzz bytes (a CSV file always gives one
// object row): a row count, a column count, then for each cell
// a length byte and that many bytes (missing bytes make empty cells).
GridModel TableFrom(const uint8_t* data, size_t size, bool lineSafe) {
    size_t i = 0;
    auto next = [&]() -> int { return i < size ? data[i++] : 0; };
    GridModel g;
    FormCreate(g);
    const int rows = 3 + next() % 6, cols = 2 + next() % 7;
    g.SetRowCount(rows);
    g.SetColCount(cols);
    g.WriteObjectHeadings(2, rows);
    g.WriteAttrHeadings(2, cols);
    for (int r = 1; r < rows; ++r)
        for (int c = 1; c < cols; ++c) {
            std::string text;
            for (int n = next() % 24; n > 0 && i < size; --n) {
                const char b = static_cast<char>(data[i++]);
                if (!lineSafe || LineSafe(b)) text.push_back(b);
            }
            g.SetCell(c, r, std::move(text));
        }
    return g;
}

}  // namespace

// Whatever the bytes, the load ends or raises the system's error, within the
// cell bound; a loaded table saved and loaded again gives back every cell,
// trimmed, and the same counts and headings.
void DataFileLoad(const uint8_t* data, size_t size) {
    const std::string in = ScratchFile("load.dat", data, size);
    GridModel g;
    FormCreate(g);
    if (!Read(g, [&] { LoadDataFile(g, in); }, "load")) return;
    if (g.RowCount() > 1 && g.ColCount() > 1) CheckSaveAndLoad(g, "load, save, load");
}

// Whatever the bytes, the import ends or raises the system's error, within
// the cell bound; every imported row holds exactly the fields of its line;
// the imported table exported and imported again gives back every cell.
void CsvImport(const uint8_t* data, size_t size) {
    const std::string in = ScratchFile("import.csv", data, size);
    GridModel g;
    FormCreate(g);
    for (int r = 1; r < 6; ++r)
        for (int c = 1; c < 6; ++c) g.SetCell(c, r, "former");
    // The bytes as the import reads them: up to a 0x1A, UTF-8 from a
    // spreadsheet turned into Shift_JIS; a file that cannot be is refused.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes = bytes.substr(0, bytes.find('\x1A'));
    bool convertible = true;
    try {
        bytes = CsvBytesToSjis(bytes);
    } catch (const Error&) {
        convertible = false;
    }
    if (!Read(g, [&] { ImportCsv(g, in); }, "import")) return;
    Check(convertible, "import: took a file it cannot convert");
    // The lines as the reader sees them: LF or CR LF ends one, a lone CR is
    // dropped.
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char b = bytes[i];
        if (b == '\n') {
            if (i + 1 < bytes.size()) lines.emplace_back();
        } else if (b != '\r') {
            lines.back().push_back(b);
        }
    }
    for (int r = 1; r < g.RowCount(); ++r) {
        const std::string line = static_cast<size_t>(r - 1) < lines.size() ? lines[r - 1] : std::string();
        const std::vector<std::string> fields = SplitCsvLine(line);
        // Without quotes every comma separates: no field holds one, whatever
        // bytes stand before it.
        if (line.find('"') == std::string::npos)
            for (const std::string& f : fields) Check(f.find(',') == std::string::npos, "import: a comma inside a field");
        for (int c = r == 1 ? 2 : 1; c < g.ColCount(); ++c) {
            const std::string want = static_cast<size_t>(c - 1) < fields.size() ? fields[c - 1] : std::string();
            if (g.Cell(c, r) != want) Fail("import: not the field of its line" + Where(c, r));
        }
    }
    if (g.ColCount() < 2) return;
    ExportCsv(g, ScratchPath("again.csv"));
    if (ReadsAsUtf8(ScratchPath("again.csv"))) return;
    GridModel h;
    FormCreate(h);
    ImportCsv(h, ScratchPath("again.csv"));
    CheckSameCells(g, h, "import, export, import", false);
}

// Any table of cells a line can hold survives save and load, each cell
// trimmed.
void DataFileRoundTrip(const uint8_t* data, size_t size) {
    CheckSaveAndLoad(TableFrom(data, size, true), "save, load");
}

// Any table of cells a line can hold survives export and import unchanged,
// cell (1, 1) excepted: lone lead bytes, NULs, quotes, commas and blanks.
void CsvRoundTrip(const uint8_t* data, size_t size) {
    GridModel g = TableFrom(data, size, true);
    const std::string path = ScratchPath("round.csv");
    ExportCsv(g, path);
    if (ReadsAsUtf8(path)) return;
    GridModel h;
    FormCreate(h);
    ImportCsv(h, path);
    CheckSameCells(g, h, "export, import", false);
}

}  // namespace ca::fuzz
