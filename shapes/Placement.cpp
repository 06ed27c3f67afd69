#include "Placement.h"

#include <cmath>

namespace Quillon::Vantrel {

AffineMatrix makePlacement(const double origin[2], const double translation[2], const double scale[2], double angle) {
  const double r = angle * 0.017453292519943;
  const double co = std::cos(r), si = std::sin(r);
  AffineMatrix m;
  m.m0 = co * scale[0];
  m.m1 = -(si * scale[1]);
  m.m3 = si * scale[0];
  m.m4 = co * scale[1];
  m.m2 = m.m0 * -origin[0] + m.m1 * -origin[1] + translation[0];
  m.m5 = m.m3 * -origin[0] + m.m4 * -origin[1] + translation[1];
  return m;
}

AffineMatrix invertOrIdentity(const AffineMatrix& m) {
  const double det = m.m0 * m.m4 - m.m3 * m.m1;
  if (det > -0.000001 && det < 0.000001) return AffineMatrix{};
  const double k = 1.0 / det;
  AffineMatrix inverse;
  inverse.m0 = m.m4 * k;
  inverse.m1 = -(m.m1 * k);
  inverse.m2 = (m.m1 * m.m5 - m.m2 * m.m4) * k;
  inverse.m3 = -(m.m3 * k);
  inverse.m4 = m.m0 * k;
  inverse.m5 = (m.m2 * m.m3 - m.m0 * m.m5) * k;
  return inverse;
}

}  // namespace Quillon::Vantrel
