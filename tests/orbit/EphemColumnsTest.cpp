// The CSV contract of nimbrel-ephem: column order, status last, the same number of fields in every
// row, angles in their ranges, and the --observer argument.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "EphemFormat.h"
#include "orbit/OrbitMath.h"
#include "orbit/Satellite.h"

namespace nimbrel::tools {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// RFC 4180 fields, quotes removed.
std::vector<std::string> CsvSplit(const std::string& row) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (quoted) {
      if (c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::size_t IndexOf(const std::vector<std::string>& header, const std::string& name) {
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return i;
  }
  return header.size();
}

orbit::TSatellite Iss() {
  return orbit::TSatellite::Create("ISS (ZARYA)",
                                   "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                                   "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
}

TEST(EphemColumns, SubPointAfterVelocityObserverAfterThatStatusLast) {
  for (bool observer : {false, true}) {
    const std::vector<std::string> h = CsvSplit(SatelliteHeader(observer));
    EXPECT_EQ(h.back(), "status");
    EXPECT_EQ(h[h.size() - 2], "epoch_age_days");
    const std::size_t vz = IndexOf(h, "vz_kms");
    ASSERT_LT(vz + 3, h.size());
    EXPECT_EQ(h[vz + 1], "lat_deg");
    EXPECT_EQ(h[vz + 2], "lon_deg");
    EXPECT_EQ(h[vz + 3], "alt_km");
    if (observer) {
      const std::vector<std::string> look = {"az_deg", "el_deg", "range_km", "range_rate_kms", "visible"};
      for (std::size_t i = 0; i < look.size(); ++i) EXPECT_EQ(h[vz + 4 + i], look[i]);
      EXPECT_EQ(h.size(), vz + 11);
    } else {
      EXPECT_EQ(h.size(), vz + 6);
    }
  }
  EXPECT_EQ(std::string(kBodyHeader), "body,utc,x_km,y_km,z_km,distance_km,lat_deg,lon_deg");
}

TEST(EphemColumns, EveryRowHasTheHeadersFieldCount) {
  orbit::TSatellite iss = Iss();
  orbit::TSatellite empty;  // no elements: propagation fails
  const std::optional<orbit::GeodeticPoint> observer = ParseObserver("52,5,0.01");
  ASSERT_TRUE(observer);
  for (bool withObserver : {false, true}) {
    const auto place = withObserver ? observer : std::nullopt;
    const std::size_t columns = CsvSplit(SatelliteHeader(withObserver)).size();
    for (double minutes : {0.0, 10.0, 600.0}) {
      const std::vector<std::string> ok =
          CsvSplit(SatelliteRow(iss, iss.EpochJD() + minutes / 1440.0, place));
      ASSERT_EQ(ok.size(), columns) << minutes;
      EXPECT_EQ(ok.back(), "ok");
      EXPECT_EQ(ok[0], "ISS (ZARYA)");
      for (std::size_t i = 4; i + 1 < ok.size(); ++i) EXPECT_FALSE(ok[i].empty()) << i;
      if (withObserver) {
        EXPECT_TRUE(ok[columns - 3] == "0" || ok[columns - 3] == "1");
      }
      EXPECT_NEAR(std::stod(ok[columns - 2]), minutes / 1440.0, 5e-7);
    }
    const std::vector<std::string> failed = CsvSplit(SatelliteRow(empty, 2451545.0, place));
    ASSERT_EQ(failed.size(), columns);
    EXPECT_NE(failed.back(), "ok");
    EXPECT_FALSE(failed.back().empty());
    for (std::size_t i = 4; i + 1 < failed.size(); ++i) EXPECT_TRUE(failed[i].empty()) << i;
  }
}

TEST(EphemColumns, AFailedRowGivesThePlainReasonAndTheSetsAge) {
  // The ISS set of 2006 twenty years on: its drag term has long made the orbit meaningless.
  orbit::TSatellite iss = Iss();
  const double jd = *ParseUtc("2026-01-03T19:56:11.476");
  for (bool withObserver : {false, true}) {
    const std::vector<std::string> row =
        CsvSplit(SatelliteRow(iss, jd, withObserver ? ParseObserver("52,5,0") : std::nullopt));
    EXPECT_EQ(row.back(), "eccentricity out of range");
    EXPECT_EQ(row[row.size() - 2], FormatFixed(jd - iss.EpochJD(), 6));
    EXPECT_EQ(row[row.size() - 2].substr(0, 5), "7305.");
    EXPECT_TRUE(row[4].empty());
  }
}

TEST(EphemColumns, ObserverBelowTheSatelliteSeesItOverhead) {
  orbit::TSatellite iss = Iss();
  const double jd = iss.EpochJD();
  const std::vector<std::string> h = CsvSplit(SatelliteHeader(true));
  const std::vector<std::string> plain = CsvSplit(SatelliteRow(iss, jd, std::nullopt));
  const std::string place = plain[IndexOf(h, "lat_deg")] + "," + plain[IndexOf(h, "lon_deg")] + ",0";
  const std::vector<std::string> row = CsvSplit(SatelliteRow(iss, jd, ParseObserver(place)));
  // Six printed decimals of the place leave the satellite within 0.2 km of the zenith.
  EXPECT_NEAR(std::stod(row[IndexOf(h, "el_deg")]), 90.0, 0.05);
  EXPECT_NEAR(std::stod(row[IndexOf(h, "range_km")]), std::stod(plain[IndexOf(h, "alt_km")]), 1e-3);
  EXPECT_EQ(row[IndexOf(h, "visible")], "1");
}

TEST(EphemColumns, ParseObserver) {
  const auto p = ParseObserver("52.5,-10,0.25");
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->latitude, 52.5 * kDeg, 1e-15);
  EXPECT_NEAR(p->longitude, 350.0 * kDeg, 1e-12);  // 10 degrees west
  EXPECT_DOUBLE_EQ(p->altitude, 0.25);
  EXPECT_TRUE(ParseObserver("-90,0,0"));
  EXPECT_TRUE(ParseObserver("90,720,0"));
  // From the Dead Sea's shore to beyond the Moon, and not a metre further.
  EXPECT_TRUE(ParseObserver("31.5,35.5,-1"));
  EXPECT_TRUE(ParseObserver("0,0,1000000"));
  for (const char* bad : {"", "52,5", "52,5,0,1", "91,0,0", "-90.5,0,0", "52,east,0", "nan,0,0", "52,inf,0",
                          "52,,0", "52,5,-1.001", "52,5,1000000.001", "52,5,-6378", "52,5,1e300"}) {
    EXPECT_FALSE(ParseObserver(bad)) << bad;
  }
}

TEST(EphemColumns, NumbersPrintInTheirRanges) {
  EXPECT_EQ(FormatFixed(-1e-9, 6), "0.000000");
  EXPECT_EQ(FormatFixed(-0.0, 3), "0.000");
  EXPECT_EQ(FormatFixed(-1.5, 1), "-1.5");
  EXPECT_EQ(FormatDegrees360(2.0 * 3.14159265358979323846 - 1e-12, 6), "0.000000");
  EXPECT_EQ(FormatDegrees360(-10.0 * kDeg, 3), "350.000");
  EXPECT_EQ(FormatDegrees360(90.0 * kDeg, 2), "90.00");
  // Every digit, however large the value: a cut number would read as a different one.
  const std::string huge = FormatFixed(-1e300, 6);
  EXPECT_EQ(huge.size(), 1u + 301u + 7u);
  EXPECT_EQ(std::stod(huge), -1e300);
  EXPECT_EQ(FormatFixed(0.0000005, 6), "0.000000");  // 5e-7 is a hair below the half
  EXPECT_EQ(FormatFixed(2.5, 0), "2");               // ties go to even, as printf has them
}

TEST(EphemColumns, BodyRowsForTheSunAndTheMoon) {
  const double jd = 2451716.575;  // 2000 June 21 01:48 UT, the June solstice
  const auto sun = BodyRow(TBody::bdSun, jd);
  ASSERT_TRUE(sun);
  const std::vector<std::string> s = CsvSplit(*sun);
  ASSERT_EQ(s.size(), CsvSplit(std::string(kBodyHeader)).size());
  EXPECT_EQ(s[0], "sun");
  EXPECT_EQ(s[1], "2000-06-21T01:48:00.000Z");
  EXPECT_NEAR(std::stod(s[5]) / 149597870.0, 1.0163, 0.0005);
  EXPECT_NEAR(std::stod(s[6]), 23.44, 0.02);
  const auto moon = BodyRow(TBody::bdMoon, jd);
  ASSERT_TRUE(moon);
  const std::vector<std::string> m = CsvSplit(*moon);
  ASSERT_EQ(m.size(), s.size());
  EXPECT_EQ(m[0], "moon");
  EXPECT_GT(std::stod(m[5]), 355000.0);
  EXPECT_LT(std::stod(m[5]), 408000.0);
  for (const auto& row : {s, m}) {
    EXPECT_GE(std::stod(row[7]), 0.0);
    EXPECT_LT(std::stod(row[7]), 360.0);
  }
  EXPECT_FALSE(BodyRow(TBody::bdMoon, 1e12));
}

}  // namespace
}  // namespace nimbrel::tools
