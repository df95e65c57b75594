// Reading the two numbers typed into Build's window.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace generator {

// A whole number in the 32-bit signed range, with blanks around it ignored and an optional sign.
// Empty if the text is anything else.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

}  // namespace generator
