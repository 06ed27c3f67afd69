#include "Ffmpeg.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <vector>


namespace vantrel {
namespace {

constexpr std::uint32_t kMaxSide = 32768;

// ffmpeg as --ffmpeg names it; empty: the one on PATH.
std::string& givenFfmpeg() {
  static std::string path;
  return path;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One [NAME]...[/NAME] block of ffprobe's default output, with the keys of the blocks inside
// it (a stream's side data); the first value of a key wins.
struct ProbeSection {
  std::string name;
  std::map<std::string, std::string> values;

  std::string value(const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
  }
};

// ffprobe's outermost sections for the file. Throws "cannot read PATH: ffprobe: ...".
std::vector<ProbeSection> probeSections(const std::string& path, std::vector<std::string> arguments) {
  const std::string ffprobe = requireProgram("ffprobe", path);
  arguments.insert(arguments.begin(), {"-v", "error"});
  arguments.insert(arguments.end(), {"-of", "default", path});
  ErrorCapture errors;
  int status = 0;
  const std::string text = outputOf(ffprobe, arguments, errors, status);
  if (status != 0) throw NotAVideo("cannot read " + path + ": " + childFailure("ffprobe", status, errors));

  std::vector<ProbeSection> sections;
  int depth = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() > 2 && line[0] == '[' && line[1] == '/') {
      --depth;
    } else if (line.size() > 1 && line[0] == '[' && line.back() == ']') {
      if (depth++ == 0) sections.push_back(ProbeSection{line.substr(1, line.size() - 2), {}});
    } else if (depth > 0 && !sections.empty()) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos) sections.back().values.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
  }
  return sections;
}

std::optional<double> secondsOf(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value)) return std::nullopt;  // "N/A"
  return value;
}

// ffprobe's "unknown" for a colour property the file leaves open.
std::string stated(const std::string& value) { return value == "unknown" || value == "N/A" ? "" : value; }

bool hasAlphaChannel(const std::string& pixelFormat) {
  for (const char* prefix : {"yuva", "gbrap", "ya8", "ya16", "ayuv", "vuya"}) {
    if (pixelFormat.rfind(prefix, 0) == 0) return true;
  }
  for (const char* part : {"rgba", "bgra", "argb", "abgr"}) {
    if (pixelFormat.find(part) != std::string::npos) return true;
  }
  return false;
}

// The bits of a sample in one of ffmpeg's pixel formats: 10 for yuv420p10le, 16 for rgb48be.
int sampleBits(std::string pixelFormat) {
  if (endsWith(pixelFormat, "le") || endsWith(pixelFormat, "be")) pixelFormat.resize(pixelFormat.size() - 2);
  static const std::map<std::string, int> packed = {
      {"p010", 10}, {"p016", 16}, {"p210", 10}, {"p216", 16}, {"p410", 10}, {"p416", 16}, {"y210", 10},
      {"y212", 12}, {"x2rgb10", 10}, {"x2bgr10", 10}, {"xyz12", 12}, {"ayuv64", 16}, {"rgb48", 16},
      {"bgr48", 16}, {"rgba64", 16}, {"bgra64", 16}, {"ya16", 16}};
  if (const auto found = packed.find(pixelFormat); found != packed.end()) return found->second;
  if (endsWith(pixelFormat, "f32") || endsWith(pixelFormat, "f16")) return 16;
  // Planar and grey formats end in their depth: "yuv444p12", "gbrap10", "gray10".
  std::size_t digits = pixelFormat.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(pixelFormat[digits - 1]))) --digits;
  if (digits == pixelFormat.size() || digits == 0) return 8;
  const bool deepPlanar = pixelFormat[digits - 1] == 'p' || pixelFormat.compare(0, digits, "gray") == 0;
  const int bits = std::atoi(pixelFormat.c_str() + digits);
  return deepPlanar && bits > 8 && bits <= 16 ? bits : 8;
}

}  // namespace


std::string sizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

void useFfmpegAt(const std::string& path) { givenFfmpeg() = path; }

std::string requireProgram(const std::string& name, const std::string& file) {
  const std::string& given = givenFfmpeg();
  if (given.empty()) {
    const std::optional<std::string> program = findProgram(name);
    if (!program) {
      throw std::runtime_error(name + " is not installed; it is needed for " + file + " (" + ffmpegInstallHint() + ")");
    }
    return *program;
  }
  const std::filesystem::path besideGiven = std::filesystem::u8path(given).parent_path() / programFileName(name);
  const std::string program = name == "ffmpeg" ? given : besideGiven.u8string();
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::u8path(program), error)) {
    throw std::runtime_error(program + ": no such program (--ffmpeg " + given + "); it is needed for " + file);
  }
  return program;
}

std::string childFailure(const std::string& name, int status, const ErrorCapture& errors) {
  const std::string line = errors.lastLine();
  if (!line.empty()) return name + ": " + line;
  if (status > 128) return name + " was killed by signal " + std::to_string(status - 128);
  return name + " failed with exit code " + std::to_string(status);
}

std::optional<double> parseRate(const std::string& text) {
  char* end = nullptr;
  const double numerator = std::strtod(text.c_str(), &end);
  double denominator = 1;
  if (*end == '/') denominator = std::strtod(end + 1, &end);
  if (*end != '\0' || !(numerator > 0) || !(denominator > 0) || !std::isfinite(numerator / denominator)) {
    return std::nullopt;
  }
  return numerator / denominator;
}

VideoInfo probeVideo(const std::string& path) {
  const std::vector<ProbeSection> sections = probeSections(
      path, {"-show_entries",
             "stream=codec_type,codec_name,width,height,r_frame_rate,pix_fmt,bits_per_raw_sample,color_range,"
             "color_space,color_transfer,color_primaries,sample_aspect_ratio:stream_tags=alpha_mode:"
             "stream_side_data=rotation:format=format_name,start_time"});
  const ProbeSection* video = nullptr;
  const ProbeSection* format = nullptr;
  bool hasAudio = false;
  for (const ProbeSection& section : sections) {
    if (section.name == "STREAM" && section.value("codec_type") == "video" && !video) video = &section;
    if (section.name == "STREAM" && section.value("codec_type") == "audio") hasAudio = true;
    if (section.name == "FORMAT") format = &section;
  }
  if (!video) throw NotAVideo("cannot read " + path + ": it holds no video stream");

  VideoInfo info;
  const long width = std::atol(video->value("width").c_str());
  const long height = std::atol(video->value("height").c_str());
  if (width <= 0 || height <= 0 || width > long(kMaxSide) || height > long(kMaxSide)) {
    throw NotAVideo("cannot read " + path + ": a video of " + video->value("width") + "x" +
                             video->value("height") + " pixels is not supported");
  }
  info.width = std::uint32_t(width);
  info.height = std::uint32_t(height);
  // ffmpeg turns frames upright as the file's display matrix says, which swaps the sides
  // of a quarter turn.
  if (std::abs(std::atol(video->value("rotation").c_str())) % 180 == 90) std::swap(info.width, info.height);
  info.fps = parseRate(video->value("r_frame_rate"));
  info.codec = video->value("codec_name");
  const std::string pixelFormat = info.pixelFormat = video->value("pix_fmt");
  // VP8 and VP9 keep alpha beside the picture; the stream's pixel format does not show it.
  info.hasAlpha = hasAlphaChannel(pixelFormat) || video->value("TAG:alpha_mode") == "1";
  info.bitsPerSample = sampleBits(pixelFormat);
  const long rawBits = std::atol(video->value("bits_per_raw_sample").c_str());
  if (info.bitsPerSample == 8 && rawBits > 8 && rawBits <= 16) info.bitsPerSample = int(rawBits);
  info.colorPrimaries = stated(video->value("color_primaries"));
  info.colorTransfer = stated(video->value("color_transfer"));
  info.colorSpace = stated(video->value("color_space"));
  info.colorRange = stated(video->value("color_range"));
  const std::string aspect = video->value("sample_aspect_ratio");
  if (aspect != "0:1" && aspect.find(':') != std::string::npos) info.sampleAspectRatio = aspect;
  info.hasAudio = hasAudio;

  // Raw frames from ffmpeg carry no times, so the packets' are listed once (a demux, no
  // decoding) and matched to the frames in presentation order.
  const std::vector<ProbeSection> packets = probeSections(
      path, {"-select_streams", "v:0", "-show_entries", "packet=pts_time,flags"});
  bool timed = true;
  for (const ProbeSection& packet : packets) {
    if (packet.name != "PACKET") continue;
    if (packet.value("flags").find('D') != std::string::npos) continue;  // dropped by the decoder (an edit list)
    ++info.frames;
    const std::optional<double> time = secondsOf(packet.value("pts_time"));
    if (time) info.times.push_back(*time);
    timed = timed && time;
  }
  if (info.frames == 0) throw NotAVideo("cannot read " + path + ": it holds no video frames");
  if (timed) {
    std::sort(info.times.begin(), info.times.end());
    const double first = info.times.front();
    for (double& time : info.times) time -= first;
    info.startOffset = first - (format ? secondsOf(format->value("start_time")) : std::nullopt).value_or(0);
  } else {
    info.times.clear();
  }
  info.container = format ? format->value("format_name") : "";
  info.picture = info.frames == 1 && (info.container == "image2" || endsWith(info.container, "_pipe"));
  return info;
}

std::string firstError(const ErrorCapture& errors) {
  const std::string text = errors.head(16384);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    const std::string line = text.substr(start, end - start);
    const bool chatter = line.find("[info]") != std::string::npos || line.find("[warn") != std::string::npos;
    if (!chatter && line.find_first_not_of(' ') != std::string::npos) {
      // "[mp4 @ 0x55d1c0] Could not find tag..." reads as well without the address.
      const std::size_t at = line.find(" @ 0x"), close = line.find("] ");
      return line[0] == '[' && at < close && close != std::string::npos ? line.substr(close + 2) : line;
    }
    start = end + 1;
  }
  return "";
}

}  // namespace vantrel
