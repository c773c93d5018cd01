#pragma once
#include <string>
#include <string_view>

namespace voltrigg {

// Decimal number text: optional sign, digits with an optional period, an
// optional exponent; at least one digit before the exponent. No blanks, no
// inf or nan, no hexadecimal, no thousands separators.
bool LooksLikeNumber(std::string_view text);

// A number field of a comma-separated file as a 32-bit float, correctly
// rounded. The empty text reads as 0. False when the text is not a number or
// lies beyond the float range.
bool ParseNumberField(std::string_view text, float& value);

// The shortest decimal text that reads back to the same float: the result
// file's numbers, and every message that quotes one.
std::string FormatFloat(float value);

// The same for a double: the shortest decimal text that reads back to it.
std::string FormatDouble(double value);

}  // namespace voltrigg
