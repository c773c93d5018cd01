#include "assess/json_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace voltrigg {

namespace {

using Json = nlohmann::ordered_json;

void WriteNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 bytes always hold a double
  out.append(buf, end);
}

// Prints `j` indented by two spaces per level; numbers through WriteNumber,
// strings escaped by the library.
void Print(std::string& out, const Json& j, int depth) {
  const std::string pad(static_cast<std::size_t>(depth + 1) * 2, ' ');
  const std::string close(static_cast<std::size_t>(depth) * 2, ' ');
  switch (j.type()) {
    case Json::value_t::object: {
      if (j.empty()) {
        out += "{}";
        return;
      }
      out += "{\n";
      bool first = true;
      for (auto it = j.begin(); it != j.end(); ++it) {
        if (!first) out += ",\n";
        first = false;
        out += pad;
        out += Json(it.key()).dump();
        out += ": ";
        Print(out, it.value(), depth + 1);
      }
      out += "\n" + close + "}";
      return;
    }
    case Json::value_t::array: {
      if (j.empty()) {
        out += "[]";
        return;
      }
      // Arrays of plain numbers stay on one line.
      const bool flat = std::all_of(j.begin(), j.end(), [](const Json& e) { return e.is_number(); });
      out += flat ? "[" : "[\n";
      bool first = true;
      for (const Json& e : j) {
        if (!first) out += flat ? ", " : ",\n";
        first = false;
        if (!flat) out += pad;
        Print(out, e, depth + 1);
      }
      out += flat ? "]" : "\n" + close + "]";
      return;
    }
    case Json::value_t::number_float:
      WriteNumber(out, j.get<double>());
      return;
    default:
      out += j.dump();
      return;
  }
}

}  // namespace

std::string FormatJsonText(const Json& doc) {
  std::string out;
  Print(out, doc, 0);
  out += '\n';
  return out;
}

}  // namespace voltrigg
