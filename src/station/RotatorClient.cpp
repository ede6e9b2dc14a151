#include "station/RotatorClient.h"

namespace nimbrel::station {

bool TRotatorClient::MoveTo(const TSkyPoint& target) {
  const QByteArray command = "P " + QByteArray::number(target.azimuthDeg, 'f', 2) + ' ' +
                             QByteArray::number(target.elevationDeg, 'f', 2);
  return Send(command, 0) && ReadPosition();
}

bool TRotatorClient::ReadPosition() {
  return Send("p", 2, [this](const TReply& reply) {
    if (!reply.Ok() || reply.values.size() != 2) return;
    bool azOk = false;
    bool elOk = false;
    const double az = reply.values[0].toDouble(&azOk);
    const double el = reply.values[1].toDouble(&elOk);
    if (!azOk || !elOk) return;
    reported_ = TSkyPoint{az, el};
    emit PositionReported(az, el);
  });
}

bool TRotatorClient::Stop() {
  return Send("S", 0);
}

bool TRotatorClient::Park() {
  return Send("K", 0) && ReadPosition();
}

}  // namespace nimbrel::station
