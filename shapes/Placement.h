#pragma once

#include "AffineMatrix.h"

namespace Quillon::Vantrel {

// Maps p to R(angle) · diag(scale) · (p − origin) + translation, R turning +x toward +y.
AffineMatrix makePlacement(const double origin[2], const double translation[2], const double scale[2], double angle);
// The inverse, or the identity when the matrix is too close to singular to invert.
AffineMatrix invertOrIdentity(const AffineMatrix& m);

}  // namespace Quillon::Vantrel
