#pragma once

namespace Quillon::Vantrel {

// A 2D affine transform, row-major 2x3: x' = m0 x + m1 y + m2, y' = m3 x + m4 y + m5.
struct AffineMatrix {
  double m0 = 1, m1 = 0, m2 = 0;
  double m3 = 0, m4 = 1, m5 = 0;
};

}  // namespace Quillon::Vantrel
