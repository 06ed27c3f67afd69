#include "VideoEncoding.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "ColourCodes.h"
#include "Ffmpeg.h"
#include "MediaFiles.h"

namespace vantrel {
namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

// Pixel formats for the encoders whose best one for the input is known: 8-bit, deeper
// (null where none), with alpha (null where none) and whether that one is deeper.
struct Formats {
  const char* codec;
  const char* eight;
  const char* deep;
  const char* alpha;
  bool alphaIsDeep;
};

// VP9 and VP8 keep a yuva420p alpha plane even for opaque input, so that alpha appearing
// later in the frames survives; libvpx has no deeper format with alpha.
constexpr Formats kFormats[] = {
    {"libx264", "yuv420p", "yuv420p10le", nullptr, false},
    {"libx265", "yuv420p", "yuv420p10le", nullptr, false},
    {"libaom-av1", "yuv420p", "yuv420p10le", nullptr, false},
    {"libsvtav1", "yuv420p", "yuv420p10le", nullptr, false},
    {"libvpx-vp9", "yuva420p", "yuv420p10le", "yuva420p", false},
    {"libvpx", "yuva420p", nullptr, "yuva420p", false},
    {"prores_ks", "yuv422p10le", "yuv422p10le", "yuva444p10le", true},
    {"prores_aw", "yuv422p10le", "yuv422p10le", "yuva444p10le", true},
    {"qtrle", "rgb24", nullptr, "argb", false},
    {"mpeg4", "yuv420p", nullptr, nullptr, false},
};

const Formats* formatsOf(const std::string& codec) {
  for (const Formats& formats : kFormats) {
    if (codec == formats.codec) return &formats;
  }
  return nullptr;
}

// Constant-quality encoders and the value that keeps quality when none is asked for.
struct Quality {
  const char* codec;
  int crf;
  bool zeroBitrate;  // libvpx and libaom take -crf as constant quality only with -b:v 0
};
constexpr Quality kCrf[] = {
    {"libx264", 18, false}, {"libx264rgb", 18, false}, {"libx265", 20, false}, {"libvpx-vp9", 30, true},
    {"libvpx", 10, true},   {"libaom-av1", 30, true},  {"libsvtav1", 30, false},
};

bool isRgb(const std::string& format) {
  for (const char* prefix : {"rgb", "bgr", "argb", "abgr", "gbr", "pal8", "0rgb", "0bgr", "x2rgb", "x2bgr"}) {
    if (startsWith(format, prefix)) return true;
  }
  return false;
}

// The matrix the RGB frames are turned into YUV with, as the scale filter names it, and
// as the output is tagged.
struct Matrix {
  const char* scale;
  const char* tag;
};

Matrix matrixFor(const StreamTraits& input, std::uint32_t width, std::uint32_t height) {
  static const std::pair<const char*, Matrix> kKnown[] = {
      {"bt709", {"bt709", "bt709"}},         {"bt470bg", {"bt470", "bt470bg"}},
      {"smpte170m", {"smpte170m", "smpte170m"}}, {"bt2020nc", {"bt2020", "bt2020nc"}},
      {"bt2020c", {"bt2020", "bt2020nc"}},   {"fcc", {"fcc", "fcc"}},
      {"smpte240m", {"smpte240m", "smpte240m"}},
  };
  for (const auto& [name, matrix] : kKnown) {
    if (input.colorSpace == name) return matrix;
  }
  // Untagged input (or an RGB one): players take an untagged HD video for BT.709 and a
  // smaller one for BT.601 (ffmpeg itself always for BT.601). The frames are converted as
  // a player would take them and the output says which, so that players and ffmpeg agree.
  if (std::max(width, height) >= 1280 || std::min(width, height) > 576) return {"bt709", "bt709"};
  return {"smpte170m", "smpte170m"};
}

// "64:45" as setsar's "64/45" (a colon would end the filter's argument); empty when it is
// not a ratio of two numbers above 0.
std::string sarOf(const std::string& text) {
  char* end = nullptr;
  const long numerator = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != ':') return "";
  const char* rest = end + 1;
  const long denominator = std::strtol(rest, &end, 10);
  if (end == rest || *end != '\0' || numerator <= 0 || denominator <= 0) return "";
  return std::to_string(numerator) + "/" + std::to_string(denominator);
}

// The extension, with .m4v taken as the .mp4 it is.
std::string containerOf(const std::string& path) {
  const std::string extension = extensionOf(path);
  return extension == ".m4v" ? ".mp4" : extension;
}

// The format with the input's chroma sampling ("422" of yuv422p10le) in place of the one
// chosen, where the encoder takes it: 4:2:2 footage does not lose half its colour.
std::string withInputChroma(const std::string& format, const StreamTraits& input, const EncoderInfo& encoder) {
  for (const char* richer : {"444", "422"}) {
    if (!contains(input.pixelFormat, richer) || contains(format, richer)) continue;
    for (const char* poorer : {"420", "422"}) {
      const std::size_t at = format.find(poorer);
      if (at == std::string::npos) continue;
      const std::string candidate = format.substr(0, at) + richer + format.substr(at + 3);
      const auto& formats = encoder.pixelFormats;
      if (std::find(formats.begin(), formats.end(), candidate) != formats.end()) return candidate;
    }
  }
  return format;
}

// Bits a sample of an ffmpeg pixel format: 10 for "...10le", else 8.
int sampleBitsOf(const std::string& format) {
  for (int bits : {16, 14, 12, 10, 9}) {
    if (contains(format, "p" + std::to_string(bits))) return bits;
  }
  return 8;
}

bool wantsAlpha(const OutputSpec& output) {
  return output.input.hasAlpha || pixelFormatHasAlpha(output.encoding.pixelFormat);
}

}  // namespace

std::optional<EncoderInfo> parseEncoderHelp(const std::string& text) {
  // "Encoder libx264 [libx264 H.264 / AVC / ...]:" then "    Supported pixel formats: yuv420p ..."
  const std::string encoder = "Encoder ";
  if (!startsWith(text, encoder)) return std::nullopt;
  EncoderInfo info;
  info.name = text.substr(encoder.size(), text.find_first_of(" [\n", encoder.size()) - encoder.size());
  const std::string formats = "Supported pixel formats: ";
  const std::size_t at = text.find(formats);
  if (at != std::string::npos) {
    std::size_t start = at + formats.size();
    const std::size_t end = text.find('\n', start);
    while (start < end) {
      const std::size_t space = std::min(text.find(' ', start), end);
      if (space > start) info.pixelFormats.push_back(text.substr(start, space - start));
      start = space + 1;
    }
  }
  return info;
}

std::string encoderFor(const OutputSpec& output) {
  if (!output.encoding.codec.empty()) return output.encoding.codec;
  const std::string extension = containerOf(output.path);
  if (extension == ".avi") return "mpeg4";
  if (extension == ".webm") return "libvpx-vp9";
  if (extension == ".gif") return "gif";
  // The input's own family where the container takes it: ProRes stays ProRes.
  static const std::pair<const char*, std::pair<const char*, std::set<std::string>>> kFamilies[] = {
      {"prores", {"prores_ks", {".mov", ".mkv"}}},
      {"hevc", {"libx265", {".mp4", ".mov", ".mkv"}}},
      {"vp9", {"libvpx-vp9", {".mkv", ".mp4"}}},
  };
  for (const auto& [family, encoder] : kFamilies) {
    if (output.input.codec == family && encoder.second.count(extension)) return encoder.first;
  }
  // ProRes 4444 is QuickTime's way to keep alpha; H.264 has none.
  if (extension == ".mov" && wantsAlpha(output)) return "prores_ks";
  return "libx264";
}

std::string muxerFor(const std::string& path) {
  const std::string extension = containerOf(path);
  return extension == ".mkv" ? "matroska" : extension.substr(extension.empty() ? 0 : 1);
}

bool pixelFormatHasAlpha(const std::string& format) {
  for (const char* prefix : {"yuva", "gbrap", "ya8", "ya16", "ayuv", "vuya", "pal8"}) {
    if (startsWith(format, prefix)) return true;
  }
  for (const char* part : {"rgba", "bgra", "argb", "abgr"}) {
    if (contains(format, part)) return true;
  }
  return false;
}

VideoPlan planVideo(const OutputSpec& output, const std::optional<EncoderInfo>& encoder, std::uint32_t width,
                    std::uint32_t height) {
  const std::string extension = containerOf(output.path);
  const VideoEncoding& asked = output.encoding;
  const StreamTraits& input = output.input;
  const bool alpha = wantsAlpha(output);
  const std::string codec = encoder ? encoder->name : encoderFor(output);
  const bool deep = input.bitsPerSample > 8;
  VideoPlan plan;
  std::vector<std::string>& arguments = plan.arguments;
  arguments = {"-c:v", codec};

  if (codec == "gif") {
    // A palette made from all the frames, with one entry kept for transparency.
    arguments.insert(arguments.end(), {"-vf", "split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse",
                                       "-loop", "0"});
    plan.keepsAlpha = true;
    if (deep) {
      plan.notes.emplace_back(Note::VideoDepthReduced, output.path + " holds 256 colours of 8 bits; the input has " +
                                                           std::to_string(input.bitsPerSample) + "-bit samples");
    }
    return plan;
  }

  std::string format = asked.pixelFormat;
  if (format.empty()) {
    if (const Formats* formats = formatsOf(codec)) {
      const bool withAlpha = alpha && formats->alpha;
      format = withAlpha ? formats->alpha : deep && formats->deep ? formats->deep : formats->eight;
      if (deep && (withAlpha ? !formats->alphaIsDeep : !formats->deep)) {
        plan.notes.emplace_back(Note::VideoDepthReduced,
                                output.path + " is written with 8 bits a sample (" + format + "), the most " + codec +
                                    (withAlpha ? " keeps with alpha" : " takes") + "; the input has " +
                                    std::to_string(input.bitsPerSample) + "-bit samples");
      }
    }
  }
  if (asked.pixelFormat.empty() && !pixelFormatHasAlpha(format) && encoder) format = withInputChroma(format, input, *encoder);
  if (deep && input.bitsPerSample <= sampleBitsOf(format)) {
    plan.notes.emplace_back(Note::EightBitPicture, "the effect draws 8 bits a channel: the input's " +
                                                       std::to_string(input.bitsPerSample) + "-bit picture passes through 8 bits, and " +
                                                       output.path + " keeps " + format + " samples");
  }
  if (!format.empty()) {
    plan.keepsAlpha = pixelFormatHasAlpha(format);
    arguments.insert(arguments.end(), {"-pix_fmt", format});
  } else if (encoder) {
    // ffmpeg picks the format closest to RGBA, which keeps alpha where the encoder can.
    plan.keepsAlpha = std::any_of(encoder->pixelFormats.begin(), encoder->pixelFormats.end(), pixelFormatHasAlpha);
  }

  if (codec == "prores_ks" || codec == "prores_aw") {
    arguments.insert(arguments.end(), {"-profile:v", contains(format, "444") ? "4444" : "hq"});
  }
  const Quality* quality = nullptr;
  for (const Quality& q : kCrf) {
    if (codec == q.codec) quality = &q;
  }
  if (quality) {
    arguments.insert(arguments.end(), {"-crf", std::to_string(asked.crf.value_or(quality->crf))});
    if (quality->zeroBitrate) arguments.insert(arguments.end(), {"-b:v", "0"});
  } else if (asked.crf || codec == "mpeg4") {
    arguments.insert(arguments.end(), {"-q:v", std::to_string(asked.crf.value_or(2))});
  }
  if (codec == "libvpx-vp9") arguments.insert(arguments.end(), {"-row-mt", "1", "-cpu-used", "4"});
  // x265 logs by itself whatever ffmpeg's -v, and what ffmpeg's stderr holds is taken
  // for an error.
  if (codec == "libx265") arguments.insert(arguments.end(), {"-x265-params", "log-level=error"});

  std::vector<std::string> filters;
  // x264 and x265 refuse odd sides where the colour is subsampled.
  if (codec == "libx264" || codec == "libx265") {
    const bool halfWidth = contains(format, "420") || contains(format, "422") || startsWith(format, "nv");
    const bool halfHeight = contains(format, "420") || format == "nv12" || format == "nv21";
    const std::uint32_t evenWidth = halfWidth ? width + width % 2 : width;
    const std::uint32_t evenHeight = halfHeight ? height + height % 2 : height;
    if (evenWidth != width || evenHeight != height) {
      plan.notes.emplace_back(Note::VideoPadded, output.path + " is padded to " + sizeText(evenWidth, evenHeight) +
                                                     " with black, as " + codec + " in " + format + " needs even sides");
      filters.push_back("pad=" + std::to_string(evenWidth) + ":" + std::to_string(evenHeight));
    }
  }

  // The description goes as codes, which every option and filter below takes; a value
  // not known here is left open with a note rather than stop the encoder.
  std::vector<std::string> tags;
  const auto tag = [&](ColourProperty property, const char* option, const char* parameter, const std::string& value) {
    if (value.empty() || value == "unknown" || value == "unspecified" || value == "reserved") return;
    const std::optional<int> code = colourCode(property, value);
    if (!code) {
      plan.notes.emplace_back(Note::ColourLeftOpen, output.path + " leaves the input's " + colourPropertyName(property) +
                                                        " \"" + value + "\" unstated: ffmpeg has no name for it here");
      return;
    }
    arguments.insert(arguments.end(), {option, std::to_string(*code)});
    tags.push_back(std::string(parameter) + "=" + std::to_string(*code));
  };
  tag(ColourProperty::Primaries, "-color_primaries", "color_primaries", input.colorPrimaries);
  tag(ColourProperty::Transfer, "-color_trc", "color_trc", input.colorTransfer);
  if (!isRgb(format)) {
    // The RGB frames become YUV by the input's own matrix and range (ffmpeg's default is
    // BT.601 whatever the tags say), and the output says so.
    const Matrix matrix = matrixFor(input, width, height);
    const std::string range = colourCode(ColourProperty::Range, input.colorRange) == 2 ? "pc" : "tv";
    filters.push_back(std::string("scale=out_color_matrix=") + matrix.scale + ":out_range=" + range);
    tag(ColourProperty::Matrix, "-colorspace", "colorspace", matrix.tag);
    tag(ColourProperty::Range, "-color_range", "range", range);
  }
  if (!format.empty()) filters.push_back("format=" + format);
  // Encoders such as ProRes take the description from the frames, not from the options.
  if (!tags.empty()) filters.push_back("setparams=" + joined(tags, ":"));
  const std::string sar = sarOf(input.sampleAspectRatio);
  if (!sar.empty()) filters.push_back("setsar=" + sar);
  if (!filters.empty()) arguments.insert(arguments.end(), {"-vf", joined(filters, ",")});

  if (extension == ".mp4" || extension == ".mov") arguments.insert(arguments.end(), {"-movflags", "+faststart"});
  return plan;
}

std::vector<std::string> audioArguments(const std::string& path, const std::vector<std::string>& codecs,
                                        double tempo) {
  const std::string extension = containerOf(path);
  // The audio codecs each container holds as they are; .mkv holds them all.
  static const std::pair<const char*, std::set<std::string>> kHeld[] = {
      {".mp4", {"aac", "mp3", "ac3", "eac3", "alac", "opus", "mp2"}},
      {".mov", {"aac", "mp3", "ac3", "eac3", "alac", "pcm_s16le", "pcm_s16be", "pcm_s24le", "pcm_s24be", "pcm_s32le",
                "pcm_f32le"}},
      {".webm", {"opus", "vorbis"}},
      {".avi", {"mp3", "ac3", "pcm_s16le"}},
  };
  std::string encoder = "aac";
  if (extension == ".webm") encoder = "libopus";
  if (extension == ".avi") encoder = "libmp3lame";
  std::vector<std::string> arguments;
  const bool retimed = tempo != 1;  // a filter, so no stream is copied
  if (retimed) {
    // atempo takes 0.5 to 100 at a time.
    std::string chain;
    for (; tempo < 0.5; tempo /= 0.5) chain += "atempo=0.5,";
    char last[32];
    std::snprintf(last, sizeof last, "atempo=%.9g", std::min(tempo, 100.0));
    arguments.insert(arguments.end(), {"-filter:a", chain + last});
  }
  for (std::size_t i = 0; i < codecs.size(); ++i) {
    bool held = extension == ".mkv" && !retimed;
    for (const auto& [container, names] : kHeld) {
      if (extension == container) held = names.count(codecs[i]) > 0 && !retimed;
    }
    arguments.insert(arguments.end(), {"-c:a:" + std::to_string(i), held ? "copy" : encoder});
  }
  return arguments;
}

}  // namespace vantrel
