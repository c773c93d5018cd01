// Fuzz target: the inverter profile reader.
//
// Input: the profile's text. A profile that is read must hold only what it
// promises (finite limits above 0, the MPPT minimum 0 or more and below the
// maximum, the maximum not above the DC voltage, a short name without control
// characters); one that is refused must say why.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "assess/inverter_profile.h"
#include "fuzz/fuzz_support.h"

using voltrigg::fuzz::Require;

namespace {

void RequirePositive(const std::optional<double>& limit) {
  if (limit) Require(std::isfinite(*limit) && *limit > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  voltrigg::ProfileFault fault;
  fault.what = voltrigg::ProfileFaultKind::CannotOpen;  // no reader's fault: parsing must set its own
  const std::optional<voltrigg::InverterProfile> p = voltrigg::ParseInverterProfile(text, &fault);
  if (!p) {
    Require(fault.what != voltrigg::ProfileFaultKind::CannotOpen);
    return 0;
  }
  // A profile accepted gives at least one limit to check.
  Require(p->max_dc_voltage_v || p->mppt_min_v || p->mppt_max_v || p->max_input_current_a ||
          p->max_short_circuit_current_a);
  RequirePositive(p->max_dc_voltage_v);
  RequirePositive(p->mppt_max_v);
  RequirePositive(p->max_input_current_a);
  RequirePositive(p->max_short_circuit_current_a);
  if (p->mppt_min_v) Require(std::isfinite(*p->mppt_min_v) && *p->mppt_min_v >= 0);
  if (p->mppt_min_v && p->mppt_max_v) Require(*p->mppt_min_v < *p->mppt_max_v);
  if (p->mppt_max_v && p->max_dc_voltage_v) Require(*p->mppt_max_v <= *p->max_dc_voltage_v);
  if (p->name) {
    Require(p->name->size() <= 200);
    for (unsigned char c : *p->name) Require(c >= 0x20 && c != 0x7F);
  }
  return 0;
}
