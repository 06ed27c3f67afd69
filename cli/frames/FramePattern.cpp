#include "FramePattern.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace vantrel {
namespace {

constexpr int kMaxWidth = 18;

struct Field {
  std::size_t start;
  std::size_t length;
  int width;
};

// "%d" or "%0Nd" at `at` (a '%'), or nothing.
std::optional<Field> printfField(const std::string& name, std::size_t at) {
  std::size_t end = at + 1;
  if (end < name.size() && name[end] == '0') {
    ++end;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
    if (end == at + 2 || end >= name.size() || name[end] != 'd') return std::nullopt;
    const std::string digits = name.substr(at + 2, end - at - 2);
    const int width = digits.size() > 2 ? kMaxWidth + 1 : std::stoi(digits);
    return Field{at, end + 1 - at, width};
  }
  if (end < name.size() && name[end] == 'd') return Field{at, 2, 0};
  return std::nullopt;
}

std::string formatNumber(long number, int width) {
  char text[48];
  std::snprintf(text, sizeof text, "%0*ld", width, number);
  return text;
}

}  // namespace

std::optional<FramePattern> FramePattern::find(const std::string& path) {
  // '/' everywhere, and the system's own separator ('\\' on Windows).
  const std::size_t slash = path.find_last_of({'/', char(std::filesystem::path::preferred_separator)});
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string name = path.substr(nameStart);

  std::vector<Field> fields;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%') {
      if (const std::optional<Field> field = printfField(name, i)) {
        fields.push_back(*field);
        i += field->length - 1;
      }
    } else if (name[i] == '#') {
      const std::size_t end = name.find_first_not_of('#', i);
      const std::size_t length = (end == std::string::npos ? name.size() : end) - i;
      fields.push_back(Field{i, length, int(std::min<std::size_t>(length, kMaxWidth + 1))});
      i += length - 1;
    }
  }
  if (fields.empty()) return std::nullopt;
  if (fields.size() > 1) throw std::runtime_error(path + ": more than one frame number field in the name");
  const Field& field = fields.front();
  if (field.width > kMaxWidth) {
    throw std::runtime_error(path + ": a frame number field wider than " + std::to_string(kMaxWidth) + " digits");
  }
  FramePattern pattern;
  pattern.text_ = path;
  pattern.folder_ = path.substr(0, nameStart);
  pattern.prefix_ = name.substr(0, field.start);
  pattern.suffix_ = name.substr(field.start + field.length);
  pattern.width_ = field.width;
  return pattern;
}

std::string FramePattern::path(long number) const {
  return folder_ + prefix_ + formatNumber(number, width_) + suffix_;
}

std::vector<long> FramePattern::existingNumbers() const {
  std::vector<long> numbers;
  std::error_code error;
  std::filesystem::directory_iterator entries(std::filesystem::u8path(folder_.empty() ? "." : folder_), error);
  if (error) return numbers;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().u8string();
    if (name.size() <= prefix_.size() + suffix_.size()) continue;
    if (name.compare(0, prefix_.size(), prefix_) != 0) continue;
    if (name.compare(name.size() - suffix_.size(), suffix_.size(), suffix_) != 0) continue;
    const std::string digits = name.substr(prefix_.size(), name.size() - prefix_.size() - suffix_.size());
    if (digits.size() > std::size_t(kMaxWidth) || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long number = std::stol(digits);
    // Only the name the pattern makes for its number: with "%04d", shot_0007.png but not
    // shot_7.png or shot_00007.png.
    if (formatNumber(number, width_) != digits) continue;
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    numbers.push_back(number);
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace vantrel
