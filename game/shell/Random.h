// The game's one source of chance: our own generator, reduced modulo n,
// 0 when n is 0. Monsters, blood and sparks draw from it in a fixed order,
// so a fixed seed replays a run exactly. The number of draws taken is
// counted, so a recorded run can check that it is at the same place in the
// generator's sequence.
//
// The generator is an additive lagged-Fibonacci one (lags 3 and 31) seeded
// by the 16807 multiplicative generator, with the first 310 outputs thrown
// away and the lowest bit of each sum dropped. That is the sequence the GNU
// C library's rand() gives after srand(seed), which is what the recorded
// demos were made with; carrying it ourselves gives the same game, number for
// number, whatever C library the program runs on (others have a different
// sequence and range).
#ifndef TARVS_RANDOM_H
#define TARVS_RANDOM_H

#include <cstdint>

class TRandom {
public:
  static const int Degree = 31;            // length of the feedback table
  static const int Separation = 3;         // distance between the two taps
  static const int MaxValue = 0x7fffffff;  // largest value Next returns

  explicit TRandom(unsigned seed = 1) { Seed(seed); }

  void Seed(unsigned seed) {
    if (seed == 0) seed = 1;
    table[0] = static_cast<uint32_t>(seed);
    // table[i] = 16807 * table[i-1] mod (2^31 - 1), computed in 32-bit
    // signed steps (Schrage's method) exactly as the reference does, so
    // seeds of 2^31 and above come out the same too.
    int32_t word = static_cast<int32_t>(seed);
    for (int i = 1; i < Degree; i++) {
      const int64_t hi = word / 127773;
      const int64_t lo = word % 127773;
      word = static_cast<int32_t>(16807 * lo - 2836 * hi);
      if (word < 0) word += 2147483647;
      table[i] = static_cast<uint32_t>(word);
    }
    front = Separation;
    rear = 0;
    for (int i = 0; i < 10 * Degree; i++) Next();
  }

  // The next number, 0 .. MaxValue.
  int Next() {
    const uint32_t sum = table[front] += table[rear];
    if (++front >= Degree) {
      front = 0;
      ++rear;
    } else if (++rear >= Degree) {
      rear = 0;
    }
    return static_cast<int>(sum >> 1);
  }

private:
  uint32_t table[Degree];
  int front, rear;
};

// The game's generator and the numbers drawn from it since SeedRandom.
inline TRandom GameRandom;
inline unsigned long long RandomDraws = 0;

// A number 0 .. n-1 (n > 0), 0 when n is 0.
inline int RandomBelow(int n) {
  if (!n) return 0;
  ++RandomDraws;
  return GameRandom.Next() % n;
}

// Seeds the generator and restarts the count of draws.
inline void SeedRandom(unsigned seed) {
  GameRandom.Seed(seed);
  RandomDraws = 0;
}

#endif
