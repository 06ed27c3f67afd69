#include "FrameRange.h"

#include <algorithm>
#include <stdexcept>

namespace vantrel {
namespace {

constexpr long kMaxNumber = 999999999;
constexpr std::size_t kMaxFrames = 10000000;

class RangeParser {
 public:
  explicit RangeParser(const std::string& text) : text_(text) {}

  std::vector<long> parse() {
    if (text_.empty()) throw failure("it is empty");
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = text_.find(',', start);
      addPart(text_.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    std::vector<long> sorted = frames_;
    std::sort(sorted.begin(), sorted.end());
    const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
    if (twice != sorted.end()) throw failure("frame " + std::to_string(*twice) + " is listed twice");
    return std::move(frames_);
  }

 private:
  std::runtime_error failure(const std::string& reason) const {
    return std::runtime_error("bad frame range \"" + text_ + "\": " + reason);
  }
  std::runtime_error badPart(const std::string& part, const std::string& why) const {
    return failure("\"" + part + "\" " + why);
  }

  long number(const std::string& digits, const std::string& part) const {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
      throw badPart(part, "is not N, A-B or A-BxSTEP");
    }
    if (digits.size() > 9 || std::stol(digits) > kMaxNumber) {
      throw badPart(part, "has a number above " + std::to_string(kMaxNumber));
    }
    return std::stol(digits);
  }

  void addPart(const std::string& part) {
    if (part.empty()) throw failure("an empty part between commas");
    if (part[0] == '-') throw badPart(part, "is negative; frame numbers start at 0");
    const std::size_t x = part.find('x');
    const std::string range = part.substr(0, x);
    long step = 1;
    if (x != std::string::npos) {
      step = number(part.substr(x + 1), part);
      if (step == 0) throw badPart(part, "has a step of 0");
    }
    const std::size_t dash = range.find('-');
    if (dash == std::string::npos) {
      if (x != std::string::npos) throw badPart(part, "has a step but no range A-B");
      add(number(range, part), part);
      return;
    }
    const long first = number(range.substr(0, dash), part);
    const long last = number(range.substr(dash + 1), part);
    if (first <= last) {
      for (long n = first; n <= last; n += step) add(n, part);
    } else {
      for (long n = first; n >= last; n -= step) add(n, part);
    }
  }

  void add(long n, const std::string& part) {
    if (frames_.size() == kMaxFrames) throw badPart(part, "makes more than " + std::to_string(kMaxFrames) + " frames");
    frames_.push_back(n);
  }

  const std::string& text_;
  std::vector<long> frames_;
};

}  // namespace

std::vector<long> parseFrameRange(const std::string& text) { return RangeParser(text).parse(); }

}  // namespace vantrel
