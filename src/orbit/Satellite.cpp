#include "Satellite.h"

#include <cmath>
#include <string>

#include "OrbitConstants.h"

namespace nimbrel::orbit {

TSatellite TSatellite::Create(std::string name, std::string_view line1, std::string_view line2) {
  TSatellite s;
  s.name_ = std::move(name);
  s.SetElements(line1, line2);
  return s;
}

void TSatellite::SetElements(std::string_view line1, std::string_view line2) {
  SetElementSet(ParseElementLines(line1, line2));
}

void TSatellite::SetElementSet(const TElementSet& elements) {
  // Everything that can throw happens before the record is touched, so a rejected set leaves the
  // satellite exactly as it was.
  ValidateElementSet(elements);
  const bool deep = IsDeepSpace(elements.meanMotion, elements.eccentricity, elements.inclination);
  elements_ = elements;
  deepSpace_ = deep;
  hasElements_ = true;
  needsInit_ = true;
}

double TSatellite::PeriodDays() const noexcept {
  return static_cast<double>(kTwoPi) / (elements_.meanMotion * kMinutesPerDay);
}

void TSatellite::Propagate(double jd, Vector4& position, Vector4& velocity) {
  PropagateSinceEpoch((jd - elements_.epochJD) * kMinutesPerDay, position, velocity);
}

void TSatellite::FailPropagation(const char* reason) const {
  throw EPropagationError(
      "TSatellite::Propagate: '" + name_ + "' (" + elements_.catalogueNumber + "): " + reason, reason);
}

void TSatellite::PropagateSinceEpoch(double tsince, Vector4& position, Vector4& velocity) {
  if (!hasElements_) {
    throw EPropagationError("TSatellite::Propagate: '" + name_ + "' has no element set", "no element set");
  }
  if (elements_.ephemerisType != 0) {
    const std::string reason =
        elements_.ephemerisType == 4
            ? std::string("SGP4-XP elements, not supported")
            : "elements of type " + std::to_string(elements_.ephemerisType) + ", not supported";
    throw EPropagationError(
        "TSatellite::Propagate: '" + name_ + "' (" + elements_.catalogueNumber + "): " + reason, reason);
  }
  if (!(std::fabs(tsince) <= kMaxMinutesFromEpoch)) FailPropagation("more than 100 years from the epoch");
  Vector4 p;
  Vector4 v;
  if (deepSpace_) {
    Sdp4(tsince, p, v);
  } else {
    Sgp4(tsince, p, v);
  }
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(v.x) ||
      !std::isfinite(v.y) || !std::isfinite(v.z) || !std::isfinite(argumentOfLatitude_)) {
    FailPropagation("no finite position");
  }
  if (argumentOfLatitude_ < 0.0) argumentOfLatitude_ += static_cast<double>(kTwoPi);
  position = p;
  velocity = v;
}

TPropagateResult TSatellite::TryPropagate(double jd, Vector4& position, Vector4& velocity) noexcept {
  try {
    Propagate(jd, position, velocity);
    return {};
  } catch (const std::exception& e) {
    TPropagateResult r;
    r.ok = false;
    try {
      r.error = e.what();
      const auto* failure = dynamic_cast<const EPropagationError*>(&e);
      r.reason = failure ? failure->Reason() : std::string("no position at this time");
    } catch (...) {
    }
    return r;
  }
}

}  // namespace nimbrel::orbit
