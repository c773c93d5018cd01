#pragma once
// The JSON text of the files the physical side writes: indented by two spaces
// per level, arrays of plain numbers on one line, every number as its
// shortest text that reads back to the same double (null when not finite),
// strings escaped by nlohmann-json.
#include <nlohmann/json.hpp>
#include <string>

namespace voltrigg {

// `doc` as text, ending with a line end.
std::string FormatJsonText(const nlohmann::ordered_json& doc);

}  // namespace voltrigg
