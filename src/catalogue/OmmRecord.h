#pragma once
// One record of an Orbit Mean-Elements Message (OMM), whatever file form it came in, and the element
// set it gives.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "orbit/ElementSet.h"

namespace nimbrel::catalogue {

// The OMM fields a satellite is built from; every other field of a record is passed over.
enum class TOmmField : std::uint8_t {
  ofObjectName,
  ofObjectId,
  ofEpoch,
  ofMeanMotion,
  ofEccentricity,
  ofInclination,
  ofRaOfAscNode,
  ofArgOfPericenter,
  ofMeanAnomaly,
  ofNoradCatId,
  ofBStar,
  ofMeanMotionDot,
  ofMeanMotionDdot,
  ofClassificationType,
  ofElementSetNo,
  ofRevAtEpoch,
  ofMeanElementTheory,
  ofEphemerisType,
};
inline constexpr std::size_t kOmmFieldCount = 18;

// The field of that exact OMM name ("MEAN_MOTION"), or nothing.
std::optional<TOmmField> OmmFieldNamed(std::string_view name) noexcept;
std::string_view OmmFieldName(TOmmField field) noexcept;

// A field's value as the file gave it: text (CSV, XML, JSON strings) or a number (JSON numbers).
// A JSON value of another type (true, an object, ...) is kept as invalid, so that the record is
// skipped rather than read with the field missing.
struct TOmmValue {
  enum class TKind : std::uint8_t { vkAbsent, vkText, vkNumber, vkInvalid };
  TKind kind = TKind::vkAbsent;
  double number = 0.0;
  std::string text;
};

class TOmmFields {
 public:
  // Forgets every value; the texts keep their memory for the next record.
  void Clear() noexcept;
  void SetText(TOmmField field, std::string_view text);
  void SetNumber(TOmmField field, double number) noexcept;
  void SetInvalid(TOmmField field) noexcept;
  const TOmmValue& Get(TOmmField field) const noexcept { return values_[static_cast<std::size_t>(field)]; }

 private:
  TOmmValue& At(TOmmField field) noexcept { return values_[static_cast<std::size_t>(field)]; }
  std::array<TOmmValue, kOmmFieldCount> values_;
};

// What a record gives: the display name and the element set in the propagators' units.
struct TOmmSet {
  std::string name;
  orbit::TElementSet elements;
};

// The satellite a record describes, or nothing when the record cannot give an SGP4 element set:
// a MEAN_ELEMENT_THEORY other than SGP4, a missing or unreadable EPOCH, MEAN_MOTION, ECCENTRICITY,
// INCLINATION, RA_OF_ASC_NODE, ARG_OF_PERICENTER, MEAN_ANOMALY or NORAD_CAT_ID, an optional field
// (BSTAR, MEAN_MOTION_DOT, MEAN_MOTION_DDOT, ELEMENT_SET_NO, REV_AT_EPOCH) present but unreadable, an
// epoch outside the years 1957-2056 that two-digit epoch years can name. An EPHEMERIS_TYPE other than 0
// (4: SGP4-XP) is kept in the set, which then lists but has no position; an unreadable one skips it. Values
// that no orbit has (a zero mean motion, say) pass here and are turned away by TSatellite::SetElementSet.
std::optional<TOmmSet> OmmElementSet(const TOmmFields& fields);

// An ISO 8601 UTC epoch ("2024-01-15T12:34:56.490816", a trailing "Z" allowed, the date also as
// year and day of year "2024-015") in the two-line form yyddd.dddddddd, at the full precision of a
// double rather than the lines' eight decimals. Nothing for a malformed text or a year outside
// 1957-2056.
std::optional<double> OmmEpochRaw(std::string_view text) noexcept;

}  // namespace nimbrel::catalogue
