#include "Ffmpeg.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "PipeIo.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxSide = 32768;

}  // namespace


std::string sizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string requireProgram(const std::string& name, const std::string& file) {
  const std::optional<std::string> program = findProgram(name);
  if (!program) throw std::runtime_error(name + " is not installed; it is needed for " + file + " (apt-get install ffmpeg)");
  return *program;
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
  const std::string ffprobe = requireProgram("ffprobe", path);
  Pipe output = makePipe();
  ErrorCapture errors;
  ChildProcess child(ffprobe,
                     {"-v", "error", "-select_streams", "v:0", "-show_entries",
                      "stream=codec_name,width,height,r_frame_rate,nb_frames:stream_side_data=rotation", "-of",
                      "default=noprint_wrappers=1", path},
                     {-1, output.write.get(), errors.fd()});
  output.write.reset();
  std::string text;
  char buffer[4096];
  int error = 0;
  std::size_t n;
  while ((n = readFully(output.read.get(), buffer, sizeof buffer, &error)) > 0) text.append(buffer, n);
  const int status = child.wait();
  if (status != 0) throw std::runtime_error("cannot read " + path + ": " + childFailure("ffprobe", status, errors));

  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && !values.count(line.substr(0, equals))) {
      values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    start = end + 1;
  }
  if (!values.count("width")) throw std::runtime_error("cannot read " + path + ": it holds no video stream");

  VideoInfo info;
  const long width = std::atol(values["width"].c_str());
  const long height = std::atol(values["height"].c_str());
  if (width <= 0 || height <= 0 || width > long(kMaxSide) || height > long(kMaxSide)) {
    throw std::runtime_error("cannot read " + path + ": a video of " + values["width"] + "x" + values["height"] +
                             " pixels is not supported");
  }
  info.width = std::uint32_t(width);
  info.height = std::uint32_t(height);
  // ffmpeg turns frames upright as the file's display matrix says, which swaps the sides
  // of a quarter turn.
  if (values.count("rotation") && std::abs(std::atol(values["rotation"].c_str())) % 180 == 90) {
    std::swap(info.width, info.height);
  }
  info.fps = parseRate(values["r_frame_rate"]);
  const long frames = std::atol(values["nb_frames"].c_str());  // "N/A" reads as 0: not known
  info.frames = frames > 0 ? std::size_t(frames) : 0;
  info.codec = values["codec_name"];
  return info;
}

}  // namespace vantrel
