// Settings files are untrusted: reading must never crash, and a file written from what was read
// must read back as the same values and the same unread lines (so a save never changes or drops
// anything it did not mean to).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "catalogue/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbrel::catalogue;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TSettingsValues values = ParseSettings(bytes);
  const std::string written = FormatSettings(values, "fuzz");
  const TSettingsValues again = ParseSettings(written);
  // Unread lines are written back as they were, so they are just as unread the next time.
  if (again.RejectedLines() != values.RejectedLines() || again.Entries().size() != values.Entries().size())
    std::abort();
  if (FormatSettings(again, "fuzz") != written) std::abort();
  for (const TSettingsValue& v : values.Entries()) {
    if (again.Integer(v.name) != values.Integer(v.name) || again.Text(v.name) != values.Text(v.name))
      std::abort();
  }
  return 0;
}
