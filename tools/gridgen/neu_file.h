// Writing a case grid file: six header records, the counts, two records,
// the nodes (number, x, y), two records, the cells (number, type 2, four
// corners, the corners counterclockwise).
#pragma once

#include <filesystem>
#include <string>

#include "case_grids.h"

namespace gridgen {

// Shortest decimal text that reads back as exactly v.
std::string exact_text(double v);

// The file's text; the same grid always gives the same bytes.
std::string neu_text(const CaseGrid& g);

void write_neu(const std::filesystem::path& path, const CaseGrid& g);

}  // namespace gridgen
