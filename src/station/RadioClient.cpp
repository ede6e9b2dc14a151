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
  connect(this, &THamlibLink::StateChanged, this, [this](TLinkState) {
    splitOn_ = false;
    toneOn_ = false;
  });
}

bool TRadioClient::SetDownlink(double hz) {
  if (!std::isfinite(hz) || hz <= 0) return false;
  return Send("F " + Hz(hz), 0) && ReadDownlink();
}

bool TRadioClient::SetUplink(double hz) {
  if (!std::isfinite(hz) || hz <= 0) return false;
  if (!splitOn_ && !SplitOn()) return false;
  return Send("I " + Hz(hz), 0);
}

bool TRadioClient::SplitOn() {
  // Counted as on from the moment it is asked for, so that the uplink sent in the same batch does
  // not ask again; a refusal asks again next time.
  if (!Send("S 1 VFOB", 0, [this](const TReply& reply) { splitOn_ = splitOn_ && reply.Ok(); })) return false;
  splitOn_ = true;
  return true;
}

bool TRadioClient::SetModes(const TRadioModes& modes) {
  if (!modes.downlink.empty() && !Send(QByteArray("M ") + modes.downlink.c_str() + " -1", 0)) return false;
  if (modes.split) {
    if (!SplitOn()) return false;
    if (!modes.uplink.empty() && !Send(QByteArray("X ") + modes.uplink.c_str() + " -1", 0)) return false;
  } else {
    if (!Send("S 0 VFOA", 0)) return false;
    splitOn_ = false;
  }
  if (modes.ctcssTenthsHz > 0) {
    if (!Send("C " + QByteArray::number(modes.ctcssTenthsHz), 0) || !Send("U TONE 1", 0)) return false;
    toneOn_ = true;
  } else if (toneOn_) {
    if (!Send("U TONE 0", 0)) return false;
    toneOn_ = false;
  }
  return true;
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
