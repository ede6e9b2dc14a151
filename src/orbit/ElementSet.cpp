#include "ElementSet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "OrbitConstants.h"
#include "OrbitErrors.h"
#include "OrbitMath.h"
#include "OrbitTime.h"

namespace nimbrel::orbit {

namespace {

// The slice of a line at a 1-based column, with spaces read as "0" and an empty slice as "0".
// Fields are at most 14 characters, so the slice lives in a small buffer.
struct TSlice {
  char text[16];
  std::size_t size = 0;
  operator std::string_view() const noexcept { return {text, size}; }
};

TSlice Slice(std::string_view line, int column, int length) noexcept {
  TSlice s;
  const auto start = static_cast<std::size_t>(column - 1);
  if (start < line.size() && length > 0) {
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(length), sizeof s.text);
    const std::string_view part = line.substr(start, count);
    for (char c : part) s.text[s.size++] = c == ' ' ? '0' : c;
  }
  if (s.size == 0) s.text[s.size++] = '0';
  return s;
}

std::size_t Digits(std::string_view s, std::size_t i) noexcept {
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  return i;
}

// Accepts exactly: optional sign, digits, optional point and fraction, optional exponent. Anything
// else (inf, nan, hex, stray characters) does not read.
bool ParseReal(std::string_view s, double& value) noexcept {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t intStart = i;
  i = Digits(s, i);
  std::size_t mantissaDigits = i - intStart;
  if (i < s.size() && s[i] == '.') {
    const std::size_t fracStart = ++i;
    i = Digits(s, i);
    mantissaDigits += i - fracStart;
  }
  if (mantissaDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t expStart = j;
    j = Digits(s, j);
    if (j == expStart) return false;
    i = j;
  }
  if (i != s.size()) return false;
  // from_chars takes no leading '+'.
  if (s.front() == '+') s.remove_prefix(1);
  const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
  // Out of range reads as not readable: it cannot be a valid element either way.
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseInteger(std::string_view s, int& value) noexcept {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string CatalogueNumberText(std::string_view line1) {
  std::string s;
  if (line1.size() > 2) s = std::string(line1.substr(2, 5));
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

constexpr double kTwoPiD = static_cast<double>(kTwoPi);

}  // namespace

double ReadRealField(std::string_view line, int column, int length) noexcept {
  double v = 0.0;
  return ParseReal(Slice(line, column, length), v) ? v : 0.0;
}

int ReadIntegerField(std::string_view line, int column, int length) noexcept {
  int v = 0;
  return ParseInteger(Slice(line, column, length), v) ? v : 0;
}

std::string ElementSetNumberText(int number) {
  // Built by hand: a catalogue load formats one per set, and a printf call cost more than the rest.
  const int n = ((number % 1000) + 1000) % 1000;
  const char text[3] = {static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
                        static_cast<char>('0' + n % 10)};
  return std::string(text, 3);
}

bool IsDeepSpace(double meanMotion, double eccentricity, double inclination) {
  const double a1 = Power(Xke / meanMotion, kTothrd);
  const double cosi = std::cos(inclination);
  const double t = 0.00081196185 * (3.0 * cosi * cosi - 1.0) / Power(1.0 - eccentricity * eccentricity, 1.5);
  const double delta1 = t / (a1 * a1);
  const double a0 = a1 * (1.0 - delta1 * (1.0 / 3.0 + delta1 * (1.0 + 134.0 / 81.0 * delta1)));
  const double delta0 = t / (a0 * a0);
  const double unKozai = meanMotion / (1.0 + delta0);
  return kTwoPiD / unKozai >= 225.0;
}

TElementSet ParseElementLines(std::string_view line1, std::string_view line2) {
  TElementSet e;
  e.catalogueNumber = CatalogueNumberText(line1);

  e.epochRaw = ReadRealField(line1, 19, 14);
  e.epochJD = JulianDateOfEpoch(e.epochRaw);
  const double nDot = ReadRealField(line1, 34, 10);
  const double nDdotMantissa = ReadRealField(line1, 45, 6) * 0.00001;
  const int nDdotExponent = ReadIntegerField(line1, 51, 2);
  const double bStarMantissa = ReadRealField(line1, 54, 6) * 0.00001;
  const int bStarExponent = ReadIntegerField(line1, 60, 2);
  const int elementSet = ReadIntegerField(line1, 66, 3);

  const double inclinationDeg = ReadRealField(line2, 9, 8);
  const double raanDeg = ReadRealField(line2, 18, 8);
  e.eccentricity = ReadRealField(line2, 27, 7) * 0.0000001;
  const double argPerigeeDeg = ReadRealField(line2, 35, 8);
  const double meanAnomalyDeg = ReadRealField(line2, 44, 8);
  const double revPerDay = ReadRealField(line2, 53, 11);
  e.revolutionAtEpoch = ReadIntegerField(line2, 64, 5);

  e.elementSetNumber = ElementSetNumberText(elementSet);
  e.meanMotionDdot = nDdotMantissa * Power(10.0, nDdotExponent);
  e.bStar = bStarMantissa * Power(10.0, bStarExponent) / kAe;
  e.rightAscension = Radians(raanDeg);
  e.argumentOfPerigee = Radians(argPerigeeDeg);
  e.meanAnomaly = Radians(meanAnomalyDeg);
  e.inclination = Radians(inclinationDeg);
  e.meanMotion = revPerDay * kTwoPiD / kMinutesPerDay;
  e.meanMotionDot = nDot * kTwoPiD / 2073600.0;
  e.meanMotionDdot = e.meanMotionDdot * kTwoPiD / Cube(kMinutesPerDay);
  return e;
}

void ValidateElementSet(const TElementSet& e) {
  const auto fail = [&](const std::string& what) {
    throw EElementError("TSatellite::SetElements: element set '" + e.catalogueNumber + "' rejected: " + what);
  };
  const struct {
    const char* name;
    double value;
  } fields[] = {{"epoch", e.epochRaw},
                {"first derivative of mean motion", e.meanMotionDot},
                {"second derivative of mean motion", e.meanMotionDdot},
                {"B*", e.bStar},
                {"inclination", e.inclination},
                {"right ascension", e.rightAscension},
                {"eccentricity", e.eccentricity},
                {"argument of perigee", e.argumentOfPerigee},
                {"mean anomaly", e.meanAnomaly},
                {"mean motion", e.meanMotion},
                {"revolution number", e.revolutionAtEpoch},
                {"epoch Julian date", e.epochJD}};
  for (const auto& f : fields) {
    if (!std::isfinite(f.value)) fail(std::string(f.name) + " is not a finite number");
  }
  if (!(e.meanMotion > 0.0)) fail("mean motion must be greater than 0");
  if (!(e.eccentricity >= 0.0 && e.eccentricity < 1.0)) fail("eccentricity must lie in [0, 1)");
  const double year = Int(e.epochRaw / 1000.0);
  const double day = e.epochRaw - year * 1000.0;
  if (year < 0.0 || year > 99.0) fail("epoch year must have two digits");
  if (!(day >= 1.0 && day < 367.0)) fail("epoch day must lie in [1, 367)");
}

}  // namespace nimbrel::orbit
