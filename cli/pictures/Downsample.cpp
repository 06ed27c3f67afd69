#include "Downsample.h"

#include <algorithm>

namespace vantrel {

RgbaImage downsample(const RgbaImage& picture, unsigned factor) {
  if (factor <= 1) return picture;
  RgbaImage small((picture.width + factor - 1) / factor, (picture.height + factor - 1) / factor);
  for (std::uint32_t y = 0; y < small.height; ++y) {
    for (std::uint32_t x = 0; x < small.width; ++x) {
      double sum[4] = {0, 0, 0, 0};
      std::uint32_t count = 0;
      for (std::uint32_t sy = y * factor; sy < std::min(picture.height, (y + 1) * factor); ++sy) {
        for (std::uint32_t sx = x * factor; sx < std::min(picture.width, (x + 1) * factor); ++sx) {
          const std::uint8_t* p = picture.pixel(sx, sy);
          for (int c = 0; c < 3; ++c) sum[c] += double(p[c]) * p[3];  // premultiplied
          sum[3] += p[3];
          ++count;
        }
      }
      std::uint8_t* out = small.pixel(x, y);
      for (int c = 0; c < 3; ++c) out[c] = sum[3] > 0 ? std::uint8_t(sum[c] / sum[3] + 0.5) : 0;
      out[3] = std::uint8_t(sum[3] / count + 0.5);
    }
  }
  return small;
}

}  // namespace vantrel
