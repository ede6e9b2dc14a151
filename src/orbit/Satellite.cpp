#include "Satellite.h"

#include <cmath>
#include <string>
#include <utility>

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
  chooser_.reset();
  setInUse_ = 0;
}

void TSatellite::SetElementSets(std::vector<TElementSet> sets) {
  if (sets.empty()) throw EElementError("TSatellite::SetElementSets: no element set given");
  for (const TElementSet& set : sets) {
    ValidateElementSet(set);
    if (set.catalogueNumber != sets.front().catalogueNumber) {
      throw EElementError("TSatellite::SetElementSets: sets of '" + sets.front().catalogueNumber + "' and '" +
                          set.catalogueNumber + "' are not one object's");
    }
  }
  auto chooser = std::make_shared<const TSetChooser>(std::move(sets));
  elements_ = chooser->Sets().front();
  deepSpace_ = chooser->DeepSpace(0);
  hasElements_ = true;
  needsInit_ = true;
  chooser_ = std::move(chooser);
  setInUse_ = 0;
}

int TSatellite::SetCount() const noexcept {
  if (chooser_) return static_cast<int>(chooser_->Count());
  return hasElements_ ? 1 : 0;
}

void TSatellite::ChooseSetFor(double jd) {
  if (!chooser_) return;
  const std::size_t index = chooser_->IndexFor(jd, setInUse_);
  if (index == setInUse_) return;
  elements_ = chooser_->Sets()[index];
  deepSpace_ = chooser_->DeepSpace(index);
  needsInit_ = true;
  setInUse_ = index;
}

const TElementSet& TSatellite::ElementsAt(double jd) const noexcept {
  return chooser_ ? chooser_->Sets()[chooser_->IndexFor(jd, setInUse_)] : elements_;
}

bool TSatellite::SameSetsAs(const TSatellite& other) const noexcept {
  if (CatalogueNumber() != other.CatalogueNumber() || SetCount() != other.SetCount()) return false;
  if (chooser_ && chooser_ == other.chooser_) return true;
  // Either may hold its one set without a chooser.
  const auto epoch = [](const TSatellite& s, std::size_t i) {
    return s.chooser_ ? s.chooser_->Sets()[i].epochJD : s.elements_.epochJD;
  };
  for (std::size_t i = 0; i < static_cast<std::size_t>(SetCount()); ++i) {
    if (epoch(*this, i) != epoch(other, i)) return false;
  }
  return true;
}

double TSatellite::FirstEpochJD() const noexcept {
  return chooser_ ? chooser_->Sets().front().epochJD : elements_.epochJD;
}

double TSatellite::LatestEpochJD() const noexcept {
  return chooser_ ? chooser_->Sets().back().epochJD : elements_.epochJD;
}

double TSatellite::PeriodDays() const noexcept {
  return static_cast<double>(kTwoPi) / (elements_.meanMotion * kMinutesPerDay);
}

void TSatellite::Propagate(double jd, Vector4& position, Vector4& velocity) {
  ChooseSetFor(jd);
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
