// What a hamlib daemon sends is untrusted (a buggy backend, a hostile program on the port): cutting
// it into replies must never crash or hold more than a line's bound, and the positions and
// frequencies read from it are finite and in range, whatever came.

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "station/HamlibReplies.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbrel::station;
  if (size == 0) return 0;
  // The first byte: how the bytes arrive (pieces of 1 to 16 bytes) and what the commands expect.
  const std::size_t piece = data[0] % 16 + 1;
  int valueLines = data[0] / 16 % 3;
  THamlibReplyReader reader;
  for (std::size_t at = 1; at < size; at += piece) {
    const std::size_t length = std::min(piece, size - at);
    reader.Append(QByteArray(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(length)));
    while (std::optional<TReply> reply = reader.Take(valueLines)) {
      // An "RPRT" line ends a reply early; no reply holds more lines than were asked for.
      Check(reply->values.size() <= static_cast<qsizetype>(std::max(valueLines, 1)));
      if (const std::optional<TReportedPosition> p = PositionFromReply(*reply)) {
        Check(std::isfinite(p->azimuthDeg) && std::isfinite(p->elevationDeg));
        Check(std::fabs(p->azimuthDeg) <= 540.0 && std::fabs(p->elevationDeg) <= 540.0);
      }
      if (const std::optional<qint64> hz = FrequencyFromReply(*reply))
        Check(*hz >= 0 && *hz <= 10'000'000'000'000);
      valueLines = (valueLines + 1) % 3;
    }
    // The link drops such a connection; here the reader starts afresh, as on a new one.
    if (reader.Overlong()) reader.Clear();
  }
  return 0;
}
