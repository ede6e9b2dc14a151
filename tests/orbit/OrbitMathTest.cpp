#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "orbit/OrbitConstants.h"
#include "orbit/OrbitErrors.h"
#include "orbit/OrbitMath.h"

namespace nimbrel::orbit {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPiD = static_cast<double>(kPi);

TEST(OrbitMath, ModulusFollowsTheTruncatedQuotient) {
  const struct {
    double value, divisor, expected;
  } rows[] = {{-1, 360, 359}, {720, 360, 0}, {-720, 360, 0}, {370, 360, 10}, {-0.5, 1, 0.5}, {5, 2, 1}};
  for (const auto& r : rows) {
    EXPECT_DOUBLE_EQ(Modulus(r.value, r.divisor), r.expected) << r.value << " mod " << r.divisor;
  }
}

TEST(OrbitMath, ModulusAndTruncationAreDefinedForEveryDouble) {
  // A NaN or a quotient beyond 64 bits must not reach an integer conversion: NaN in, NaN out, and
  // huge values give some finite or non-finite real without undefined behaviour.
  EXPECT_TRUE(std::isnan(Modulus(kNaN, 360)));
  EXPECT_TRUE(std::isnan(Modulus(kInf, 360)));
  const double huge = Modulus(1e300, 360);
  EXPECT_TRUE(std::isnan(huge) || (huge >= 0 && huge < 360));
  // A tiny negative value must not round up to the divisor itself.
  EXPECT_LT(Modulus(-1e-20, 360), 360.0);
  EXPECT_TRUE(std::isnan(Fmod2p(kNaN)));
  EXPECT_EQ(TruncToInt64(kNaN), 0);
  EXPECT_EQ(TruncToInt64(1e300), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TruncToInt64(-kInf), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TruncToInt64(-2.9), -2);
  EXPECT_TRUE(std::isnan(Int(kNaN)));
  EXPECT_DOUBLE_EQ(Frac(-2.25), -0.25);
}

TEST(OrbitMath, Fmod2pStaysInOneTurn) {
  for (double x : {-100.0, -kPiD, -1e-9, 0.0, 1.0, 2 * kPiD, 1e6}) {
    const double r = Fmod2p(x);
    EXPECT_GE(r, 0.0) << x;
    EXPECT_LT(r, 2 * kPiD) << x;
    EXPECT_NEAR(std::remainder(r - x, 2 * kPiD), 0.0, 1e-9) << x;
  }
}

TEST(OrbitMath, AcTanQuadrantsAndZeroCosine) {
  EXPECT_DOUBLE_EQ(AcTan(0, 0), kThreePiOver2);
  EXPECT_DOUBLE_EQ(AcTan(1, 0), kPiOver2);
  EXPECT_DOUBLE_EQ(AcTan(-1, 0), kThreePiOver2);
  EXPECT_DOUBLE_EQ(AcTan(-1, 1), -kPiD / 4);  // not 7 pi / 4: callers normalise themselves
  EXPECT_DOUBLE_EQ(AcTan(1, -1), 3 * kPiD / 4);
  EXPECT_DOUBLE_EQ(AcTan(-1, -1), 5 * kPiD / 4);
}

TEST(OrbitMath, ArcSinSafeClampsOutsideTheDomain) {
  EXPECT_DOUBLE_EQ(ArcSinSafe(1.0000001), kPiD / 2);
  EXPECT_DOUBLE_EQ(ArcSinSafe(-1), -kPiD / 2);
  EXPECT_NEAR(ArcSinSafe(0.5), std::asin(0.5), 1e-15);
  EXPECT_DOUBLE_EQ(ArcSinSafe(0), 0);
}

TEST(OrbitMath, PowerRejectsBasesThatAreNotPositive) {
  EXPECT_NEAR(Power(2, 10), 1024, 1e-9);
  EXPECT_NEAR(Power(10, -3), 1e-3, 1e-18);
  for (double base : {0.0, -1.0, -0.0, kNaN}) {
    try {
      Power(base, 1.5);
      ADD_FAILURE() << "Power(" << base << ") did not throw";
    } catch (const EMathError& e) {
      EXPECT_STREQ(e.what(), "Invalid argument in Function Power!");
    }
  }
}

TEST(OrbitMath, SmallHelpers) {
  EXPECT_EQ(Sign(-0.0), 0);
  EXPECT_EQ(Sign(-3), -1);
  EXPECT_EQ(Sign(1e-300), 1);
  EXPECT_DOUBLE_EQ(Degrees(Radians(123.25)), 123.25);
  Vector4 v{3, 4, 12, 0};
  Magnitude(v);
  EXPECT_DOUBLE_EQ(v.magnitude, 13);
  EXPECT_DOUBLE_EQ(Dot(v, Vector4{1, 1, 1, 0}), 19);
}

}  // namespace
}  // namespace nimbrel::orbit
