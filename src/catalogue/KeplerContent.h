#pragma once
// The file-name ending that suits a Kepler text's form, for files written from downloads.

#include <string_view>

namespace nimbrel::catalogue {

// ".csv", ".xml" or ".json" for OMM in those forms, ".tle" for two-line element sets; the form is
// told from the content exactly as the catalogue tells it when it reads the file.
const char* KeplerFileExtension(std::string_view text);

}  // namespace nimbrel::catalogue
