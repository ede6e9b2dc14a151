#pragma once
// The initialisation products the propagators cache in each satellite (the report kept them in common
// storage; here every satellite has its own copy, so satellites can be propagated in any order).

namespace nimbrel::orbit {

struct TSgp4State {
  double cosio = 0, sinio = 0, theta2 = 0, x3thm1 = 0, x1mth2 = 0, x7thm1 = 0, theta4 = 0;
  double eosq = 0, betao2 = 0, betao = 0, aodp = 0, xnodp = 0;
  bool isimp = false;
  double s4 = 0, qoms24 = 0, perige = 0, pinvsq = 0, tsi = 0, eta = 0, etasq = 0, eeta = 0, psisq = 0;
  double coef = 0, coef1 = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0;
  double xmdot = 0, omgdot = 0, xnodot = 0, xhdot1 = 0;
  double omgcof = 0, xmcof = 0, xnodcf = 0, t2cof = 0, xlcof = 0, aycof = 0, delmo = 0, sinmo = 0;
  double c1sq = 0, d2 = 0, d3 = 0, d4 = 0, t3cof = 0, t4cof = 0, t5cof = 0;
};

// The atmosphere's density parameter for a perigee height: S4 (Earth radii, from the centre) and
// QOMS24. Above 156 km the standard values hold; below, s follows the perigee down to 20 km at 98 km.
struct TDragParameters {
  double s4 = 0;
  double qoms24 = 0;
};
TDragParameters DragParametersForPerigee(double perigeeKm);

// Perigee below 220 km (strictly) selects the simplified drag model.
bool UsesSimplifiedDrag(double aodp, double eccentricity) noexcept;

}  // namespace nimbrel::orbit
