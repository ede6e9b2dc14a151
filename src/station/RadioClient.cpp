#include "station/RadioClient.h"

#include <cmath>

namespace nimbrel::station {

namespace {

QByteArray Hz(double hz) {
  return QByteArray::number(static_cast<qint64>(std::llround(hz)));
}

}  // namespace

TRadioClient::TRadioClient(QObject* parent) : THamlibLink(QStringLiteral("radio"), parent) {
  // A new connection may be to a radio just switched on: split must be asked for again.
  connect(this, &THamlibLink::StateChanged, this, [this](TLinkState) { splitOn_ = false; });
}

bool TRadioClient::SetDownlink(double hz) {
  if (!std::isfinite(hz) || hz <= 0) return false;
  return Send("F " + Hz(hz), 0) && ReadDownlink();
}

bool TRadioClient::SetUplink(double hz) {
  if (!std::isfinite(hz) || hz <= 0) return false;
  if (!splitOn_) {
    if (!Send("S 1 VFOB", 0, [this](const TReply& reply) { splitOn_ = reply.Ok(); })) return false;
  }
  return Send("I " + Hz(hz), 0);
}

bool TRadioClient::ReadDownlink() {
  return Send("f", 1, [this](const TReply& reply) {
    const std::optional<qint64> hz = FrequencyFromReply(reply);
    if (!hz) return;
    reportedDownlink_ = *hz;
    emit DownlinkReported(*hz);
  });
}

}  // namespace nimbrel::station
