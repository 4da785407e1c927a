// Key scripts: reading the text and naming the keys.
#include "KeyScript.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace keyscript {

int KeyCode(const std::string& name) {
  static const struct {
    const char* name;
    int code;
  } named[] = {{"LEFT", 37},  {"UP", 38},    {"RIGHT", 39}, {"DOWN", 40},
               {"SPACE", 32}, {"ENTER", 13}, {"ESC", 27}};
  for (const auto& n : named)
    if (name == n.name) return n.code;
  if (name.size() == 1) {
    char c = name[0];
    if (c >= '1' && c <= '9') return c;
    if (c >= 'A' && c <= 'Z') return c;
  }
  if (name.size() >= 2 && name.size() <= 3) {
    int v = 0;
    for (char c : name) {
      if (!std::isdigit((unsigned char)c)) return -1;
      v = v * 10 + (c - '0');
    }
    return v <= 255 ? v : -1;
  }
  return -1;
}

bool Parse(const std::string& text, Script* out, std::string* error) {
  Script script;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = raw.substr(0, raw.find('#'));
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    if (first == "seed") {
      std::string v;
      if (!(words >> v) || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 9) {
        *error = "line " + std::to_string(lineNo) + ": seed needs a number";
        return false;
      }
      script.seed = (unsigned)std::strtoul(v.c_str(), nullptr, 10);
      continue;
    }
    if (first.find_first_not_of("0123456789") != std::string::npos || first.size() > 6) {
      *error = "line " + std::to_string(lineNo) + ": expected a tick count, got '" + first + "'";
      return false;
    }
    Step step;
    step.ticks = std::atoi(first.c_str());
    step.line = lineNo;
    std::string key;
    while (words >> key) {
      if (key == "-") continue;
      int code = KeyCode(key);
      if (code < 0) {
        *error = "line " + std::to_string(lineNo) + ": unknown key '" + key + "'";
        return false;
      }
      step.keys.push_back(code);
    }
    script.steps.push_back(step);
  }
  *out = script;
  return true;
}

}  // namespace keyscript
