#include "station/RotatorClient.h"

namespace nimbrel::station {

bool TRotatorClient::MoveTo(const TSkyPoint& target) {
  const QByteArray command = "P " + QByteArray::number(target.azimuthDeg, 'f', 2) + ' ' +
                             QByteArray::number(target.elevationDeg, 'f', 2);
  return Send(command, 0) && ReadPosition();
}

bool TRotatorClient::ReadPosition() {
  return Send("p", 2, [this](const TReply& reply) {
    const std::optional<TReportedPosition> position = PositionFromReply(reply);
    if (!position) return;
    reported_ = TSkyPoint{position->azimuthDeg, position->elevationDeg};
    emit PositionReported(position->azimuthDeg, position->elevationDeg);
  });
}

bool TRotatorClient::Stop() {
  return Send("S", 0);
}

bool TRotatorClient::Park() {
  return Send("K", 0) && ReadPosition();
}

}  // namespace nimbrel::station
