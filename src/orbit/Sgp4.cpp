// SGP4, the near-earth model of Spacetrack Report No. 3, with its variable names and order of
// evaluation, so that the code can be checked line by line against the report. The initialisation's
// first part and the last part of each propagation are shared with SDP4 (Sdp4.cpp).

#include <cmath>

#include "OrbitConstants.h"
#include "Satellite.h"

namespace nimbrel::orbit {

TDragParameters DragParametersForPerigee(double perigeeKm) {
  TDragParameters d{kS, Qoms2t};
  if (perigeeKm < 156.0) {
    double s4 = perigeeKm - 78.0;
    if (perigeeKm <= 98.0) s4 = 20.0;
    d.qoms24 = Power((120.0 - s4) * kAe / kXkmper, 4.0);
    d.s4 = s4 / kXkmper + kAe;
  }
  return d;
}

bool UsesSimplifiedDrag(double aodp, double eccentricity) noexcept {
  return (1.0 - eccentricity) * aodp / kAe < kSimplifiedPerigeeLimit;
}

// The initialisation products SGP4 and SDP4 share: the recovery of the original mean motion and
// semi-major axis, the atmosphere's parameters at perigee, the drag coefficients C1, C2, C4 and the
// secular rates.
void TSatellite::InitSharedProducts() {
  sgp4_ = TSgp4State{};  // nothing of an earlier element set may survive
  TSgp4State& s = sgp4_;
  const TElementSet& el = elements_;
  const double xno = el.meanMotion;
  const double eo = el.eccentricity;
  const double xincl = el.inclination;
  const double omegao = el.argumentOfPerigee;
  const double bstar = el.bStar;

  // Recover the original mean motion and semi-major axis from the Kozai mean motion.
  const double a1 = Power(Xke / xno, kTothrd);
  s.cosio = std::cos(xincl);
  s.theta2 = s.cosio * s.cosio;
  s.x3thm1 = 3.0 * s.theta2 - 1.0;
  s.eosq = eo * eo;
  s.betao2 = 1.0 - s.eosq;
  s.betao = std::sqrt(s.betao2);
  const double del1 = 1.5 * kCk2 * s.x3thm1 / (a1 * a1 * s.betao * s.betao2);
  const double ao = a1 * (1.0 - del1 * (0.5 * kTothrd + del1 * (1.0 + 134.0 / 81.0 * del1)));
  const double delo = 1.5 * kCk2 * s.x3thm1 / (ao * ao * s.betao * s.betao2);
  s.xnodp = xno / (1.0 + delo);
  s.aodp = ao / (1.0 - delo);

  s.perige = ((1.0 - eo) * s.aodp - kAe) * kXkmper;
  const TDragParameters drag = DragParametersForPerigee(s.perige);
  s.s4 = drag.s4;
  s.qoms24 = drag.qoms24;
  s.pinvsq = 1.0 / (s.aodp * s.aodp * s.betao2 * s.betao2);
  s.tsi = 1.0 / (s.aodp - s.s4);
  s.eta = s.aodp * eo * s.tsi;
  s.etasq = s.eta * s.eta;
  s.eeta = eo * s.eta;
  s.psisq = std::fabs(1.0 - s.etasq);
  s.coef = s.qoms24 * Power(s.tsi, 4.0);
  s.coef1 = s.coef / Power(s.psisq, 3.5);
  s.c2 = s.coef1 * s.xnodp *
         (s.aodp * (1.0 + 1.5 * s.etasq + s.eeta * (4.0 + s.etasq)) +
          0.75 * kCk2 * s.tsi / s.psisq * s.x3thm1 * (8.0 + 3.0 * s.etasq * (8.0 + s.etasq)));
  s.c1 = bstar * s.c2;
  s.sinio = std::sin(xincl);
  const double a3ovk2 = kA3ovk2 * Power(kAe, 3.0);
  s.x1mth2 = 1.0 - s.theta2;
  s.c4 = 2.0 * s.xnodp * s.coef1 * s.aodp * s.betao2 *
         (s.eta * (2.0 + 0.5 * s.etasq) + eo * (0.5 + 2.0 * s.etasq) -
          2.0 * kCk2 * s.tsi / (s.aodp * s.psisq) *
              (-3.0 * s.x3thm1 * (1.0 - 2.0 * s.eeta + s.etasq * (1.5 - 0.5 * s.eeta)) +
               0.75 * s.x1mth2 * (2.0 * s.etasq - s.eeta * (1.0 + s.etasq)) * std::cos(2.0 * omegao)));
  s.theta4 = s.theta2 * s.theta2;
  const double temp1 = 3.0 * kCk2 * s.pinvsq * s.xnodp;
  const double temp2 = temp1 * kCk2 * s.pinvsq;
  const double temp3 = 1.25 * kCk4 * s.pinvsq * s.pinvsq * s.xnodp;
  s.xmdot = s.xnodp + 0.5 * temp1 * s.betao * s.x3thm1 +
            0.0625 * temp2 * s.betao * (13.0 - 78.0 * s.theta2 + 137.0 * s.theta4);
  const double x1m5th = 1.0 - 5.0 * s.theta2;
  s.omgdot = -0.5 * temp1 * x1m5th + 0.0625 * temp2 * (7.0 - 114.0 * s.theta2 + 395.0 * s.theta4) +
             temp3 * (3.0 - 36.0 * s.theta2 + 49.0 * s.theta4);
  s.xhdot1 = -temp1 * s.cosio;
  s.xnodot =
      s.xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * s.theta2) + 2.0 * temp3 * (3.0 - 7.0 * s.theta2)) * s.cosio;
  s.xnodcf = 3.5 * s.betao2 * s.xhdot1 * s.c1;
  s.t2cof = 1.5 * s.c1;
  // At an inclination of exactly 180 degrees 1 + cos i is 0 and the quotient 0/0; the usual floor
  // keeps the term (then as good as 0, with sin i) finite. Elsewhere the value is the report's.
  const double onePlusCosio = std::fabs(1.0 + s.cosio) > kRetrogradeFloor ? 1.0 + s.cosio : kRetrogradeFloor;
  s.xlcof = 0.125 * a3ovk2 * s.sinio * (3.0 + 5.0 * s.cosio) / onePlusCosio;
  s.aycof = 0.25 * a3ovk2 * s.sinio;
  s.x7thm1 = 7.0 * s.theta2 - 1.0;
}

// The near-earth model adds the terms of the simplified and full drag models to the shared products.
void TSatellite::Sgp4Init() {
  InitSharedProducts();
  TSgp4State& s = sgp4_;
  const TElementSet& el = elements_;
  const double eo = el.eccentricity;
  const double xmo = el.meanAnomaly;
  const double bstar = el.bStar;

  // A perigee below 220 km selects the simplified drag model.
  s.isimp = UsesSimplifiedDrag(s.aodp, eo);

  const double a3ovk2 = kA3ovk2 * Power(kAe, 3.0);
  // A circular orbit has no perigee for these two terms to act on; the report divides by e here.
  s.c3 = eo != 0.0 ? s.coef * s.tsi * a3ovk2 * s.xnodp * kAe * s.sinio / eo : 0.0;
  s.c5 = 2.0 * s.coef1 * s.aodp * s.betao2 * (1.0 + 2.75 * (s.etasq + s.eeta) + s.eeta * s.etasq);
  s.omgcof = bstar * s.c3 * std::cos(el.argumentOfPerigee);
  s.xmcof = s.eeta != 0.0 ? -kTothrd * s.coef * bstar * kAe / s.eeta : 0.0;
  s.delmo = Power(1.0 + s.eta * std::cos(xmo), 3.0);
  s.sinmo = std::sin(xmo);
  if (!s.isimp) {
    s.c1sq = s.c1 * s.c1;
    s.d2 = 4.0 * s.aodp * s.tsi * s.c1sq;
    const double temp = s.d2 * s.tsi * s.c1 / 3.0;
    s.d3 = (17.0 * s.aodp + s.s4) * temp;
    s.d4 = 0.5 * temp * s.aodp * s.tsi * (221.0 * s.aodp + 31.0 * s.s4) * s.c1;
    s.t3cof = s.d2 + 2.0 * s.c1sq;
    s.t4cof = 0.25 * (3.0 * s.d3 + s.c1 * (12.0 * s.d2 + 10.0 * s.c1sq));
    s.t5cof =
        0.2 * (3.0 * s.d4 + 12.0 * s.c1 * s.d3 + 6.0 * s.d2 * s.d2 + 15.0 * s.c1sq * (2.0 * s.d2 + s.c1sq));
  } else {
    s.c1sq = s.d2 = s.d3 = s.d4 = s.t3cof = s.t4cof = s.t5cof = 0.0;
  }
}

void TSatellite::Sgp4(double tsince, Vector4& position, Vector4& velocity) {
  if (needsInit_) {
    Sgp4Init();
    needsInit_ = false;
  }
  const TSgp4State& s = sgp4_;
  const TElementSet& el = elements_;
  const double bstar = el.bStar;

  // Secular gravity and atmospheric drag.
  const double xmdf = el.meanAnomaly + s.xmdot * tsince;
  const double omgadf = el.argumentOfPerigee + s.omgdot * tsince;
  const double xnoddf = el.rightAscension + s.xnodot * tsince;
  double omega = omgadf;
  double xmp = xmdf;
  const double tsq = tsince * tsince;
  const double xnode = xnoddf + s.xnodcf * tsq;
  double tempa = 1.0 - s.c1 * tsince;
  double tempe = bstar * s.c4 * tsince;
  double templ = s.t2cof * tsq;
  if (!s.isimp) {
    const double delomg = s.omgcof * tsince;
    const double delm = s.xmcof * (Power(1.0 + s.eta * std::cos(xmdf), 3.0) - s.delmo);
    const double temp = delomg + delm;
    xmp = xmdf + temp;
    omega = omgadf - temp;
    const double tcube = tsq * tsince;
    const double tfour = tsince * tcube;
    tempa = tempa - s.d2 * tsq - s.d3 * tcube - s.d4 * tfour;
    tempe = tempe + bstar * s.c5 * (std::sin(xmp) - s.sinmo);
    templ = templ + s.t3cof * tcube + tfour * (s.t4cof + tsince * s.t5cof);
  }
  const double a = s.aodp * tempa * tempa;
  const double e = el.eccentricity - tempe;
  CheckMeanElements(a, e);
  const double xl = xmp + omega + xnode + s.xnodp * templ;
  FinishPropagation(a, e, omega, xl, xnode, el.inclination, position, velocity);
}

// Drag shrinks the orbit and changes its shape until the mean elements describe no orbit the model
// knows; past that point it would give positions inside the Earth or far beyond the Moon.
void TSatellite::CheckMeanElements(double a, double e) const {
  if (!(e < 1.0 && e >= kLeastEccentricity)) FailPropagation("eccentricity out of range");
  if (!(a >= 0.95)) FailPropagation("orbit inside the Earth");
}

void TSatellite::FinishPropagation(double a, double e, double omega, double xl, double xnode, double xinc,
                                   Vector4& position, Vector4& velocity) {
  const TSgp4State& s = sgp4_;
  const double beta = std::sqrt(1.0 - e * e);
  const double xn = Xke / Power(a, 1.5);

  // Long-period periodics.
  const double axn = e * std::cos(omega);
  double temp = 1.0 / (a * beta * beta);
  const double xll = temp * s.xlcof * axn;
  const double aynl = temp * s.aycof;
  const double xlt = xl + xll;
  const double ayn = e * std::sin(omega) + aynl;

  // Kepler's equation, at most ten Newton steps; the last step's values are used either way.
  const double capu = Fmod2p(xlt - xnode);
  double temp2 = capu;
  double sinepw = 0, cosepw = 0, temp3 = 0, temp4 = 0, temp5 = 0, temp6 = 0;
  for (int i = 0; i < 10; ++i) {
    sinepw = std::sin(temp2);
    cosepw = std::cos(temp2);
    temp3 = axn * sinepw;
    temp4 = ayn * cosepw;
    temp5 = axn * cosepw;
    temp6 = ayn * sinepw;
    const double epw = (capu - temp4 + temp3 - temp2) / (1.0 - temp5 - temp6) + temp2;
    if (std::fabs(epw - temp2) <= kE6a) break;
    temp2 = epw;
  }

  // Short-period preliminary quantities.
  const double ecose = temp5 + temp6;
  const double esine = temp3 - temp4;
  const double elsq = axn * axn + ayn * ayn;
  temp = 1.0 - elsq;
  const double pl = a * temp;
  if (!(pl > 0.0)) FailPropagation("orbit no longer closed");
  const double r = a * (1.0 - ecose);
  double temp1 = 1.0 / r;
  const double rdot = Xke * std::sqrt(a) * esine * temp1;
  const double rfdot = Xke * std::sqrt(pl) * temp1;
  temp2 = a * temp1;
  const double betal = std::sqrt(temp);
  temp3 = 1.0 / (1.0 + betal);
  const double cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
  const double sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
  const double u = AcTan(sinu, cosu);
  const double sin2u = 2.0 * sinu * cosu;
  const double cos2u = 2.0 * cosu * cosu - 1.0;
  temp = 1.0 / pl;
  temp1 = kCk2 * temp;
  temp2 = temp1 * temp;

  // Short-period periodics.
  const double rk = r * (1.0 - 1.5 * temp2 * betal * s.x3thm1) + 0.5 * temp1 * s.x1mth2 * cos2u;
  if (rk < kAe) FailPropagation("decayed");
  const double uk = u - 0.25 * temp2 * s.x7thm1 * sin2u;
  const double xnodek = xnode + 1.5 * temp2 * s.cosio * sin2u;
  const double xinck = xinc + 1.5 * temp2 * s.cosio * s.sinio * cos2u;
  const double rdotk = rdot - xn * temp1 * s.x1mth2 * sin2u;
  const double rfdotk = rfdot + xn * temp1 * (s.x1mth2 * cos2u + 1.5 * s.x3thm1);
  argumentOfLatitude_ = uk;

  // Orientation vectors.
  const double sinuk = std::sin(uk);
  const double cosuk = std::cos(uk);
  const double sinik = std::sin(xinck);
  const double cosik = std::cos(xinck);
  const double sinnok = std::sin(xnodek);
  const double cosnok = std::cos(xnodek);
  const double xmx = -sinnok * cosik;
  const double xmy = cosnok * cosik;
  const double ux = xmx * sinuk + cosnok * cosuk;
  const double uy = xmy * sinuk + sinnok * cosuk;
  const double uz = sinik * sinuk;
  const double vx = xmx * cosuk - cosnok * sinuk;
  const double vy = xmy * cosuk - sinnok * sinuk;
  const double vz = sinik * cosuk;

  position.x = rk * ux;
  position.y = rk * uy;
  position.z = rk * uz;
  velocity.x = rdotk * ux + rfdotk * vx;
  velocity.y = rdotk * uy + rfdotk * vy;
  velocity.z = rdotk * uz + rfdotk * vz;
}

}  // namespace nimbrel::orbit
