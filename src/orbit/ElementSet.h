#pragma once
// One NORAD element set in the units the propagators work in, and the reading of the two element lines.

#include <string>
#include <string_view>

namespace nimbrel::orbit {

struct TElementSet {
  std::string catalogueNumber;   // line 1 columns 3-7, upper-cased, spaces kept; compared as text
  std::string elementSetNumber;  // exactly three digits, zero-padded
  double epochRaw = 0.0;         // yyddd.dddddddd as read
  double epochJD = 0.0;          // epoch as Julian date (UTC)
  double meanMotionDot = 0.0;    // rad/min^2 (the first derivative divided by 2)
  double meanMotionDdot = 0.0;   // rad/min^3 (the second derivative divided by 6)
  double bStar = 0.0;            // per Earth radius
  double inclination = 0.0;      // rad
  double rightAscension = 0.0;   // rad
  double eccentricity = 0.0;
  double argumentOfPerigee = 0.0;  // rad
  double meanAnomaly = 0.0;        // rad
  double meanMotion = 0.0;         // rad/min, as read (Kozai)
  double revolutionAtEpoch = 0.0;
  // 0 for the SGP4/SDP4 mean elements these models compute. Other types (4: SGP4-XP) are fitted for
  // another model and give plausible but wrong positions here, so they get none.
  int ephemerisType = 0;
};

// Reads the two lines column by column: spaces inside a field read as "0", fields past a line's end
// read as 0, unreadable fields read as 0. Nothing is validated here (see ValidateElementSet).
TElementSet ParseElementLines(std::string_view line1, std::string_view line2);

// Throws EElementError naming the first field that cannot describe an orbit: a non-finite value, a
// mean motion <= 0, an eccentricity outside [0, 1), an epoch year outside 00-99 or day outside [1, 367).
void ValidateElementSet(const TElementSet& set);

// The element set number as three digits: 84 gives "084". Values outside 0..999 keep their last three
// digits.
std::string ElementSetNumberText(int number);

// True when the un-Kozai'd period is 225 minutes or more (SDP4 instead of SGP4).
bool IsDeepSpace(double meanMotion, double eccentricity, double inclination);

// Field readers, exposed for tests: columns count from 1.
double ReadRealField(std::string_view line, int column, int length) noexcept;
int ReadIntegerField(std::string_view line, int column, int length) noexcept;

}  // namespace nimbrel::orbit
