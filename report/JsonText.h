// What the JSON reports share: a text that is not known is written as null, never as "".
// For the JSON functions only; not part of the report's interface.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace report::json {

inline nlohmann::ordered_json Text(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

}  // namespace report::json
