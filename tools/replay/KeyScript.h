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

#include <cstddef>
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
int KeyCode(const std::string& name);

// Parses a script. On a bad line returns false with "line N: message".
bool Parse(const std::string& text, Script* out, std::string* error);

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
