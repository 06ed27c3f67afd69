// A video's colour description as the codes of ITU-T H.273, which ffmpeg's enumerations
// follow. ffprobe names a value one way ("bt470bg" for the transfer of PAL), the encoders'
// options and the setparams filter each know other spellings ("gamma28"), so a description
// travels to the output as codes, which all of them take.
#pragma once

#include <optional>
#include <string>

namespace vantrel {

enum class ColourProperty { Primaries, Transfer, Matrix, Range };

// The code of a value as ffprobe (or an older or newer ffmpeg) names it; nothing for a
// name not known here, or for one that leaves the property open ("unknown").
std::optional<int> colourCode(ColourProperty property, const std::string& name);

// "colour primaries", "transfer characteristics", ... for a note.
const char* colourPropertyName(ColourProperty property);

}  // namespace vantrel
