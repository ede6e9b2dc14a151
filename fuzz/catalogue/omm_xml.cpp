// Arbitrary bytes as an OMM XML file: the reader must neither crash nor hang, and the catalogue must
// stay consistent.

#include <cstddef>
#include <cstdint>

#include "omm_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  nimbrel::catalogue::fuzzing::CheckReader(text, nimbrel::catalogue::ReadOmmXml);
  return 0;
}
