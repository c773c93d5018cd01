#pragma once
#include <cmath>
#include <string>

#include "input/run_error.h"

namespace voltrigg {

[[noreturn]] inline void ThrowFloatError(const char* figure) {
  throw RunError(MakeFault(RunFaultKind::FloatError, {}, figure));
}

// Every value read is finite, so an overflow or invalid operation in a step
// shows as a non-finite result of that step; a check after each step is
// equivalent to testing the floating-point status there.
inline float Checked(float value, const char* figure) {
  if (!std::isfinite(value)) ThrowFloatError(figure);
  return value;
}

}  // namespace voltrigg
