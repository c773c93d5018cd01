#include "commission/plan_fingerprint.h"

#include <cstdint>
#include <stdexcept>

namespace voltrigg {

namespace {

class Fnv1a64 {
 public:
  void Bytes(std::string_view bytes) {
    for (const char c : bytes) {
      hash_ ^= static_cast<std::uint8_t>(c);
      hash_ *= 0x100000001b3ULL;
    }
  }

  void Count(std::uint64_t n) {
    char le[8];
    for (char& byte : le) {
      byte = static_cast<char>(n & 0xFFu);
      n >>= 8;
    }
    Bytes(std::string_view(le, sizeof le));
  }

  std::string Text() const {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(kPlanFingerprintLength, 'p');
    for (std::size_t i = 0; i < 16; ++i) text[1 + i] = kHex[(hash_ >> (60 - 4 * i)) & 0xFu];
    return text;
  }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view TrimmedView(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string PlanFingerprint(const std::vector<ModuleData>& modules, const Wiring& wiring) {
  if (!WiringIndicesValid(wiring, static_cast<int>(modules.size()))) {
    throw std::invalid_argument("the wiring names a module that is not in the list");
  }
  Fnv1a64 h;
  for (const StringWiring& string : wiring) {
    h.Count(string.size());
    for (int k : string) {
      const std::string& serial = modules[static_cast<std::size_t>(k)].serial;
      h.Count(serial.size());
      h.Bytes(serial);
    }
  }
  return h.Text();
}

std::string PlanFingerprintOfSerials(const std::vector<std::vector<std::string>>& serials) {
  Fnv1a64 h;
  for (const std::vector<std::string>& string : serials) {
    h.Count(string.size());
    for (const std::string& serial : string) {
      h.Count(serial.size());
      h.Bytes(serial);
    }
  }
  return h.Text();
}

bool SamePlan(std::string_view written, std::string_view fingerprint) {
  written = TrimmedView(written);
  fingerprint = TrimmedView(fingerprint);
  if (written.size() != fingerprint.size()) return false;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (LowerAscii(written[i]) != LowerAscii(fingerprint[i])) return false;
  }
  return true;
}

}  // namespace voltrigg
