// Recorded keyboard input for the game and the loop that replays it.
//
// A key script is plain text, one run of ticks per line:
//
//   seed 7                 seed of the C library's generator (before init)
//   40 RIGHT               hold RIGHT for 40 ticks
//   1  UP RIGHT            hold both for one tick
//   25 -                   hold nothing for 25 ticks
//   # comment              (also after the keys of a line)
//
// Key names: LEFT RIGHT UP DOWN SPACE ENTER ESC, the digits 1-9, the
// letters A-Z, or a virtual-key code as a number 0-255.
//
// Replaying drives the game's own callbacks: the script's keys go into the
// engine's key table, then one process callback runs, exactly as the
// engine's 20 ms timer would do it.
#ifndef TARVS_KEYSCRIPT_H
#define TARVS_KEYSCRIPT_H

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace keyscript {

struct Step {
  int ticks = 0;
  std::vector<int> keys;  // virtual-key codes held during the run
  int line = 0;           // source line, for messages
};

struct Script {
  unsigned seed = 1;
  std::vector<Step> steps;
  int TotalTicks() const {
    int n = 0;
    for (const Step& s : steps) n += s.ticks;
    return n;
  }
};

// Virtual-key code of a key name, or -1.
inline int KeyCode(const std::string& name) {
  static const struct { const char* name; int code; } named[] = {
      {"LEFT", 37}, {"UP", 38}, {"RIGHT", 39}, {"DOWN", 40},
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

// Parses a script. On a bad line returns false with "line N: message".
inline bool Parse(const std::string& text, Script* out, std::string* error) {
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
      if (!(words >> v) || v.find_first_not_of("0123456789") != std::string::npos ||
          v.size() > 9) {
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

// Walks a script tick by tick.
class Replayer {
 public:
  explicit Replayer(const Script& script) : script_(script) {}
  // Fills the key table for the next tick; false when the script is over.
  bool Next(int* keys, int keyCount) {
    while (step_ < script_.steps.size() && done_ >= script_.steps[step_].ticks) {
      ++step_;
      done_ = 0;
    }
    if (step_ >= script_.steps.size()) return false;
    for (int k = 0; k < keyCount; k++) keys[k] = 0;
    for (int code : script_.steps[step_].keys)
      if (code >= 0 && code < keyCount) keys[code] = 1;
    ++done_;
    return true;
  }
  // Source line of the step that gave the last tick.
  int Line() const { return step_ < script_.steps.size() ? script_.steps[step_].line : 0; }

 private:
  const Script& script_;
  size_t step_ = 0;
  int done_ = 0;
};

}  // namespace keyscript

#endif
