#pragma once

#include "report/markerrow.h"

#include <QString>

namespace Markers {

// Calculation type code of the ear swab, whose rows 4 and 11 carry sebum names.
constexpr unsigned char EarSwabCode = 9;

// A fresh 60-row table (norm 0, result 0, not highlighted) named in the given language:
// Russian variants for language 1, English names otherwise.
MarkerTable buildTable(unsigned char typeCode, unsigned char language);

// Fills the sum row from the unrounded results and norms of rows 0..56, then rounds every
// result of rows 0..57 halves away from zero. Rows 58 and 59 are left alone. A table with
// fewer than 58 rows gets its rows rounded and no sum.
void postCalc(MarkerTable& table);

// Nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3).
double roundHalfAway(double value);

// Report template number 1..3 for a calculation type code.
int templateType(unsigned char code);
// Sample words used inside report sentences; Russian for any language other than 0.
QString samplePhrase(unsigned char code, unsigned char language);

} // namespace Markers
