#pragma once

#include <cstdint>
#include <vector>

#include "AE_Effect.h"

namespace minihost {

// A host world: 8-bit pixels, alpha, red, green, blue, rows `rowbytes` apart (at least
// width × 4; any extra bytes are row padding), row 0 at the top.
class World {
 public:
  World(A_long width, A_long height, A_long rowPadding = 0);
  World(const World& other);
  World& operator=(const World& other);
  // Moving keeps the pixel buffer, so the layer's pointer into it stays right.
  World(World&&) noexcept = default;
  World& operator=(World&&) noexcept = default;

  A_long width() const { return layer_.width; }
  A_long height() const { return layer_.height; }
  A_long rowbytes() const { return layer_.rowbytes; }

  // The world as the effect sees it, pointing into this object's bytes.
  PF_LayerDef& layer() { return layer_; }
  PF_Pixel* row(A_long y) { return reinterpret_cast<PF_Pixel*>(bytes_.data() + std::size_t(y) * std::size_t(layer_.rowbytes)); }
  const PF_Pixel* row(A_long y) const {
    return reinterpret_cast<const PF_Pixel*>(bytes_.data() + std::size_t(y) * std::size_t(layer_.rowbytes));
  }
  PF_Pixel& at(A_long x, A_long y) { return row(y)[x]; }
  const PF_Pixel& at(A_long x, A_long y) const { return row(y)[x]; }
  // Every byte, padding included.
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  PF_LayerDef layer_{};
};

}  // namespace minihost
