#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Ffmpeg.h"
#include "MatroskaFrames.h"
#include "MediaFiles.h"
#include "Notes.h"
#include "PipeIo.h"
#include "TemporaryFiles.h"
#include "VideoEncoding.h"
#include "VideoFiles.h"

namespace vantrel {
namespace {

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", value);
  return text;
}

class VideoSink : public FrameSink {
 public:
  VideoSink(const OutputSpec& output, std::size_t frames) : output_(output), path_(output.path), expected_(frames) {
    if (output_.noClobber && pathExists(path_)) throw existsError(path_);
    ffmpeg_ = requireProgram("ffmpeg", path_);
    ffprobe_ = requireProgram("ffprobe", path_);
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::u8path(path_), ignored)) throw failure("it is a folder");
    // What was asked for is checked before any frame is rendered.
    checkEncoder();
    if (output_.audio && !output_.input.audioFile.empty()) findAudio();
    if (!audioCodecs_.empty()) takeAudio();
    if (!audioCodecs_.empty() && output_.input.framesApart) {
      noteOnce(Note::AudioOverGaps, path_ + " keeps each frame at its own time, the one before a gap held over it, so "
                                    "that the audio plays whole and in step from the first frame to the last");
    }

    try {
      temporary_ = std::make_unique<HiddenTemporary>(path_, extensionOf(path_));
    } catch (const std::runtime_error& error) {
      throw failure(error.what());
    }
    file_ = OwnedFd(temporary_->takeDescriptor());
    outputName_ = standardOutputName().value_or("file:" + temporary_->path());
  }

  ~VideoSink() override {
    input_.reset();
    if (child_) child_->kill();
  }

  void write(const RgbaImage& frame, long number) override {
    if (!child_) start(frame);
    if (frame.width != width_ || frame.height != height_) {
      throw failure("frame " + std::to_string(number) + " is " + sizeText(frame.width, frame.height) +
                    ", but the video is " + sizeText(width_, height_));
    }
    if (input_.get() < 0) throw failure("ffmpeg has already stopped");
    const RgbaImage* pixels = &frame;
    RgbaImage flat;
    if (!keepsAlpha_ && !isOpaque(frame)) {
      noteOnce(Note::AlphaFlattened,
               path_ + " holds no alpha: transparent parts of the frames are composited onto black");
      flat = frame;
      compositeOntoBlack(flat);
      pixels = &flat;
    }
    int error = 0;
    if (ownTimes()) {
      const std::vector<std::uint8_t> prefix = matroskaFramePrefix(microsecondsOf(number), pixels->rgba.size());
      error = writeFully(input_.get(), prefix.data(), prefix.size());
    }
    if (!error) error = writeFully(input_.get(), pixels->rgba.data(), pixels->rgba.size());
    if (error) {
      input_.reset();
      const int status = child_->wait();
      throw failure(status != 0 ? ffmpegFailure(status) : std::string(std::strerror(error)));
    }
    ++written_;
  }

  void finish() override {
    if (!child_) throw failure("no frames to write");
    input_.reset();
    const int status = child_->wait();
    file_.reset();
    // ffmpeg exits 0 when it could not finish the file (on a full disk it only says
    // "Error writing trailer"); run with -v error, anything it says is a failure.
    if (status != 0 || !firstError(errors_).empty()) throw failure(ffmpegFailure(status));
    checkWritten(*temporary_);
    HiddenTemporary* done = temporary_.get();
    std::unique_ptr<HiddenTemporary> cut;
    if (!audioCodecs_.empty() && written_ < expected_) {
      cut = cutToFrames();
      done = cut.get();
    }
    if (output_.noClobber && pathExists(path_)) throw existsError(path_);
    try {
      done->moveTo(path_);
    } catch (const std::runtime_error& error) {
      throw failure(error.what());
    }
  }

 private:
  std::runtime_error failure(const std::string& reason) const {
    return std::runtime_error("cannot write " + path_ + ": " + reason);
  }

  // Why ffmpeg failed: its first error, which names the cause.
  std::string ffmpegFailure(int status) const {
    const std::string said = firstError(errors_);
    return shown(said.empty() ? childFailure("ffmpeg", status, errors_) : "ffmpeg: " + said);
  }

  // ffmpeg's words about the file name the temporary; the person knows it by its own name.
  std::string shown(std::string text) const {
    for (const std::string& name : {outputName_, temporary_->path()}) {
      if (name.empty()) continue;
      for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), path_);
    }
    return text;
  }

  void checkEncoder() {
    const std::string asked = encoderFor(output_);
    ErrorCapture errors;
    int status = 0;
    const std::string help = outputOf(ffmpeg_, {"-hide_banner", "-h", "encoder=" + asked}, errors, status);
    encoder_ = parseEncoderHelp(help);
    if (!encoder_) throw failure("ffmpeg has no encoder named " + asked + " (ffmpeg -encoders lists them)");
    const std::string& format = output_.encoding.pixelFormat;
    const std::vector<std::string>& formats = encoder_->pixelFormats;
    if (!format.empty() && !formats.empty() && std::find(formats.begin(), formats.end(), format) == formats.end()) {
      std::string list;
      for (const std::string& name : formats) list += (list.empty() ? "" : ", ") + name;
      throw failure(encoder_->name + " takes no pixel format " + format + " (it takes " + list + ")");
    }
  }

  void findAudio() {
    const std::string& file = output_.input.audioFile;
    ErrorCapture errors;
    int status = 0;
    const std::string text = outputOf(
        ffprobe_,
        {"-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name", "-of", "csv=p=0", "file:" + file},
        errors, status);
    if (status != 0) throw std::runtime_error("cannot read " + file + ": " + childFailure("ffprobe", status, errors));
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      if (end > start) audioCodecs_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    if (extensionOf(path_) == ".gif" && !audioCodecs_.empty()) {
      noteOnce(Note::AudioLeftOut, path_ + " holds no audio; the input's audio is left out");
      audioCodecs_.clear();
    }
  }

  // The span of the input's audio that goes in, copied as it is into a file of its own
  // first: ffmpeg keeps what a cut or damaged file holds and says so, and what it says
  // then is the input's, not a failure to write the output.
  void takeAudio() {
    try {
      audio_ = std::make_unique<HiddenTemporary>(path_, ".mka");
    } catch (const std::runtime_error& error) {
      throw failure(error.what());
    }
    OwnedFd(audio_->takeDescriptor()).reset();  // ffmpeg opens it by its name
    const StreamTraits& input = output_.input;
    std::vector<std::string> arguments = {"-nostdin", "-v", "error", "-y"};
    if (input.audioStart) arguments.insert(arguments.end(), {"-ss", numberText(*input.audioStart)});
    if (input.audioDuration) arguments.insert(arguments.end(), {"-t", numberText(*input.audioDuration)});
    arguments.insert(arguments.end(), {"-i", "file:" + input.audioFile, "-map", "0:a", "-c", "copy", "-f", "matroska",
                                       "file:" + audio_->path()});
    ErrorCapture errors;
    int status = 0;
    outputOf(ffmpeg_, arguments, errors, status);
    if (status != 0) throw std::runtime_error("cannot read " + input.audioFile + ": " + childFailure("ffmpeg", status, errors));
    if (const std::string said = firstError(errors); !said.empty()) {
      noteOnce(Note::AudioDamaged, input.audioFile + " is cut short or damaged (ffmpeg: " + said +
                                       "); the audio it holds is kept");
    }
  }

  void start(const RgbaImage& first) {
    width_ = first.width;
    height_ = first.height;
    const VideoPlan plan = planVideo(output_, encoder_, width_, height_);
    for (const auto& [kind, text] : plan.notes) noteOnce(kind, text);
    keepsAlpha_ = plan.keepsAlpha;

    // Frames at a steady rate go as plain raw frames at that rate; those of a variable-rate
    // input, or taken apart, in a Matroska stream that carries each one's time, which the
    // encoder keeps.
    std::vector<std::string> arguments = {"-v", "error", "-y"};
    if (ownTimes()) {
      arguments.insert(arguments.end(), {"-f", "matroska", "-i", "-"});
    } else {
      arguments.insert(arguments.end(), {"-f", "rawvideo", "-pix_fmt", "rgba", "-s", sizeText(width_, height_), "-r",
                                         output_.fps.text(), "-i", "-"});
    }
    if (audio_) arguments.insert(arguments.end(), {"-i", "file:" + audio_->path(), "-map", "0:v:0", "-map", "1:a"});
    arguments.insert(arguments.end(), plan.arguments.begin(), plan.arguments.end());
    if (ownTimes()) arguments.insert(arguments.end(), {"-fps_mode", "passthrough", "-enc_time_base:v", "1:1000000"});
    const std::vector<std::string> audio = audioArguments(path_, audioCodecs_, output_.input.audioTempo);
    arguments.insert(arguments.end(), audio.begin(), audio.end());
    // ffmpeg gets the temporary as its standard output and opens it again by that name (a
    // muxer seeks back to complete its header), never by its path: one removed by a second
    // signal before ffmpeg is under way is not made again. Where the system has no such
    // name, ffmpeg opens the temporary by its path, which it can only once ours is closed.
    arguments.insert(arguments.end(), {"-f", muxerFor(path_), outputName_});
    const bool byPath = !standardOutputName();
    if (byPath) file_.reset();
    Pipe input = makePipe();
    child_.emplace(ffmpeg_, arguments, ChildProcess::Streams{input.read.get(), byPath ? -1 : file_.get(), errors_.fd()});
    input_ = std::move(input.write);
    if (ownTimes()) {
      const std::vector<std::uint8_t> header = matroskaHeader(width_, height_);
      if (const int error = writeFully(input_.get(), header.data(), header.size())) {
        throw failure(std::strerror(error));
      }
    }
  }

  // A frame's own time from the first frame written, in microseconds, always after the
  // one before: the input's own, else its number's at the rate; a number past the input's
  // list goes on at the rate.
  std::uint64_t microsecondsOf(long number) {
    const std::vector<double>& times = output_.input.frameTimes;
    const double rate = output_.fps.value();
    const double seconds = std::size_t(number) < times.size() ? times[std::size_t(number)]
                           : times.empty() ? double(number) / rate
                                           : times.back() + double(number + 1 - long(times.size())) / rate;
    if (!firstSeconds_) firstSeconds_ = seconds;
    std::uint64_t microseconds = std::uint64_t(std::llround(std::max(0.0, seconds - *firstSeconds_) * 1e6));
    if (lastMicroseconds_ && microseconds <= *lastMicroseconds_) microseconds = *lastMicroseconds_ + 1;
    lastMicroseconds_ = microseconds;
    return microseconds;
  }

  // Fewer frames came than the run meant (it was interrupted, the input ended early): the
  // file ffmpeg finished is copied without the audio past the last frame's span.
  std::unique_ptr<HiddenTemporary> cutToFrames() {
    const double frame = 1 / output_.fps.value();
    const double span = ownTimes() ? double(lastMicroseconds_.value_or(0)) / 1e6 + frame : double(written_) * frame;
    std::unique_ptr<HiddenTemporary> cut;
    try {
      cut = std::make_unique<HiddenTemporary>(path_, extensionOf(path_));
    } catch (const std::runtime_error& error) {
      throw failure(error.what());
    }
    OwnedFd(cut->takeDescriptor()).reset();  // ffmpeg opens it by its name
    ErrorCapture errors;
    int status = 0;
    outputOf(ffmpeg_, {"-v", "error", "-y", "-i", "file:" + temporary_->path(), "-map", "0", "-c", "copy", "-t",
                       numberText(span), "-f", muxerFor(path_), "file:" + cut->path()}, errors, status);
    if (status != 0 || !firstError(errors).empty()) {
      throw failure(shown("cannot cut the audio to the frames: " + childFailure("ffmpeg", status, errors)));
    }
    checkWritten(*cut);
    return cut;
  }

  bool ownTimes() const { return !output_.input.frameTimes.empty() || output_.input.framesApart; }

  // The file ffmpeg finished must read back with every frame written.
  void checkWritten(const HiddenTemporary& written) const {
    std::error_code error;
    if (std::filesystem::file_size(std::filesystem::u8path(written.path()), error) == 0 || error) {
      throw failure("ffmpeg wrote nothing");
    }
    ErrorCapture errors;
    int exitStatus = 0;
    const std::string count = outputOf(ffprobe_,
                                       {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                                        "stream=nb_read_packets", "-of", "csv=p=0", written.path()},
                                       errors, exitStatus);
    std::string problem;
    if (exitStatus != 0) {
      problem = childFailure("ffprobe", exitStatus, errors);
    } else if (const std::string said = firstError(errors); !said.empty()) {
      problem = "ffprobe: " + said;
    }
    if (!problem.empty()) throw failure(shown("the file written does not read back: " + problem));
    const unsigned long packets = std::strtoul(count.c_str(), nullptr, 10);
    if (packets != written_) {
      throw failure("the file written holds " + std::to_string(packets) + " of the " + std::to_string(written_) +
                    " frames");
    }
  }

  OutputSpec output_;
  std::string path_;
  std::string ffmpeg_;
  std::string ffprobe_;
  std::optional<EncoderInfo> encoder_;     // what ffmpeg says of the encoder used
  std::vector<std::string> audioCodecs_;   // of the input's audio streams that go in
  std::unique_ptr<HiddenTemporary> temporary_;
  std::unique_ptr<HiddenTemporary> audio_;  // the input's audio that goes in
  OwnedFd file_;  // the temporary, open
  std::string outputName_;  // by which ffmpeg opens the temporary
  ErrorCapture errors_;
  std::optional<ChildProcess> child_;
  OwnedFd input_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  bool keepsAlpha_ = false;
  std::size_t expected_;  // frames the run means to write; 0: not known
  std::size_t written_ = 0;
  std::optional<double> firstSeconds_;            // of a variable-rate input's first frame written
  std::optional<std::uint64_t> lastMicroseconds_;
};

}  // namespace

std::unique_ptr<FrameSink> openVideoSink(const OutputSpec& output, std::size_t frames) {
  return std::make_unique<VideoSink>(output, frames);
}

}  // namespace vantrel
