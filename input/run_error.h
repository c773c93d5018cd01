#pragma once
#include <stdexcept>
#include <string>

namespace voltrigg {

// A failure that ends a run with a message for the user (bad count, unreadable
// or malformed module list, float error in a figure, result file not written).
// The text is what the user sees, in Japanese, naming what was wrong and where.
class RunError : public std::runtime_error {
 public:
  explicit RunError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace voltrigg
