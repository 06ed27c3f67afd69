#include "PartPictures.h"

#include "MediaFiles.h"

namespace vantrel {
namespace {

class PartPictures : public FrameSource {
 public:
  PartPictures(std::unique_ptr<FrameSource> source, FramePattern pictures)
      : source_(std::move(source)), pictures_(std::move(pictures)) {}

  std::optional<RgbaImage> next() override {
    if (!source_->next()) return std::nullopt;
    const std::string path = pictures_.path(source_->lastNumber());
    if (!pathExists(path)) throw std::runtime_error("no rendered picture " + path + " for frame " + std::to_string(source_->lastNumber()));
    return readStill(path, fileKindOf(path), false);
  }
  std::size_t count() const override { return source_->count(); }
  long lastNumber() const override { return source_->lastNumber(); }
  std::optional<FrameRate> fps() const override { return source_->fps(); }
  std::optional<double> lastTime() const override { return source_->lastTime(); }
  StreamTraits traits() const override { return source_->traits(); }
  std::vector<std::string> files() const override { return source_->files(); }
  std::vector<long> numbers() const override { return source_->numbers(); }
  bool numbered() const override { return source_->numbered(); }

 private:
  std::unique_ptr<FrameSource> source_;
  FramePattern pictures_;
};

}  // namespace

std::unique_ptr<FrameSource> picturesFrom(std::unique_ptr<FrameSource> source, const std::string& pictures) {
  const std::optional<FramePattern> pattern = FramePattern::find(pictures);
  if (!pattern) throw std::runtime_error("--pictures-from takes a numbered pattern, not " + pictures);
  return std::make_unique<PartPictures>(std::move(source), *pattern);
}

}  // namespace vantrel
