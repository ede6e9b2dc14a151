#include "catalogue/Transmitters.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <tuple>

#include "catalogue/KeplerFile.h"

namespace nimbrel::catalogue {

namespace {

// Radio frequencies end well below a terahertz; anything above is a broken entry, and would not
// survive the conversion to whole hertz.
constexpr double kMaxHz = 1e12;
// Catalogue numbers have nine digits at most, in their longest (Alpha-5 and beyond) forms.
constexpr double kMaxNoradId = 999999999.0;
// The uuid names the entry on a command line and in the settings: a short printable word.
constexpr qsizetype kMaxUuidChars = 64;
constexpr qsizetype kMaxTextChars = 1000;

// One entry's fields; false as soon as one is of the wrong kind, and the entry is passed over.
class TEntryReader {
 public:
  explicit TEntryReader(const QJsonObject& object) : object_(object) {}

  bool Text(const char* key, std::string& out) {
    const QJsonValue v = object_.value(QLatin1StringView(key));
    if (v.isNull() || v.isUndefined()) return true;
    if (!v.isString() || v.toString().size() > kMaxTextChars) return false;
    out = v.toString().toStdString();
    return true;
  }
  bool Flag(const char* key, bool& out) {
    const QJsonValue v = object_.value(QLatin1StringView(key));
    if (v.isNull() || v.isUndefined()) return true;
    if (!v.isBool()) return false;
    out = v.toBool();
    return true;
  }
  bool Number(const char* key, std::optional<double>& out, double low, double high) {
    const QJsonValue v = object_.value(QLatin1StringView(key));
    if (v.isNull() || v.isUndefined()) return true;
    if (!v.isDouble()) return false;
    const double value = v.toDouble();
    if (!std::isfinite(value) || value < low || value > high) return false;
    out = value;
    return true;
  }
  bool Whole(const char* key, std::optional<std::int64_t>& out, double low, double high) {
    std::optional<double> value;
    if (!Number(key, value, low, high)) return false;
    if (value) out = std::llround(*value);
    return true;
  }

 private:
  const QJsonObject& object_;
};

bool ValidUuid(const std::string& uuid) {
  if (uuid.empty() || uuid.size() > static_cast<std::size_t>(kMaxUuidChars)) return false;
  return std::all_of(uuid.begin(), uuid.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
  });
}

// A band's ends: a low end alone is one frequency; equal ends are one too; a high end alone or ends
// the wrong way round make no sense.
bool ValidBand(std::optional<std::int64_t>& low, std::optional<std::int64_t>& high) {
  if (high && !low) return false;
  if (low && high) {
    if (*high < *low) return false;
    if (*high == *low) high.reset();
  }
  return true;
}

std::optional<TTransmitter> ReadEntry(const QJsonValue& value) {
  if (!value.isObject()) return std::nullopt;
  const QJsonObject object = value.toObject();
  TEntryReader r(object);
  TTransmitter t;
  std::string status = "active";
  std::optional<double> baud;
  const bool kinds =
      r.Text("uuid", t.uuid) && r.Text("description", t.description) && r.Text("type", t.type) &&
      r.Flag("alive", t.alive) && r.Whole("uplink_low", t.uplinkLowHz, 1, kMaxHz) &&
      r.Whole("uplink_high", t.uplinkHighHz, 1, kMaxHz) &&
      r.Whole("downlink_low", t.downlinkLowHz, 1, kMaxHz) &&
      r.Whole("downlink_high", t.downlinkHighHz, 1, kMaxHz) && r.Text("mode", t.mode) &&
      r.Text("uplink_mode", t.uplinkMode) && r.Flag("invert", t.invert) &&
      r.Number("baud", baud, 0, kMaxHz) && r.Whole("norad_cat_id", t.noradCatId, 1, kMaxNoradId) &&
      r.Whole("norad_follow_id", t.noradFollowId, 1, kMaxNoradId) && r.Text("status", status) &&
      r.Flag("frequency_violation", t.frequencyViolation) && r.Flag("unconfirmed", t.unconfirmed) &&
      r.Number("downlink_drift", t.downlinkDriftHz, -kMaxHz, kMaxHz);
  if (!kinds || !ValidUuid(t.uuid)) return std::nullopt;
  if (!ValidBand(t.downlinkLowHz, t.downlinkHighHz) || !ValidBand(t.uplinkLowHz, t.uplinkHighHz))
    return std::nullopt;
  // Nothing to tune, or no satellite to tune it for.
  if (!t.downlinkLowHz && !t.uplinkLowHz) return std::nullopt;
  if (!t.noradCatId && !t.noradFollowId) return std::nullopt;
  if (status == "active")
    t.status = TTransmitterStatus::tsActive;
  else if (status == "inactive")
    t.status = TTransmitterStatus::tsInactive;
  else if (status == "invalid")
    t.status = TTransmitterStatus::tsInvalid;
  else
    return std::nullopt;
  t.baud = baud.value_or(0.0);
  return t;
}

int TypeRank(const std::string& type) {
  if (type == "Transmitter") return 0;
  if (type == "Transceiver") return 1;
  if (type == "Transponder") return 2;
  return 3;
}

std::string Mhz(std::int64_t hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(hz) / 1e6);
  return text;
}

std::string Band(const std::optional<std::int64_t>& low, const std::optional<std::int64_t>& high) {
  if (!low) return {};
  if (!high) return Mhz(*low) + " MHz";
  return Mhz(*low) + "-" + Mhz(*high) + " MHz";
}

}  // namespace

std::string TTransmitter::Marks() const {
  std::string marks;
  const auto add = [&](const char* mark) {
    if (!marks.empty()) marks += ", ";
    marks += mark;
  };
  if (status == TTransmitterStatus::tsInactive || (status == TTransmitterStatus::tsActive && !alive))
    add("inactive");
  if (status == TTransmitterStatus::tsInvalid) add("invalid");
  if (unconfirmed) add("unconfirmed");
  if (frequencyViolation) add("out of band");
  return marks;
}

std::vector<TTransmitter> ReadTransmitterList(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.size() > kMaxTransmitterListBytes)
    throw ETransmitterListError("ReadTransmitterList: too large", "it is far too large for one");
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
  if (error.error != QJsonParseError::NoError) {
    const std::string reason = "it is not JSON (" + error.errorString().toStdString() + " at byte " +
                               std::to_string(error.offset) + ")";
    throw ETransmitterListError("ReadTransmitterList: " + reason, reason);
  }
  if (!document.isArray())
    throw ETransmitterListError("ReadTransmitterList: not an array", "it is not a list of transmitters");
  std::vector<TTransmitter> list;
  const QJsonArray entries = document.array();
  for (const QJsonValue& entry : entries)
    if (std::optional<TTransmitter> t = ReadEntry(entry)) list.push_back(std::move(*t));
  if (list.empty())
    throw ETransmitterListError("ReadTransmitterList: no good entry", "it holds no usable transmitter");
  return list;
}

std::vector<TTransmitter> ReadTransmitterFile(const std::filesystem::path& path) {
  const auto fail = [&](const std::string& reason) {
    return ETransmitterListError("Could not read the transmitter list " + path.string() + ": " + reason + ".",
                                 reason);
  };
  std::optional<std::string> text;
  try {
    text = ReadKeplerFile(path);
  } catch (const ECatalogueFileError& e) {
    throw fail(e.Reason());
  }
  if (!text) throw fail("there is no such file");
  try {
    return ReadTransmitterList(*text);
  } catch (const ETransmitterListError& e) {
    throw fail(e.Reason());
  }
}

std::vector<TTransmitter> TransmittersOf(const std::vector<TTransmitter>& all, std::int64_t noradId) {
  std::vector<TTransmitter> mine;
  for (const TTransmitter& t : all)
    if (t.Serves(noradId)) mine.push_back(t);
  const auto key = [](const TTransmitter& t) {
    return std::tuple(static_cast<int>(t.status), !t.Recommended(), TypeRank(t.type),
                      t.downlinkLowHz.value_or(INT64_MAX), t.uplinkLowHz.value_or(INT64_MAX));
  };
  std::stable_sort(mine.begin(), mine.end(),
                   [&](const TTransmitter& a, const TTransmitter& b) { return key(a) < key(b); });
  return mine;
}

const TTransmitter* DefaultTransmitter(const std::vector<TTransmitter>& ordered) noexcept {
  for (const TTransmitter& t : ordered)
    if (t.Recommended()) return &t;
  return nullptr;
}

const TTransmitter* FindTransmitter(const std::vector<TTransmitter>& list, std::string_view uuid) noexcept {
  for (const TTransmitter& t : list)
    if (t.uuid == uuid) return &t;
  return nullptr;
}

std::string FormatDownlink(const TTransmitter& t) {
  return Band(t.downlinkLowHz, t.downlinkHighHz);
}

std::string FormatUplink(const TTransmitter& t) {
  return Band(t.uplinkLowHz, t.uplinkHighHz);
}

}  // namespace nimbrel::catalogue
