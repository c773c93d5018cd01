#pragma once
// What the fuzz targets share: a check that stops the fuzzer on a broken
// promise, and the split of an input into its leading lines.
#include <cstdlib>
#include <string_view>

namespace voltrigg::fuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

// The text up to the next line feed (or the end); `rest` moves past it.
inline std::string_view NextLine(std::string_view& rest) {
  const std::size_t end = rest.find('\n');
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return line;
}

}  // namespace voltrigg::fuzz
