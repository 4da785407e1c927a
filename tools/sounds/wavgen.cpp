// Sound synthesiser: the game's fourteen short effects as 16-bit mono PCM
// WAV files at 22050 Hz. Each is built from noise, oscillators and
// envelopes, then scaled so its loudest sample sits at 0.85 of full scale
// (never clipped).
//
//   wavgen DATA_DIR
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "AssetIO.h"

using namespace assets;

namespace {

const int kRate = 22050;
const float kTwoPi = 6.2831853f;

using Wave = std::vector<float>;

// One-pole low-pass filter over a whole wave; `cut` in Hz.
void LowPass(Wave& w, float cut) {
  float a = 1 - std::exp(-kTwoPi * cut / kRate), y = 0;
  for (float& s : w) {
    y += a * (s - y);
    s = y;
  }
}

Wave Make(float seconds, const std::function<float(float t, float u)>& f) {
  int n = (int)(seconds * kRate);
  Wave w(n);
  for (int i = 0; i < n; ++i) w[i] = f((float)i / kRate, (float)i / n);
  return w;
}

void Normalise(Wave& w) {
  float peak = 0;
  for (float s : w) peak = std::fmax(peak, std::fabs(s));
  if (peak > 0)
    for (float& s : w) s *= 0.85f / peak;
  // Short fades at both ends so playback starts and stops without a click.
  int fade = kRate / 400;
  for (int i = 0; i < fade && i < (int)w.size(); ++i) {
    float k = (float)i / fade;
    w[i] *= k;
    w[w.size() - 1 - i] *= k;
  }
}

float Env(float t, float attack, float decay) {
  return t < attack ? t / attack : std::exp(-(t - attack) / decay);
}

// Gunshot: a noise crack with a falling low thump; `body` in Hz.
Wave Shot(uint32_t seed, float seconds, float body, float decay, float cut) {
  Rng r(seed);
  float phase = 0;
  Wave w = Make(seconds, [&](float t, float) {
    float f = body * (1 + 2 * std::exp(-t * 40));
    phase += kTwoPi * f / kRate;
    return r.Signed() * Env(t, 0.001f, decay) +
           0.8f * std::sin(phase) * Env(t, 0.002f, decay * 1.5f);
  });
  LowPass(w, cut);
  return w;
}

// A voice-like growl: a buzzing source through a moving formant.
Wave Growl(uint32_t seed, float seconds, float f0, float f1, float formant, float rough) {
  Rng r(seed);
  float phase = 0, lp = 0, bp = 0;
  return Make(seconds, [&](float t, float u) {
    float f = Mix(f0, f1, u) * (1 + rough * 0.08f * std::sin(kTwoPi * 23 * t));
    phase += f / kRate;
    phase -= std::floor(phase);
    float src = (phase * 2 - 1) + rough * 0.5f * r.Signed();
    // State-variable band-pass around the formant frequency.
    float fc = 2 * std::sin(3.14159f * Mix(formant, formant * 0.6f, u) / kRate);
    lp += fc * bp;
    float hp = src - lp - 0.3f * bp;
    bp += fc * hp;
    float env = Env(t, 0.03f, seconds * 0.35f) * (u < 0.85f ? 1 : (1 - u) / 0.15f);
    return (bp * 0.7f + src * 0.15f) * env;
  });
}

// The shotgun: a heavy blast, then the pump's two clicks.
Wave ShotgunBlast() {
  Wave w = Shot(12, 0.9f, 80, 0.12f, 3000);
  Rng r(13);
  for (int k = 0; k < 2; ++k) {
    int at = (int)((0.5f + 0.15f * k) * kRate);
    for (int i = 0; i < 600 && at + i < (int)w.size(); ++i)
      w[at + i] += 0.5f * r.Signed() * std::exp(-i / 80.0f);
  }
  return w;
}

// A door sliding open: a rising rumble with a hiss of air.
Wave DoorOpen() {
  Rng r(21);
  float ph = 0;
  Wave w = Make(0.8f, [&](float t, float u) {
    ph += kTwoPi * (55 + 30 * u) / kRate;
    float rumble = std::sin(ph) + 0.5f * std::sin(ph * 2.01f);
    float hiss = r.Signed() * Smooth(0.0f, 0.2f, u) * (1 - u);
    return (0.6f * rumble + 0.5f * hiss) * Env(t, 0.05f, 0.4f);
  });
  LowPass(w, 2500);
  return w;
}

// A weapon picked up: two metallic clacks.
Wave WeaponPickup() {
  Rng r(31);
  Wave w = Make(0.35f, [&](float t, float) {
    float a = t < 0.12f ? Env(t, 0.001f, 0.015f) : Env(t - 0.12f, 0.001f, 0.02f);
    return (r.Signed() * 0.6f + std::sin(kTwoPi * 2400 * t) * 0.5f) * a;
  });
  LowPass(w, 7000);
  return w;
}

// An item picked up: two rising tones.
Wave ItemPickup() {
  return Make(0.3f, [](float t, float) {
    float f = t < 0.1f ? 880.0f : 1320.0f;
    float tt = t < 0.1f ? t : t - 0.1f;
    return (std::sin(kTwoPi * f * t) + 0.3f * std::sin(kTwoPi * 2 * f * t)) *
           Env(tt, 0.005f, 0.08f);
  });
}

// The spider's death: a falling shriek over a burst of noise.
Wave SpiderDeath() {
  Wave a = Growl(51, 0.9f, 900, 250, 2200, 0.8f);
  Rng r(52);
  for (size_t i = 0; i < a.size(); ++i)
    a[i] += 0.3f * r.Signed() * std::exp(-(float)i / kRate / 0.3f);
  return a;
}

// The mutant's death: a growl with a wet gurgle, the level wobbling at a
// few hertz.
Wave MutantDeath() {
  Wave w = Growl(81, 0.9f, 150, 70, 700, 1.0f);
  for (size_t i = 0; i < w.size(); ++i)
    w[i] *= 0.6f + 0.4f * std::sin(kTwoPi * 9 * (float)i / kRate);
  return w;
}

// The spider's plasma shot: a falling zap.
Wave PlasmaShot() {
  float ph = 0;
  return Make(0.4f, [&](float t, float u) {
    ph += kTwoPi * Mix(1800, 300, std::sqrt(u)) / kRate;
    return (std::sin(ph) + 0.4f * std::sin(ph * 3)) * Env(t, 0.003f, 0.12f);
  });
}

// The mutant's swipe: a snarl and the swish of its claws.
Wave MutantSwipe() {
  Wave w = Growl(111, 0.45f, 200, 260, 900, 0.7f);
  Rng r(112);
  Wave swish = Make(0.45f, [&](float, float u) { return r.Signed() * std::sin(3.14159f * u); });
  LowPass(swish, 1800);
  for (size_t i = 0; i < w.size(); ++i) w[i] += 0.8f * swish[i];
  return w;
}

struct Sound {
  const char* name;
  std::function<Wave()> make;
};

// Every effect by file name, in the order they are written.
const Sound kSounds[] = {
    {"dspistol", [] { return Shot(11, 0.35f, 140, 0.05f, 5000); }},
    {"dsshotgn", ShotgunBlast},
    {"dsbdopn", DoorOpen},
    {"dswpnup", WeaponPickup},
    {"dsitemup", ItemPickup},
    {"dsnoway", [] { return Growl(41, 0.3f, 110, 90, 500, 0.2f); }},
    {"dskntdth", SpiderDeath},
    {"dssgtdth", [] { return Growl(61, 1.0f, 95, 45, 420, 0.9f); }},
    {"SOLDETH3", [] { return Growl(71, 0.8f, 320, 140, 1100, 0.3f); }},
    {"Mutdeth1", MutantDeath},
    {"dsplasma", PlasmaShot},
    {"dssgtatk", [] { return Growl(91, 0.5f, 70, 110, 380, 0.9f); }},
    {"Solatck1", [] { return Shot(101, 0.4f, 110, 0.07f, 3800); }},
    {"mutatck3", MutantSwipe},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wavgen DATA_DIR\n");
    return 2;
  }
  std::string d = std::string(argv[1]) + "/sounds/";
  for (const Sound& s : kSounds) {
    Wave w = s.make();
    Normalise(w);
    WriteBytes(d + s.name + ".wav", EncodeWav(w, kRate));
  }
  return 0;
}
