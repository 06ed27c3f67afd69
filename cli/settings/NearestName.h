// The name a person most likely meant, for "did you mean" in an error.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

// The number of single-letter insertions, deletions and substitutions that turn one
// text into the other, letter case ignored.
std::size_t editDistance(const std::string& a, const std::string& b);

// The name in `names` nearest to `typed`, when it is near enough to be a slip of the
// keys: at most max(2, a third of typed's length) edits away. The first of equally near
// names wins. Empty when none is near enough.
std::string nearestName(const std::string& typed, const std::vector<std::string>& names);

}  // namespace vantrel
