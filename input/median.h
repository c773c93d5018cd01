// The median of a lot's values, as the list's warnings compare each row with
// it: the middle value, or the mean of the two middle ones.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace voltrigg {

// The median of `values` (taken by value: it is reordered), 0 for none.
// Floats widen to doubles one by one, so a float lot's median is the one its
// values give as doubles.
template <class Number>
double Median(std::vector<Number> values) {
  if (values.empty()) return 0;
  const std::size_t mid = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
  const double upper = values[mid];
  if (values.size() % 2 != 0) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid));
  return (lower + upper) / 2;
}

}  // namespace voltrigg
