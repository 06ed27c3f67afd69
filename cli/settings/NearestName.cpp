#include "NearestName.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace vantrel {
namespace {

char folded(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::size_t editDistance(const std::string& a, const std::string& b) {
  // One row of the distance table at a time: row[j] is the distance between the first
  // i letters of a and the first j letters of b.
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t(0));
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const std::size_t substitution = diagonal + (folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string nearestName(const std::string& typed, const std::vector<std::string>& names) {
  const std::size_t limit = std::max<std::size_t>(2, typed.size() / 3);
  std::string nearest;
  std::size_t best = limit + 1;
  for (const std::string& name : names) {
    const std::size_t distance = editDistance(typed, name);
    if (distance < best) {
      best = distance;
      nearest = name;
    }
  }
  return nearest;
}

}  // namespace vantrel
