#pragma once
// A client of rigctld: the receive (downlink) frequency, and with an uplink, split operation on VFO B
// for the transmit frequency; the modes of both and the CTCSS tone.

#include <optional>

#include "station/HamlibLink.h"
#include "station/RadioModes.h"

namespace nimbrel::station {

inline constexpr quint16 kRigctldDefaultPort = 4532;

class TRadioClient : public THamlibLink {
  Q_OBJECT

 public:
  explicit TRadioClient(QObject* parent = nullptr);

  // "F HZ", then "f" to read it back.
  bool SetDownlink(double hz);
  // "S 1 VFOB" once on each connection, then "I HZ".
  bool SetUplink(double hz);
  bool ReadDownlink();
  // "M MODE -1"; then split on ("S 1 VFOB", "X MODE -1") or off ("S 0 VFOA"); then "C TONE" and
  // "U TONE 1" for a tone, or "U TONE 0" when a tone was on and is no longer wanted. A mode left
  // empty is not sent.
  bool SetModes(const TRadioModes& modes);

  // What the radio said at the last "f"; nothing before the first answer.
  const std::optional<qint64>& ReportedDownlink() const noexcept { return reportedDownlink_; }

 signals:
  void DownlinkReported(qint64 hz);

 private:
  bool SplitOn();

  std::optional<qint64> reportedDownlink_;
  bool splitOn_ = false;
  bool toneOn_ = false;
};

}  // namespace nimbrel::station
