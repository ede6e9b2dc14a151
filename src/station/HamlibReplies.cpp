#include "station/HamlibReplies.h"

#include <cmath>
#include <utility>

namespace nimbrel::station {

namespace {

std::optional<int> RprtCode(const QString& line) {
  if (!line.startsWith(QLatin1String("RPRT "))) return std::nullopt;
  bool ok = false;
  const int code = line.mid(5).trimmed().toInt(&ok);
  return ok ? std::optional<int>(code) : std::nullopt;
}

}  // namespace

std::optional<TReportedPosition> PositionFromReply(const TReply& reply) {
  if (!reply.Ok() || reply.values.size() != 2) return std::nullopt;
  bool azOk = false;
  bool elOk = false;
  const double az = reply.values[0].toDouble(&azOk);
  const double el = reply.values[1].toDouble(&elOk);
  // QString::toDouble reads "nan" and "inf" as numbers.
  if (!azOk || !elOk || !std::isfinite(az) || !std::isfinite(el) || std::fabs(az) > 540.0 ||
      std::fabs(el) > 540.0)
    return std::nullopt;
  return TReportedPosition{az, el};
}

std::optional<qint64> FrequencyFromReply(const TReply& reply) {
  if (!reply.Ok() || reply.values.size() != 1) return std::nullopt;
  bool ok = false;
  const double value = reply.values[0].toDouble(&ok);
  if (!ok || !std::isfinite(value) || value < 0 || value > 1e13) return std::nullopt;
  return std::llround(value);
}

void THamlibReplyReader::Clear() noexcept {
  received_.clear();
  lines_.clear();
}

std::optional<QString> THamlibReplyReader::NextLine() {
  const qsizetype end = received_.indexOf('\n');
  if (end < 0) return std::nullopt;
  QString line = QString::fromUtf8(received_.left(end)).trimmed();
  received_.remove(0, end + 1);
  return line;
}

std::optional<TReply> THamlibReplyReader::Take(int valueLines) {
  while (std::optional<QString> line = NextLine()) {
    const std::optional<int> code = RprtCode(*line);
    if (!code) lines_.append(std::move(*line));
    if (!code && lines_.size() < valueLines) continue;
    return TReply{code.value_or(0), std::exchange(lines_, {})};
  }
  return std::nullopt;
}

void THamlibReplyReader::SkipLines() {
  while (NextLine()) {
  }
  lines_.clear();
}

bool THamlibReplyReader::Overlong() const noexcept {
  return received_.size() > kMaxLineBytes && !received_.contains('\n');
}

}  // namespace nimbrel::station
