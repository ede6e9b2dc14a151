#pragma once
// The initialisation products the propagators cache in each satellite (the report kept them in common
// storage; here every satellite has its own copy, so satellites can be propagated in any order).

#include <memory>

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

// The Moon's and Sun's orbit at the epoch day. They depend on the day alone, so a re-initialisation
// for an epoch on the same day keeps them; preep is the day (from 1900 January 0.5) they belong to,
// 0 when they were never computed.
struct TLunarSolarStart {
  double preep = 0;
  double xnodce = 0, zcosil = 0, zsinil = 0, zsinhl = 0, zcoshl = 0, c = 0, gam = 0, zmol = 0;
  double zx = 0, zy = 0, zcosgl = 0, zsingl = 0, zmos = 0;
};

// The deep-space routine's per-satellite state.
struct TSdp4State {
  // Epoch values copied at initialisation.
  double thgr = 0, eq = 0, xqncl = 0, omegaq = 0, xnq = 0, xmao = 0, aqnv = 0, siniq = 0, cosiq = 0;
  double omgdt = 0;  // the secular rate of perigee, for the 12-hour resonance argument
  // Power(XKE / XNODP, 2/3): the semi-major axis factor whenever no resonance changes the mean motion.
  double aFromXnodp = 0;

  // Lunar plus solar secular rates.
  double sse = 0, ssi = 0, ssl = 0, ssg = 0, ssh = 0;
  // Periodic coefficients: solar, then lunar.
  double se2 = 0, se3 = 0, si2 = 0, si3 = 0, sl2 = 0, sl3 = 0, sl4 = 0, sgh2 = 0, sgh3 = 0, sgh4 = 0, sh2 = 0,
         sh3 = 0;
  double ee2 = 0, e3 = 0, xi2 = 0, xi3 = 0, xl2 = 0, xl3 = 0, xl4 = 0, xgh2 = 0, xgh3 = 0, xgh4 = 0, xh2 = 0,
         xh3 = 0;

  TLunarSolarStart lunarSolar;

  // The periodic sums of the last evaluation, at time savtsn (minutes from epoch).
  double savtsn = 1.0e20;
  double pe = 0, pinc = 0, pl = 0, pgh = 0, ph = 0;

  // Resonance: iresfl 1 for any resonance, isynfl 1 for the one-day, 0 for the 12-hour kind.
  int iresfl = 0, isynfl = 0;
  double del1 = 0, del2 = 0, del3 = 0;
  double d2201 = 0, d2211 = 0, d3210 = 0, d3222 = 0, d4410 = 0, d4422 = 0, d5220 = 0, d5232 = 0, d5421 = 0,
         d5433 = 0;
  double xlamo = 0, xfact = 0;
  // The integrator: time (minutes from epoch, a multiple of 720), mean longitude and mean motion
  // there, and the rates last evaluated.
  double atime = 0, xli = 0, xni = 0, xndot = 0, xnddt = 0, xldot = 0;
};

// The deep-space state, made at a satellite's first deep-space initialisation. Most of a catalogue is
// near-earth: holding the state inline made every satellite 1.2 kB, and loading tens of thousands of
// them spent its time clearing and fetching memory they never use. Copies are deep, so a copied
// satellite (a worker thread's private one) shares nothing with its original.
class TSdp4StateBox {
 public:
  TSdp4StateBox() = default;
  TSdp4StateBox(const TSdp4StateBox& other)
      : state_(other.state_ ? std::make_unique<TSdp4State>(*other.state_) : nullptr) {}
  TSdp4StateBox(TSdp4StateBox&&) noexcept = default;
  TSdp4StateBox& operator=(const TSdp4StateBox& other) {
    if (this != &other) state_ = other.state_ ? std::make_unique<TSdp4State>(*other.state_) : nullptr;
    return *this;
  }
  TSdp4StateBox& operator=(TSdp4StateBox&&) noexcept = default;
  ~TSdp4StateBox() = default;

  // The state, made (all zero, as a fresh satellite's) when there is none yet.
  TSdp4State& Get() {
    if (!state_) state_ = std::make_unique<TSdp4State>();
    return *state_;
  }
  // The state, or a zero one for a satellite never initialised for deep space.
  const TSdp4State& Peek() const noexcept {
    static const TSdp4State kNone{};
    return state_ ? *state_ : kNone;
  }

 private:
  std::unique_ptr<TSdp4State> state_;
};

// The geopotential resonance a deep-space orbit is integrated for, chosen on its un-Kozai'd mean
// motion xnq (rad/min) and eccentricity eq: one-day (synchronous) orbits strictly between 0.0034906585
// and 0.0052359877 rad/min; 12-hour orbits from 0.00826 to 0.00924 rad/min with eq of at least 0.5.
enum TResonance : int { rsNone, rsOneDay, rsHalfDay };
TResonance SelectResonance(double xnq, double eq) noexcept;

// DeepSpaceCalc's three entries.
enum TDeepSpaceEntry : int { dseInit = 1, dseSecular = 2, dsePeriodic = 3 };

// DeepSpaceCalc's arguments, in the report's names. The initialisation entry reads the first group;
// the secular entry reads and updates xll, omgasm, xnodes, xn and sets em and xinc at time t; the
// periodic entry updates em, xinc, omgasm, xnodes and xll at time t.
struct TDeepSpaceArgs {
  double eqsq = 0, siniq = 0, cosiq = 0, rteqsq = 0, ao = 0, cosq2 = 0, sinomo = 0, cosomo = 0, bsq = 0;
  double xlldot = 0, omgdt = 0, xnodot = 0, xnodp = 0;

  double xll = 0, omgasm = 0, xnodes = 0, em = 0, xinc = 0, xn = 0, t = 0;
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
