// CSV exchange of the table: one line per grid row from the attribute-name
// row on, cells joined by ",".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/grid.h"

namespace ca {

// The name the export writes under: ".csv" appended unless the name is at
// least 5 bytes long and ends in exactly ".csv" or ".CSV".
std::string CsvFileName(const std::string& name);

// One cell as a field: as it stands, or quoted (inner quotes doubled) when
// the split below would not give it back unchanged: it holds a comma, a double
// quote or a byte 0x00-0x20, or ends in a lead byte without its second byte.
std::string CsvField(const std::string& cell);

// The fields of one line. Blanks and control bytes around a field are
// dropped; a quoted field runs to its closing quote ("" inside stands for ",
// any other byte, NUL included, is kept); an unquoted one runs to the next
// comma, blanks inside it kept. Outside a quoted field a NUL byte ends the
// line. A lead byte before a comma is a character of its own.
std::vector<std::string> SplitCsvLine(std::string_view line);
// As above, handing each field to `field`; stops after `maxFields` fields and
// answers their count, or maxFields + 1 when the line holds more.
size_t SplitCsvLine(std::string_view line, const std::function<void(std::string&&)>& field,
                    size_t maxFields = SIZE_MAX);

void ExportCsv(const GridModel& grid, const std::string& chosenName);

// Builds the grid anew from a CSV file: the first line gives the attribute
// names, every further line an object. A file whose first line holds no field
// is refused before the grid changes.
void ImportCsv(GridModel& grid, const std::string& path);

}  // namespace ca
