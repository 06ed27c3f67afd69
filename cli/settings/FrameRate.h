// A frame rate as ffmpeg writes it: a fraction, so that NTSC's 30000/1001 stays exact.
#pragma once

#include <string>

namespace vantrel {

struct FrameRate {
  long numerator = 24;
  long denominator = 1;

  double value() const { return double(numerator) / double(denominator); }
  // "25", "30000/1001": the form ffmpeg's -r takes.
  std::string text() const;
};

// "25", "12.5", "30000/1001", or a name ffmpeg knows ("ntsc", "pal", "film", "ntsc-film"...).
// The NTSC decimals 23.976, 29.97, 47.952, 59.94 and 119.88 are their 1000/1001 fractions.
// Throws std::runtime_error for anything else or a rate not above 0 or above 1000.
FrameRate parseFrameRate(const std::string& text);

// The nearest rate with a small denominator to a measured one (from a file's header).
FrameRate frameRateOf(double fps);

}  // namespace vantrel
