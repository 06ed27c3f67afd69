// One-line notes on standard error about something vantrel did to the pictures that the
// person running it may not expect ("vantrel: note: ..."). Each kind of note is given
// once per process, so that a sequence of a thousand frames gives one line, not a
// thousand.
#pragma once

#include <string>

namespace vantrel {

enum class Note {
  SixteenBitReduced,  // a PNG's 16-bit samples were reduced to 8 bits
  VideoPadded,        // a video's odd width or height was padded to an even one
  VideoDepthReduced,  // a deeper input written with 8-bit samples
  AlphaFlattened,     // transparent frames composited onto black for an output without alpha
  AudioLeftOut,       // the input's audio has no place in the output (.gif)
  SequenceGap,        // numbered input frames found on disk skip some numbers
  ColourLeftOpen,     // a colour property of the input that the output cannot state
  InputDamaged,       // a video input that ends early or has damage: what it holds is used
  AudioDamaged,       // likewise its audio, taken apart from the pictures: what it holds is kept
  EightBitPicture,    // a deeper input's picture passes through the effect's 8 bits
  AudioOverGaps,      // frames taken apart keep their times; the audio plays on under the gaps
};

// Prints "vantrel: note: <text>" the first time `kind` is noted in this process; later
// calls with the same kind print nothing. Safe to call from any thread.
void noteOnce(Note kind, const std::string& text);

}  // namespace vantrel
