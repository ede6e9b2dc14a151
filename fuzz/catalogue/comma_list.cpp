// The companion's comma lists come from a file anyone can edit: splitting must end, and what the
// writer makes of the items must split back into the same items.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "catalogue/CommaList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbrel::catalogue;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList items = SplitCommaList(text);
  if (items.size() > text.size() + 1) std::abort();
  if (SplitCommaList(JoinCommaList(items)) != items) std::abort();
  // Each item is split again as a location's fields.
  for (const QString& item : items) SplitCommaList(item);
  return 0;
}
