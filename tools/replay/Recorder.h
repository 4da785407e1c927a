// Records a key script from a plan: a short list of goals ("walk right to
// x 30", "jump left to x 12", "shoot while a monster is in the line of
// fire") that is carried out against the running game, tick by tick, with
// the keys chosen from what the game shows at that moment. The keys of
// every tick are what gets written; replaying them gives the same run.
//
// Plan lines ('#' starts a comment):
//   seed N             seed of the C library's generator (before init)
//   right X | left X   walk until the player's x has passed X
//   jump               jump straight up and wait until landed
//   jump right X [after N]
//                      jump while walking right until x >= X, then land;
//                      with "after N" the first N ticks rise straight up
//   jump left X [after N]  likewise to the left
//   face right|left    one tick of the direction key
//   aim [T]            wait (no keys) until a shot would hit a monster, at
//                      most T ticks (default 200)
//   fire [T]           hold fire while a shot would hit a monster, at most
//                      T ticks (default 600); then let the cycle finish.
//                      A cycle that can be broken off after its shot is,
//                      with a step towards the target.
//   weapon N           one tick of key N (1..4)
//   wait N             N ticks without keys
#ifndef TARVS_RECORDER_H
#define TARVS_RECORDER_H

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CorvaneEngine.h"
#include "actors/Monsters.h"
#include "actors/Player.h"
#include "world/Level.h"

namespace recorder {

enum { K_LEFT = 37, K_UP = 38, K_RIGHT = 39, K_SPACE = 32 };

struct Goal {
  std::string verb;
  std::string dir;  // "right", "left" or empty
  float x = 0;
  int n = 0;  // tick limit, count, weapon or delay, by verb
  int line = 0;
};

// The monster the current weapon's shot would hit now, or -1: the shot's
// path is stepped as the bullets step it, without touching the game.
inline int TraceTarget() {
  const bool right = PlayerModel.rotZ == 0;
  float x = right ? Player.x + 0.8f : Player.x - 0.8f;
  const float y = right ? Player.y : Player.y + 0.3f;
  for (int s = 0; s < 1000; s++) {
    x = (float)(right ? x + 0.03 : x - 0.03);
    int m = Monsters.FindAt(x, (float)(y - 0.3), 0.01f);
    if (m != -1) return m;
    if (!CanMoveTo(x, y, 0.03f, 0.03f, WHO_BULLET)) return -1;
  }
  return -1;
}

inline bool ParsePlan(const std::string& text, unsigned* seed, std::vector<Goal>* goals,
                      std::string* error) {
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::istringstream w(raw.substr(0, raw.find('#')));
    Goal g;
    g.line = lineNo;
    if (!(w >> g.verb)) continue;
    auto bad = [&](const char* what) {
      *error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (g.verb == "seed") {
      long v;
      if (!(w >> v) || v < 0) return bad("seed needs a number");
      *seed = (unsigned)v;
      continue;
    } else if (g.verb == "right" || g.verb == "left") {
      g.dir = g.verb;
      if (!(w >> g.x)) return bad("walking needs a target x");
    } else if (g.verb == "jump") {
      if (w >> g.dir) {
        if (g.dir != "right" && g.dir != "left") return bad("jump right X or jump left X");
        if (!(w >> g.x)) return bad("a sideways jump needs a target x");
        std::string after;
        if (w >> after) {
          if (after != "after" || !(w >> g.n) || g.n < 0) return bad("jump ... after N");
        }
      }
    } else if (g.verb == "face") {
      if (!(w >> g.dir) || (g.dir != "right" && g.dir != "left")) return bad("face right|left");
    } else if (g.verb == "aim" || g.verb == "fire") {
      g.n = g.verb == "aim" ? 200 : 600;
      int t;
      if (w >> t) g.n = t;
    } else if (g.verb == "weapon") {
      if (!(w >> g.n) || g.n < 1 || g.n > 4) return bad("weapon 1..4");
    } else if (g.verb == "wait") {
      if (!(w >> g.n) || g.n < 0) return bad("wait N");
    } else {
      return bad(("unknown goal '" + g.verb + "'").c_str());
    }
    goals->push_back(g);
  }
  return true;
}

// Carries the goals out one tick at a time. Before each tick Keys() says
// which keys to hold (or that the goal is done); after the tick Observe()
// lets it see the result.
class Pilot {
public:
  explicit Pilot(const std::vector<Goal>& goals) : goals_(goals) {}

  bool Finished() const { return index_ >= goals_.size(); }
  const Goal& Current() const { return goals_[index_]; }
  std::string Failure() const { return failure_; }

  // Fills keys for the next tick; false when the plan is over or failed.
  bool Keys(std::vector<int>* keys) {
    keys->clear();
    for (;;) {
      if (!failure_.empty() || Finished()) return false;
      if (Decide(keys)) return true;
      Next();
    }
  }

private:
  void Next() {
    ++index_;
    ticks_ = 0;
    lastX_ = Player.x;
    stuck_ = 0;
    phase_ = 0;
  }
  void Fail(const std::string& why) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "plan line %d (%s): %s at x %.2f y %.2f", Current().line,
                  Current().verb.c_str(), why.c_str(), Player.x, Player.y);
    failure_ = buf;
  }
  bool Airborne() const { return Jumping; }

  // Keys for this tick of the current goal; false when it is complete.
  bool Decide(std::vector<int>* keys) {
    const Goal& g = Current();
    ++ticks_;
    if (g.verb == "right" || g.verb == "left") {
      const bool right = g.dir == "right";
      if (right ? Player.x >= g.x : Player.x <= g.x) return false;
      if (Player.x == lastX_) {
        if (++stuck_ > 40) return Fail("stuck"), false;
      } else {
        stuck_ = 0;
      }
      lastX_ = Player.x;
      keys->push_back(right ? K_RIGHT : K_LEFT);
      return true;
    }
    if (g.verb == "jump") {
      if (ticks_ > 400) return Fail("never landed"), false;
      if (phase_ == 0) {
        // Wait for the ground and for any firing cycle to end.
        if (Airborne() || Firing) return true;
        keys->push_back(K_UP);
        if (!g.dir.empty() && g.n == 0) keys->push_back(g.dir == "right" ? K_RIGHT : K_LEFT);
        phase_ = 1;
        return true;
      }
      if (!Airborne()) return false;
      if (phase_++ <= g.n) return true;
      if (g.dir == "right" && Player.x < g.x) keys->push_back(K_RIGHT);
      if (g.dir == "left" && Player.x > g.x) keys->push_back(K_LEFT);
      return true;
    }
    if (g.verb == "face") {
      if (phase_++ > 0) return false;
      keys->push_back(g.dir == "right" ? K_RIGHT : K_LEFT);
      return true;
    }
    if (g.verb == "aim") {
      if (TraceTarget() != -1) return false;
      if (ticks_ > g.n) return Fail("no monster came into the line of fire"), false;
      return true;
    }
    if (g.verb == "fire") {
      if (Airborne() && phase_ == 0) return true;
      phase_ = 1;
      if (ticks_ > g.n) return Fail("monster still alive"), false;
      if (TraceTarget() != -1) {
        // A cycle that lands on frame 49 exactly (the shotgun's) can be cut
        // short by a step towards the target, right after its shot.
        if (Firing && PlayerModel.frame == 49.0f)
          keys->push_back(PlayerModel.rotZ == 0 ? K_RIGHT : K_LEFT);
        else
          keys->push_back(K_SPACE);
        return true;
      }
      return Firing;  // let the cycle run out without a new shot
    }
    if (g.verb == "weapon") {
      if (phase_++ > 0) return false;
      if (Firing) {
        phase_ = 0;
        return true;
      }
      keys->push_back('0' + g.n);
      return true;
    }
    if (g.verb == "wait") return ticks_ <= g.n;
    return false;
  }

  const std::vector<Goal>& goals_;
  size_t index_ = 0;
  int ticks_ = 0;
  int stuck_ = 0;
  int phase_ = 0;
  float lastX_ = 0;
  std::string failure_;
};

}  // namespace recorder

#endif
