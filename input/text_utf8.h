#pragma once
// Texts from the files (serial numbers, file names) for display and for the
// assessment file. The lists come from Japanese Windows machines as often as
// from anywhere else, so a text that is not UTF-8 is read as Shift-JIS
// (Windows code page 932). This is the one decoder the programs use.
#include <optional>
#include <string>
#include <string_view>

namespace voltrigg {

// True when `bytes` are valid UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view bytes);

// `bytes` decoded as code page 932 as a whole, or nothing when a byte
// sequence does not fit it.
std::optional<std::string> DecodeCp932(std::string_view bytes);

// `bytes` as UTF-8: as they are when they are valid UTF-8, else decoded as
// code page 932 character by character; a byte that fits neither is written
// as the four characters "\xNN".
std::string TextAsUtf8(std::string_view bytes);

}  // namespace voltrigg
