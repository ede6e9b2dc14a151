#pragma once
// What a Kepler text's form says about it as a file: the ending that suits it, and whether it ends
// where a whole file of its form ends.

#include <string_view>

namespace nimbrel::catalogue {

// ".csv", ".xml" or ".json" for OMM in those forms, ".tle" for two-line element sets; the form is
// told from the content exactly as the catalogue tells it when it reads the file.
const char* KeplerFileExtension(std::string_view text);

// False when the text stops inside its last record, as a transfer cut short does; the readers
// themselves pass over a broken last record quietly, so this is the only place it shows:
// - two-line sets and OMM CSV must end with a line end;
// - two-line sets: the last two lines are line 1 and line 2 of one set, each 69 characters long with
//   the checksum its column 69 gives;
// - OMM CSV: not inside a quoted field, and the last record has as many fields as the header;
// - OMM JSON: the array is closed (the last character but blanks is "]");
// - OMM XML: the document does not end before its first element is closed.
// A text cut exactly between two records cannot be told from a shorter whole one. An empty text
// counts as whole: it holds nothing to lose.
bool EndsWhole(std::string_view text);

}  // namespace nimbrel::catalogue
