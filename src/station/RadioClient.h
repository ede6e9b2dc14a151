#pragma once
// A client of rigctld: the receive (downlink) frequency, and with an uplink, split operation on VFO B
// for the transmit frequency.

#include <optional>

#include "station/HamlibLink.h"

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

  // What the radio said at the last "f"; nothing before the first answer.
  const std::optional<qint64>& ReportedDownlink() const noexcept { return reportedDownlink_; }

 signals:
  void DownlinkReported(qint64 hz);

 private:
  std::optional<qint64> reportedDownlink_;
  bool splitOn_ = false;
};

}  // namespace nimbrel::station
