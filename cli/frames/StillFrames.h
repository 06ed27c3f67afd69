// One picture as frames: the built-in picture or a picture file read once, as frame 0 or
// as each frame --frames names (so that keyframed controls animate a still), and one
// picture file written.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FrameIo.h"
#include "MediaFiles.h"

namespace vantrel {

std::unique_ptr<FrameSource> openBuiltInSource(std::vector<long> numbers);
std::unique_ptr<FrameSource> openStillSource(const std::string& path, FileKind kind, std::vector<long> numbers,
                                             bool autoOrient);
// Replaced when the sink's finish() writes it. Refused at once when it exists and
// `noClobber` says to keep it, when more than one frame is to come, and when it cannot be
// written.
std::unique_ptr<FrameSink> openStillSink(const std::string& path, FileKind kind, bool noClobber, std::size_t frames);

}  // namespace vantrel
