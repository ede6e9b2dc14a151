// Arbitrary bytes as a SatNOGS DB transmitter list: the reader must neither crash nor hang, and what
// it keeps must hold together (sane bands, a satellite number, an ordering that is a permutation).

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "catalogue/Transmitters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbrel::catalogue;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<TTransmitter> list;
  try {
    list = ReadTransmitterList(text);
  } catch (const ETransmitterListError& e) {
    if (e.Reason().empty()) std::abort();
    return 0;
  }
  if (list.empty()) std::abort();
  for (const TTransmitter& t : list) {
    if (t.uuid.empty() || (!t.noradCatId && !t.noradFollowId)) std::abort();
    if (!t.downlinkLowHz && !t.uplinkLowHz) std::abort();
    if (t.downlinkHighHz && (!t.downlinkLowHz || *t.downlinkHighHz <= *t.downlinkLowHz)) std::abort();
    if (t.uplinkHighHz && (!t.uplinkLowHz || *t.uplinkHighHz <= *t.uplinkLowHz)) std::abort();
    const std::int64_t id = t.noradCatId ? *t.noradCatId : *t.noradFollowId;
    const std::vector<TTransmitter> mine = TransmittersOf(list, id);
    if (mine.empty() || FindTransmitter(mine, t.uuid) == nullptr) std::abort();
    (void)FormatDownlink(t);
    (void)FormatUplink(t);
    (void)t.Marks();
  }
  return 0;
}
