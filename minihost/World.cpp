#include "World.h"

#include "HostError.h"

namespace minihost {

World::World(A_long width, A_long height, A_long rowPadding) {
  if (width < 0 || height < 0 || rowPadding < 0) throw HostError("a world cannot have a negative size");
  layer_.width = width;
  layer_.height = height;
  layer_.rowbytes = width * A_long(sizeof(PF_Pixel)) + rowPadding;
  bytes_.assign(std::size_t(layer_.rowbytes) * std::size_t(height), 0);
  layer_.data = reinterpret_cast<PF_PixelPtr>(bytes_.data());
}

World::World(const World& other) : bytes_(other.bytes_), layer_(other.layer_) {
  layer_.data = reinterpret_cast<PF_PixelPtr>(bytes_.data());
}

World& World::operator=(const World& other) {
  bytes_ = other.bytes_;
  layer_ = other.layer_;
  layer_.data = reinterpret_cast<PF_PixelPtr>(bytes_.data());
  return *this;
}

}  // namespace minihost
