#pragma once
// A client of rotctld: move, read the position, stop, park.

#include <optional>

#include "station/HamlibLink.h"
#include "station/RotatorLimits.h"

namespace nimbrel::station {

inline constexpr quint16 kRotctldDefaultPort = 4533;

class TRotatorClient : public THamlibLink {
  Q_OBJECT

 public:
  explicit TRotatorClient(QObject* parent = nullptr) : THamlibLink(QStringLiteral("rotator"), parent) {}

  // "P AZ EL", then "p" to learn where it is. False when the link cannot take the commands now.
  bool MoveTo(const TSkyPoint& target);
  bool ReadPosition();
  bool Stop();
  bool Park();

  // What the rotator said at the last "p"; nothing before the first answer.
  const std::optional<TSkyPoint>& Reported() const noexcept { return reported_; }

 signals:
  void PositionReported(double azimuthDeg, double elevationDeg);

 private:
  std::optional<TSkyPoint> reported_;
};

}  // namespace nimbrel::station
