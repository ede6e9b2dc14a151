// SDP4, the deep-space model of Spacetrack Report No. 3, with its deep-space routine: the Moon's and
// the Sun's secular and periodic perturbations and the integration of the 12-hour and one-day
// geopotential resonances. The report's variable names and order of evaluation are kept, so the code
// can be checked line by line against it; where this code departs from the report it says why.

#include <cmath>
#include <string>

#include "OrbitConstants.h"
#include "OrbitTime.h"
#include "Satellite.h"

namespace nimbrel::orbit {
namespace {

constexpr double kPiD = static_cast<double>(kPi);
constexpr double kTwoPiD = static_cast<double>(kTwoPi);

// The Sun's and the Moon's mean motions (rad/min), perturbation coefficients and eccentricities, and
// the Sun's orbit relative to the equator.
constexpr double kZns = 1.19459e-5;
constexpr double kC1ss = 2.9864797e-6;
constexpr double kZes = 0.01675;
constexpr double kZnl = 1.5835218e-4;
constexpr double kC1l = 4.7968065e-7;
constexpr double kZel = 0.05490;
constexpr double kZcosis = 0.91744867;
constexpr double kZsinis = 0.39785416;
constexpr double kZsings = -0.98088458;
constexpr double kZcosgs = 0.1945905;

// Geopotential resonance coefficients and phases.
constexpr double kQ22 = 1.7891679e-6;
constexpr double kQ31 = 2.1460748e-6;
constexpr double kQ33 = 2.2123015e-7;
constexpr double kRoot22 = 1.7891679e-6;
constexpr double kRoot32 = 3.7393792e-7;
constexpr double kRoot44 = 7.3636953e-9;
constexpr double kRoot52 = 1.1428639e-7;
constexpr double kRoot54 = 2.1765803e-9;
constexpr double kThdt = 4.3752691e-3;  // the Earth's rotation rate, rad/min
constexpr double kG22 = 5.7686396;
constexpr double kG32 = 0.95240898;
constexpr double kG44 = 1.8014998;
constexpr double kG52 = 1.0508330;
constexpr double kG54 = 4.4108898;
constexpr double kFasx2 = 0.13130908;
constexpr double kFasx4 = 2.8843198;
constexpr double kFasx6 = 0.37448087;

// The resonance integrator's step (minutes) and half its square.
constexpr double kStepp = 720.0;
constexpr double kStepn = -720.0;
constexpr double kStep2 = 259200.0;

// Far from any time, so the first periodic evaluation after an initialisation always computes.
constexpr double kSavtsnUnset = 1.0e20;
// The periodic sums change slowly enough to be reused within this many minutes of their evaluation.
constexpr double kPeriodicReuseMinutes = 30.0;
// Below this epoch inclination the secular node term is dropped (3 degrees), and below this one the
// periodic terms are applied in Lyddane's form, which has no 1/sin(i) (about 11.5 degrees).
constexpr double kNoNodeTermInclination = 5.2359877e-2;
constexpr double kLyddaneInclination = 0.2;

// Reaching a time within a century of the epoch takes at most this many steps, stepping back to the
// epoch and out again included; a call that needs more has been given an impossible time.
constexpr long kMaxIntegratorSteps = static_cast<long>(2.0 * kMaxMinutesFromEpoch / kStepp) + 4;

// One perturbing body as the satellite's orbit sees it.
struct TThirdBody {
  double zcosg, zsing, zcosi, zsini, zcosh, zsinh, cc, zn, ze;
};

// What one body contributes: secular rates and periodic coefficients.
struct TThirdBodyTerms {
  double se, si, sl, sgh, sh;
  double ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
};

// The report's code that runs once for the Sun and once for the Moon.
TThirdBodyTerms ThirdBodyTerms(const TThirdBody& b, const TDeepSpaceArgs& a, double eq, double xqncl,
                               double xnoi) noexcept {
  const double a1 = b.zcosg * b.zcosh + b.zsing * b.zcosi * b.zsinh;
  const double a3 = -b.zsing * b.zcosh + b.zcosg * b.zcosi * b.zsinh;
  const double a7 = -b.zcosg * b.zsinh + b.zsing * b.zcosi * b.zcosh;
  const double a8 = b.zsing * b.zsini;
  const double a9 = b.zsing * b.zsinh + b.zcosg * b.zcosi * b.zcosh;
  const double a10 = b.zcosg * b.zsini;
  const double a2 = a.cosiq * a7 + a.siniq * a8;
  const double a4 = a.cosiq * a9 + a.siniq * a10;
  const double a5 = -a.siniq * a7 + a.cosiq * a8;
  const double a6 = -a.siniq * a9 + a.cosiq * a10;

  const double x1 = a1 * a.cosomo + a2 * a.sinomo;
  const double x2 = a3 * a.cosomo + a4 * a.sinomo;
  const double x3 = -a1 * a.sinomo + a2 * a.cosomo;
  const double x4 = -a3 * a.sinomo + a4 * a.cosomo;
  const double x5 = a5 * a.sinomo;
  const double x6 = a6 * a.sinomo;
  const double x7 = a5 * a.cosomo;
  const double x8 = a6 * a.cosomo;

  const double eqsq = a.eqsq;
  const double z31 = 12.0 * x1 * x1 - 3.0 * x3 * x3;
  const double z32 = 24.0 * x1 * x2 - 6.0 * x3 * x4;
  const double z33 = 12.0 * x2 * x2 - 3.0 * x4 * x4;
  double z1 = 3.0 * (a1 * a1 + a2 * a2) + z31 * eqsq;
  double z2 = 6.0 * (a1 * a3 + a2 * a4) + z32 * eqsq;
  double z3 = 3.0 * (a3 * a3 + a4 * a4) + z33 * eqsq;
  const double z11 = -6.0 * a1 * a5 + eqsq * (-24.0 * x1 * x7 - 6.0 * x3 * x5);
  const double z12 =
      -6.0 * (a1 * a6 + a3 * a5) + eqsq * (-24.0 * (x2 * x7 + x1 * x8) - 6.0 * (x3 * x6 + x4 * x5));
  const double z13 = -6.0 * a3 * a6 + eqsq * (-24.0 * x2 * x8 - 6.0 * x4 * x6);
  const double z21 = 6.0 * a2 * a5 + eqsq * (24.0 * x1 * x5 - 6.0 * x3 * x7);
  const double z22 =
      6.0 * (a4 * a5 + a2 * a6) + eqsq * (24.0 * (x2 * x5 + x1 * x6) - 6.0 * (x4 * x7 + x3 * x8));
  const double z23 = 6.0 * a4 * a6 + eqsq * (24.0 * x2 * x6 - 6.0 * x4 * x8);
  z1 = z1 + z1 + a.bsq * z31;
  z2 = z2 + z2 + a.bsq * z32;
  z3 = z3 + z3 + a.bsq * z33;
  const double s3 = b.cc * xnoi;
  const double s2 = -0.5 * s3 / a.rteqsq;
  const double s4 = s3 * a.rteqsq;
  const double s1 = -15.0 * eq * s4;
  const double s5 = x1 * x3 + x2 * x4;
  const double s6 = x2 * x3 + x1 * x4;
  const double s7 = x2 * x4 - x1 * x3;

  TThirdBodyTerms r{};
  r.se = s1 * b.zn * s5;
  r.si = s2 * b.zn * (z11 + z13);
  r.sl = -b.zn * s3 * (z1 + z3 - 14.0 - 6.0 * eqsq);
  r.sgh = s4 * b.zn * (z31 + z33 - 6.0);
  r.sh = -b.zn * s2 * (z21 + z23);
  if (xqncl < kNoNodeTermInclination) r.sh = 0.0;
  r.ee2 = 2.0 * s1 * s6;
  r.e3 = 2.0 * s1 * s7;
  r.xi2 = 2.0 * s2 * z12;
  r.xi3 = 2.0 * s2 * (z13 - z11);
  r.xl2 = -2.0 * s3 * z2;
  r.xl3 = -2.0 * s3 * (z3 - z1);
  r.xl4 = -2.0 * s3 * (-21.0 - 9.0 * eqsq) * b.ze;
  r.xgh2 = 2.0 * s4 * z32;
  r.xgh3 = 2.0 * s4 * (z33 - z31);
  r.xgh4 = -18.0 * s4 * b.ze;
  r.xh2 = -2.0 * s2 * z22;
  r.xh3 = -2.0 * s2 * (z23 - z21);
  return r;
}

// SH / SINIQ, the secular node rate. Below 3 degrees SH is dropped, and an equatorial set (SINIQ = 0)
// must then get a rate of 0 rather than 0/0.
double NodeRate(double sh, double siniq) noexcept {
  return sh == 0.0 ? 0.0 : sh / siniq;
}

// The integrator's rates at its current state: XNDOT, XNDDT and XLDOT.
void ResonanceRates(TSdp4State& d) noexcept {
  if (d.isynfl != 0) {
    d.xndot = d.del1 * std::sin(d.xli - kFasx2) + d.del2 * std::sin(2.0 * (d.xli - kFasx4)) +
              d.del3 * std::sin(3.0 * (d.xli - kFasx6));
    d.xnddt = d.del1 * std::cos(d.xli - kFasx2) + 2.0 * d.del2 * std::cos(2.0 * (d.xli - kFasx4)) +
              3.0 * d.del3 * std::cos(3.0 * (d.xli - kFasx6));
  } else {
    const double xomi = d.omegaq + d.omgdt * d.atime;
    const double x2omi = xomi + xomi;
    const double x2li = d.xli + d.xli;
    d.xndot = d.d2201 * std::sin(x2omi + d.xli - kG22) + d.d2211 * std::sin(d.xli - kG22) +
              d.d3210 * std::sin(xomi + d.xli - kG32) + d.d3222 * std::sin(-xomi + d.xli - kG32) +
              d.d4410 * std::sin(x2omi + x2li - kG44) + d.d4422 * std::sin(x2li - kG44) +
              d.d5220 * std::sin(xomi + d.xli - kG52) + d.d5232 * std::sin(-xomi + d.xli - kG52) +
              d.d5421 * std::sin(xomi + x2li - kG54) + d.d5433 * std::sin(-xomi + x2li - kG54);
    d.xnddt = d.d2201 * std::cos(x2omi + d.xli - kG22) + d.d2211 * std::cos(d.xli - kG22) +
              d.d3210 * std::cos(xomi + d.xli - kG32) + d.d3222 * std::cos(-xomi + d.xli - kG32) +
              d.d5220 * std::cos(xomi + d.xli - kG52) + d.d5232 * std::cos(-xomi + d.xli - kG52) +
              2.0 * (d.d4410 * std::cos(x2omi + x2li - kG44) + d.d4422 * std::cos(x2li - kG44) +
                     d.d5421 * std::cos(xomi + x2li - kG54) + d.d5433 * std::cos(-xomi + x2li - kG54));
  }
  d.xldot = d.xni + d.xfact;
  d.xnddt = d.xnddt * d.xldot;
}

}  // namespace

TResonance SelectResonance(double xnq, double eq) noexcept {
  if (xnq > 0.0034906585 && xnq < 0.0052359877) return rsOneDay;
  if (xnq >= 8.26e-3 && xnq <= 9.24e-3 && eq >= 0.5) return rsHalfDay;
  return rsNone;
}

void TSatellite::Sdp4Init() {
  InitSharedProducts();
  const TSgp4State& s = sgp4_;
  const TElementSet& el = elements_;

  // Everything of the last initialisation goes, except the Moon's and Sun's starting values, which
  // are kept for as long as the epoch stays the same.
  TSdp4State& deep = sdp4_.Get();
  const TLunarSolarStart lunarSolar = deep.lunarSolar;
  deep = TSdp4State{};
  deep.lunarSolar = lunarSolar;
  deep.aFromXnodp = Power(Xke / s.xnodp, kTothrd);

  TDeepSpaceArgs a;
  a.eqsq = s.eosq;
  a.siniq = s.sinio;
  a.cosiq = s.cosio;
  a.rteqsq = s.betao;
  a.ao = s.aodp;
  a.cosq2 = s.theta2;
  a.sinomo = std::sin(el.argumentOfPerigee);
  a.cosomo = std::cos(el.argumentOfPerigee);
  a.bsq = s.betao2;
  a.xlldot = s.xmdot;
  a.omgdt = s.omgdot;
  a.xnodot = s.xnodot;
  a.xnodp = s.xnodp;
  DeepSpaceCalc(dseInit, a);
}

void TSatellite::DeepSpaceCalc(TDeepSpaceEntry entry, TDeepSpaceArgs& args) {
  switch (entry) {
    case dseInit:
      DeepSpaceInit(args);
      return;
    case dseSecular:
      DeepSpaceSecular(args);
      return;
    case dsePeriodic:
      DeepSpacePeriodic(args);
      return;
  }
  throw EPropagationError("TSatellite::DeepSpaceCalc: unknown entry " +
                          std::to_string(static_cast<int>(entry)));
}

void TSatellite::DeepSpaceInit(TDeepSpaceArgs& a) {
  TSdp4State& d = sdp4_.Get();
  const TElementSet& el = elements_;
  // The sidereal angle and the day count together, without the global day count, so that satellites
  // may one day be initialised on several threads.
  const TEpochSidereal epoch = SiderealAtEpoch(el.epochRaw);
  d.thgr = epoch.theta;
  d.eq = el.eccentricity;
  d.xnq = a.xnodp;
  d.aqnv = 1.0 / a.ao;
  d.xqncl = el.inclination;
  d.xmao = el.meanAnomaly;
  const double xpidot = a.omgdt + a.xnodot;
  const double sinq = std::sin(el.rightAscension);
  const double cosq = std::cos(el.rightAscension);
  d.omegaq = el.argumentOfPerigee;
  d.siniq = a.siniq;
  d.cosiq = a.cosiq;
  d.omgdt = a.omgdt;

  // The Moon's orbit and both mean anomalies at the epoch (DAY counts from 1900 January 0.5).
  TLunarSolarStart& ls = d.lunarSolar;
  const double day = epoch.daysSince1950 + 18261.5;
  if (day != ls.preep) {
    ls.preep = day;
    ls.xnodce = 4.5236020 - 9.2422029e-4 * day;
    const double stem = std::sin(ls.xnodce);
    const double ctem = std::cos(ls.xnodce);
    ls.zcosil = 0.91375164 - 0.03568096 * ctem;
    ls.zsinil = std::sqrt(1.0 - ls.zcosil * ls.zcosil);
    ls.zsinhl = 0.089683511 * stem / ls.zsinil;
    ls.zcoshl = std::sqrt(1.0 - ls.zsinhl * ls.zsinhl);
    ls.c = 4.7199672 + 0.22997150 * day;
    ls.gam = 5.8351514 + 0.0019443680 * day;
    ls.zmol = Fmod2p(ls.c - ls.gam);
    ls.zx = 0.39785416 * stem / ls.zsinil;
    ls.zy = ls.zcoshl * ctem + 0.91744867 * ls.zsinhl * stem;
    ls.zx = AcTan(ls.zx, ls.zy);
    ls.zx = ls.gam + ls.zx - ls.xnodce;
    ls.zcosgl = std::cos(ls.zx);
    ls.zsingl = std::sin(ls.zx);
    ls.zmos = Fmod2p(6.2565837 + 0.017201977 * day);
  }

  // Solar terms.
  d.savtsn = kSavtsnUnset;
  const double xnoi = 1.0 / d.xnq;
  const TThirdBody sun{kZcosgs, kZsings, kZcosis, kZsinis, cosq, sinq, kC1ss, kZns, kZes};
  const TThirdBodyTerms s = ThirdBodyTerms(sun, a, d.eq, d.xqncl, xnoi);
  d.sse = s.se;
  d.ssi = s.si;
  d.ssl = s.sl;
  d.ssh = NodeRate(s.sh, a.siniq);
  d.ssg = s.sgh - a.cosiq * d.ssh;
  d.se2 = s.ee2;
  d.si2 = s.xi2;
  d.sl2 = s.xl2;
  d.sgh2 = s.xgh2;
  d.sh2 = s.xh2;
  d.se3 = s.e3;
  d.si3 = s.xi3;
  d.sl3 = s.xl3;
  d.sgh3 = s.xgh3;
  d.sh3 = s.xh3;
  d.sl4 = s.xl4;
  d.sgh4 = s.xgh4;

  // Lunar terms.
  const TThirdBody moon{ls.zcosgl,
                        ls.zsingl,
                        ls.zcosil,
                        ls.zsinil,
                        ls.zcoshl * cosq + ls.zsinhl * sinq,
                        sinq * ls.zcoshl - cosq * ls.zsinhl,
                        kC1l,
                        kZnl,
                        kZel};
  const TThirdBodyTerms m = ThirdBodyTerms(moon, a, d.eq, d.xqncl, xnoi);
  d.sse = d.sse + m.se;
  d.ssi = d.ssi + m.si;
  d.ssl = d.ssl + m.sl;
  d.ssg = d.ssg + m.sgh - (m.sh == 0.0 ? 0.0 : a.cosiq / a.siniq * m.sh);
  d.ssh = d.ssh + NodeRate(m.sh, a.siniq);
  d.ee2 = m.ee2;
  d.e3 = m.e3;
  d.xi2 = m.xi2;
  d.xi3 = m.xi3;
  d.xl2 = m.xl2;
  d.xl3 = m.xl3;
  d.xl4 = m.xl4;
  d.xgh2 = m.xgh2;
  d.xgh3 = m.xgh3;
  d.xgh4 = m.xgh4;
  d.xh2 = m.xh2;
  d.xh3 = m.xh3;

  // Geopotential resonance.
  d.iresfl = 0;
  d.isynfl = 0;
  const TResonance resonance = SelectResonance(d.xnq, d.eq);
  if (resonance == rsNone) return;
  const double eq = d.eq;
  const double eqsq = a.eqsq;
  const double siniq = a.siniq;
  const double cosiq = a.cosiq;
  const double cosq2 = a.cosq2;
  double bfact = 0.0;
  d.iresfl = 1;
  if (resonance == rsHalfDay) {
    const double eoc = eq * eqsq;
    const double g201 = -0.306 - (eq - 0.64) * 0.440;
    double g211, g310, g322, g410, g422, g520, g521, g532, g533;
    if (eq <= 0.65) {
      g211 = 3.616 - 13.247 * eq + 16.290 * eqsq;
      g310 = -19.302 + 117.390 * eq - 228.419 * eqsq + 156.591 * eoc;
      g322 = -18.9068 + 109.7927 * eq - 214.6334 * eqsq + 146.5816 * eoc;
      g410 = -41.122 + 242.694 * eq - 471.094 * eqsq + 313.953 * eoc;
      g422 = -146.407 + 841.880 * eq - 1629.014 * eqsq + 1083.435 * eoc;
      g520 = -532.114 + 3017.977 * eq - 5740.0 * eqsq + 3708.276 * eoc;
    } else {
      g211 = -72.099 + 331.819 * eq - 508.738 * eqsq + 266.724 * eoc;
      g310 = -346.844 + 1582.851 * eq - 2415.925 * eqsq + 1246.113 * eoc;
      g322 = -342.585 + 1554.908 * eq - 2366.899 * eqsq + 1215.972 * eoc;
      g410 = -1052.797 + 4758.686 * eq - 7193.992 * eqsq + 3651.957 * eoc;
      g422 = -3581.69 + 16178.11 * eq - 24462.77 * eqsq + 12422.52 * eoc;
      if (eq <= 0.715) {
        g520 = 1464.74 - 4664.75 * eq + 3763.64 * eqsq;
      } else {
        g520 = -5149.66 + 29936.92 * eq - 54087.36 * eqsq + 31324.56 * eoc;
      }
    }
    if (eq < 0.7) {
      g533 = -919.2277 + 4988.61 * eq - 9064.77 * eqsq + 5542.21 * eoc;
      g521 = -822.71072 + 4568.6173 * eq - 8491.4146 * eqsq + 5337.524 * eoc;
      g532 = -853.666 + 4690.25 * eq - 8624.77 * eqsq + 5341.4 * eoc;
    } else {
      g533 = -37995.78 + 161616.52 * eq - 229838.2 * eqsq + 109377.94 * eoc;
      g521 = -51752.104 + 218913.95 * eq - 309468.16 * eqsq + 146349.42 * eoc;
      g532 = -40023.88 + 170470.89 * eq - 242699.48 * eqsq + 115605.82 * eoc;
    }
    const double sini2 = siniq * siniq;
    const double f220 = 0.75 * (1.0 + 2.0 * cosiq + cosq2);
    const double f221 = 1.5 * sini2;
    const double f321 = 1.875 * siniq * (1.0 - 2.0 * cosiq - 3.0 * cosq2);
    const double f322 = -1.875 * siniq * (1.0 + 2.0 * cosiq - 3.0 * cosq2);
    const double f441 = 35.0 * sini2 * f220;
    const double f442 = 39.3750 * sini2 * sini2;
    const double f522 =
        9.84375 * siniq *
        (sini2 * (1.0 - 2.0 * cosiq - 5.0 * cosq2) + 0.33333333 * (-2.0 + 4.0 * cosiq + 6.0 * cosq2));
    const double f523 = siniq * (4.92187512 * sini2 * (-2.0 - 4.0 * cosiq + 10.0 * cosq2) +
                                 6.56250012 * (1.0 + 2.0 * cosiq - 3.0 * cosq2));
    const double f542 = 29.53125 * siniq * (2.0 - 8.0 * cosiq + cosq2 * (-12.0 + 8.0 * cosiq + 10.0 * cosq2));
    const double f543 = 29.53125 * siniq * (-2.0 - 8.0 * cosiq + cosq2 * (12.0 + 8.0 * cosiq - 10.0 * cosq2));
    const double xno2 = d.xnq * d.xnq;
    const double ainv2 = d.aqnv * d.aqnv;
    double temp1 = 3.0 * xno2 * ainv2;
    double temp = temp1 * kRoot22;
    d.d2201 = temp * f220 * g201;
    d.d2211 = temp * f221 * g211;
    temp1 = temp1 * d.aqnv;
    temp = temp1 * kRoot32;
    d.d3210 = temp * f321 * g310;
    d.d3222 = temp * f322 * g322;
    temp1 = temp1 * d.aqnv;
    temp = 2.0 * temp1 * kRoot44;
    d.d4410 = temp * f441 * g410;
    d.d4422 = temp * f442 * g422;
    temp1 = temp1 * d.aqnv;
    temp = temp1 * kRoot52;
    d.d5220 = temp * f522 * g520;
    d.d5232 = temp * f523 * g532;
    temp = 2.0 * temp1 * kRoot54;
    d.d5421 = temp * f542 * g521;
    d.d5433 = temp * f543 * g533;
    d.xlamo = d.xmao + el.rightAscension + el.rightAscension - d.thgr - d.thgr;
    bfact = a.xlldot + a.xnodot + a.xnodot - kThdt - kThdt;
    bfact = bfact + d.ssl + d.ssh + d.ssh;
  } else {
    d.isynfl = 1;
    const double g200 = 1.0 + eqsq * (-2.5 + 0.8125 * eqsq);
    const double g310 = 1.0 + 2.0 * eqsq;
    const double g300 = 1.0 + eqsq * (-6.0 + 6.60937 * eqsq);
    const double f220 = 0.75 * (1.0 + cosiq) * (1.0 + cosiq);
    const double f311 = 0.9375 * siniq * siniq * (1.0 + 3.0 * cosiq) - 0.75 * (1.0 + cosiq);
    double f330 = 1.0 + cosiq;
    f330 = 1.875 * f330 * f330 * f330;
    d.del1 = 3.0 * d.xnq * d.xnq * d.aqnv * d.aqnv;
    d.del2 = 2.0 * d.del1 * f220 * g200 * kQ22;
    d.del3 = 3.0 * d.del1 * f330 * g300 * kQ33 * d.aqnv;
    d.del1 = d.del1 * f311 * g310 * kQ31 * d.aqnv;
    d.xlamo = d.xmao + el.rightAscension + el.argumentOfPerigee - d.thgr;
    bfact = a.xlldot + xpidot - kThdt;
    bfact = bfact + d.ssl + d.ssg + d.ssh;
  }
  d.xfact = bfact - d.xnq;

  // The integrator starts at the epoch.
  d.xli = d.xlamo;
  d.xni = d.xnq;
  d.atime = 0.0;
}

void TSatellite::DeepSpaceSecular(TDeepSpaceArgs& a) {
  TSdp4State& d = sdp4_.Get();
  const double t = a.t;
  a.xll = a.xll + d.ssl * t;
  a.omgasm = a.omgasm + d.ssg * t;
  a.xnodes = a.xnodes + d.ssh * t;
  a.em = d.eq + d.sse * t;
  a.xinc = d.xqncl + d.ssi * t;
  if (a.xinc < 0.0) {
    a.xinc = -a.xinc;
    a.xnodes = a.xnodes + kPiD;
    a.omgasm = a.omgasm - kPiD;
  }
  if (d.iresfl == 0) return;

  // The integrator moves in whole steps of 720 minutes from the epoch and keeps its state, so that a
  // later time continues from where the last call left it. |t| is bounded by the caller, which bounds
  // the steps; the count is checked anyway so that no input can keep this loop running.
  long steps = 0;
  const auto step = [&](double delt) {
    if (++steps > kMaxIntegratorSteps) {
      FailPropagation("too far from the epoch");
    }
    ResonanceRates(d);
    d.xli = d.xli + d.xldot * delt + d.xndot * kStep2;
    d.xni = d.xni + d.xndot * delt + d.xnddt * kStep2;
    d.atime = d.atime + delt;
  };
  for (;;) {
    // Restart from the epoch when the integrator stands there or on the other side of the epoch from
    // t. Stepping back towards the epoch re-tests after every step, so arriving at ATIME = 0 on the
    // way back also restarts: the epoch values replace the back-integrated ones.
    if (d.atime == 0.0 || (t >= 0.0 && d.atime < 0.0) || (t < 0.0 && d.atime >= 0.0)) {
      d.atime = 0.0;
      d.xni = d.xnq;
      d.xli = d.xlamo;
      break;
    }
    if (std::fabs(t) >= std::fabs(d.atime)) break;
    step(t >= 0.0 ? kStepn : kStepp);
  }
  const double delt = t > 0.0 ? kStepp : kStepn;
  while (std::fabs(t - d.atime) >= kStepp) step(delt);

  // The partial step to t, which leaves the state at the last whole step.
  const double ft = t - d.atime;
  ResonanceRates(d);
  a.xn = d.xni + d.xndot * ft + d.xnddt * ft * ft * 0.5;
  const double xl = d.xli + d.xldot * ft + d.xndot * ft * ft * 0.5;
  const double temp = -a.xnodes + d.thgr + t * kThdt;
  a.xll = d.isynfl != 0 ? xl - a.omgasm + temp : xl + temp + temp;
}

void TSatellite::DeepSpacePeriodic(TDeepSpaceArgs& a) {
  TSdp4State& d = sdp4_.Get();
  const double t = a.t;
  const double sinis = std::sin(a.xinc);
  const double cosis = std::cos(a.xinc);
  if (std::fabs(d.savtsn - t) >= kPeriodicReuseMinutes) {
    d.savtsn = t;
    double zm = d.lunarSolar.zmos + kZns * t;
    double zf = zm + 2.0 * kZes * std::sin(zm);
    double sinzf = std::sin(zf);
    double f2 = 0.5 * sinzf * sinzf - 0.25;
    double f3 = -0.5 * sinzf * std::cos(zf);
    const double ses = d.se2 * f2 + d.se3 * f3;
    const double sis = d.si2 * f2 + d.si3 * f3;
    const double sls = d.sl2 * f2 + d.sl3 * f3 + d.sl4 * sinzf;
    const double sghs = d.sgh2 * f2 + d.sgh3 * f3 + d.sgh4 * sinzf;
    const double shs = d.sh2 * f2 + d.sh3 * f3;
    zm = d.lunarSolar.zmol + kZnl * t;
    zf = zm + 2.0 * kZel * std::sin(zm);
    sinzf = std::sin(zf);
    f2 = 0.5 * sinzf * sinzf - 0.25;
    f3 = -0.5 * sinzf * std::cos(zf);
    const double sel = d.ee2 * f2 + d.e3 * f3;
    const double sil = d.xi2 * f2 + d.xi3 * f3;
    const double sll = d.xl2 * f2 + d.xl3 * f3 + d.xl4 * sinzf;
    const double sghl = d.xgh2 * f2 + d.xgh3 * f3 + d.xgh4 * sinzf;
    const double shl = d.xh2 * f2 + d.xh3 * f3;
    d.pe = ses + sel;
    d.pinc = sis + sil;
    d.pl = sls + sll;
    d.pgh = sghs + sghl;
    d.ph = shs + shl;
  }
  a.xinc = a.xinc + d.pinc;
  a.em = a.em + d.pe;

  // The form is chosen on the epoch inclination, so that one satellite never switches between the two.
  if (d.xqncl >= kLyddaneInclination) {
    // Applied directly. The report divides PH by SINIQ in place; here the cached sums stay as they
    // were computed, since they are used again for up to 30 minutes.
    const double ph = d.ph / d.siniq;
    const double pgh = d.pgh - d.cosiq * ph;
    a.omgasm = a.omgasm + pgh;
    a.xnodes = a.xnodes + ph;
    a.xll = a.xll + d.pl;
    return;
  }

  // Lyddane's form, free of 1/sin(i) for low inclinations.
  const double sinok = std::sin(a.xnodes);
  const double cosok = std::cos(a.xnodes);
  double alfdp = sinis * sinok;
  double betdp = sinis * cosok;
  const double dalf = d.ph * cosok + d.pinc * cosis * sinok;
  const double dbet = -d.ph * sinok + d.pinc * cosis * cosok;
  alfdp = alfdp + dalf;
  betdp = betdp + dbet;
  double xls = a.xll + a.omgasm + cosis * a.xnodes;
  const double dls = d.pl + d.pgh - d.pinc * a.xnodes * sinis;
  xls = xls + dls;
  // The arctangent gives the node in (-pi/2, 3pi/2], while the node it replaces may lie anywhere (the
  // elements' own value plus its drift). The new node is moved by whole turns to within pi of the
  // old one; otherwise the argument of perigee below would take up 2 pi (1 - cos i) of error, which
  // puts a geostationary satellite hundreds of kilometres off.
  const double xnodesOld = a.xnodes;
  double xnodes = AcTan(alfdp, betdp);
  xnodes = xnodes + kTwoPiD * std::round((xnodesOld - xnodes) / kTwoPiD);
  a.xnodes = xnodes;
  a.xll = a.xll + d.pl;
  a.omgasm = xls - a.xll - std::cos(a.xinc) * a.xnodes;
}

void TSatellite::Sdp4(double tsince, Vector4& position, Vector4& velocity) {
  if (needsInit_) {
    Sdp4Init();
    needsInit_ = false;
  }
  const TSgp4State& s = sgp4_;
  const TElementSet& el = elements_;

  // Secular gravity and atmospheric drag.
  const double xmdf = el.meanAnomaly + s.xmdot * tsince;
  const double omgadf = el.argumentOfPerigee + s.omgdot * tsince;
  const double xnoddf = el.rightAscension + s.xnodot * tsince;
  const double tsq = tsince * tsince;
  const double xnode = xnoddf + s.xnodcf * tsq;
  const double tempa = 1.0 - s.c1 * tsince;
  const double tempe = el.bStar * s.c4 * tsince;
  const double templ = s.t2cof * tsq;

  TDeepSpaceArgs d;
  d.xll = xmdf;
  d.omgasm = omgadf;
  d.xnodes = xnode;
  d.xn = s.xnodp;
  d.t = tsince;
  DeepSpaceCalc(dseSecular, d);
  if (!(d.xn > 0.0)) FailPropagation("mean motion at or below zero");
  // Without resonance XN is still XNODP, whose power the initialisation has kept.
  const double a = (d.xn == s.xnodp ? sdp4_.Get().aFromXnodp : Power(Xke / d.xn, kTothrd)) * tempa * tempa;
  d.em = d.em - tempe;
  CheckMeanElements(a, d.em);
  d.xll = d.xll + s.xnodp * templ;
  DeepSpaceCalc(dsePeriodic, d);
  // The Moon's and Sun's periodic terms can push a nearly parabolic orbit's eccentricity out of the
  // range the rest of the model is defined for. A circular set's eccentricity drifts a hair below 0
  // under drag: that is the same orbit with its perigee turned half a turn, which the formulas below
  // handle, so the same small margin holds as for the mean elements.
  if (!(d.em >= kLeastEccentricity && d.em < 1.0)) FailPropagation("eccentricity out of range");
  const double xl = d.xll + d.omgasm + d.xnodes;
  FinishPropagation(a, d.em, d.omgasm, xl, d.xnodes, d.xinc, position, velocity);
}

}  // namespace nimbrel::orbit
