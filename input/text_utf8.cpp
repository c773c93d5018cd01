#include "input/text_utf8.h"

#include <iconv.h>

#include <cstdint>

namespace voltrigg {

namespace {

// Length of the valid UTF-8 sequence starting at `p`, 0 when there is none.
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  std::size_t n = 0;
  std::uint32_t code = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    code = c & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[k] & 0x3F);
  }
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kMin[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

void Escape(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// iconv's conversion descriptor, closed on every path.
class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // iconv_open's (iconv_t)-1: no such conversion on this system.
  bool ok() const { return reinterpret_cast<std::intptr_t>(cd_) != -1; }

  // One character of `len` bytes appended to `out`, or false.
  bool One(const char* bytes, std::size_t len, std::string& out) {
    char in_buf[2] = {bytes[0], len == 2 ? bytes[1] : '\0'};
    char out_buf[16];
    char* in_ptr = in_buf;
    char* out_ptr = out_buf;
    std::size_t in_left = len;
    std::size_t out_left = sizeof out_buf;
    (void)iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) || in_left != 0)
      return false;
    out.append(out_buf, static_cast<std::size_t>(out_ptr - out_buf));
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool IsUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t n = Utf8Length(p + i, s.size() - i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

namespace {

enum class BadByte { Escape, Fail };

// Decodes code page 932 character by character (one or two bytes), so that
// with BadByte::Escape a byte that does not fit is escaped alone and the rest
// still decodes. False when a byte does not fit and BadByte::Fail.
bool DecodeInto(std::string_view bytes, std::string& out, BadByte bad) {
  Converter cp932;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    bool done = false;
    for (std::size_t len = 1; cp932.ok() && len <= 2 && i + len <= bytes.size() && !done; ++len) {
      done = cp932.One(bytes.data() + i, len, out);
      if (done) i += len;
    }
    if (done) continue;
    if (bad == BadByte::Fail) return false;
    Escape(out, byte);
    ++i;
  }
  return true;
}

}  // namespace

std::optional<std::string> DecodeCp932(std::string_view bytes) {
  std::string out;
  if (!DecodeInto(bytes, out, BadByte::Fail)) return std::nullopt;
  return out;
}

std::string TextAsUtf8(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  (void)DecodeInto(bytes, out, BadByte::Escape);
  return out;
}

}  // namespace voltrigg
