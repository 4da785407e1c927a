// The animated actors: the player with its three weapons, and the four
// monster kinds. Each keyframe poses a simple skeleton and emits the same
// solids in the same order; see SIZES.md for the extents and timelines.
#include <cmath>
#include <cstdio>
#include <string>

#include "Models.h"
#include "PlayerAnimations.h"

namespace mdl {

namespace {

const float kPi = 3.14159265f;

float Wave(float phase) { return std::sin(2 * kPi * phase); }
float Ease(float t) {
  t = assets::Clamp01(t);
  return t * t * (3 - 2 * t);
}
// Piecewise-linear curve through (t, value) keys, eased between keys.
float Keys(float t, std::initializer_list<std::pair<float, float>> keys) {
  const std::pair<float, float>* prev = nullptr;
  for (const auto& k : keys) {
    if (t <= k.first) {
      if (!prev) return k.second;
      return assets::Mix(prev->second, k.second, Ease((t - prev->first) / (k.first - prev->first)));
    }
    prev = &k;
  }
  return prev ? prev->second : 0;
}

// A skin with the given swatches, in order: swatch i is material i.
template <size_t N>
Skin MakeSkin(const Material (&swatches)[N]) {
  Skin skin;
  for (const Material& m : swatches) skin.Add(m.pattern, m.r, m.g, m.b);
  return skin;
}

// One line of an animation list: the frame range, the key frame (the blow
// or the shot), the speed in keyframes per tick and the name the game asks
// for.
struct AnimRange {
  int first, last, key;
  float speed;
  const char* name;
};

// The animation list file's text: one line per range.
template <size_t N>
std::string AnimationList(const AnimRange (&ranges)[N]) {
  std::string text;
  for (size_t i = 0; i < N; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "%s%d %d %d %g %s", i ? "\n" : "", ranges[i].first,
                  ranges[i].last, ranges[i].key, ranges[i].speed, ranges[i].name);
    text += line;
  }
  return text;
}

// Two-bone reach: the elbow (or knee) for a limb from s to target t with
// segment lengths a and b, bending towards `pole`.
Vec3 Elbow(Vec3 s, Vec3 t, float a, float b, Vec3 pole) {
  Vec3 d = t - s;
  float len = Len(d);
  float maxLen = (a + b) * 0.999f;
  if (len > maxLen) {
    d = d * (maxLen / len);
    len = maxLen;
  }
  if (len < 1e-4f) return s + Norm(pole) * a;
  Vec3 dir = d * (1 / len);
  float ca = (a * a + len * len - b * b) / (2 * a * len);
  ca = std::fmax(-1.f, std::fmin(1.f, ca));
  float sa = std::sqrt(1 - ca * ca);
  Vec3 p = pole - dir * Dot(pole, dir);
  p = Norm(p);
  return s + dir * (a * ca) + p * (a * sa);
}

// ------------------------------------------------------------------ biped

// Proportions of a biped, in the order the actors' tables list them.
struct BipedShape {
  float ground;  // z of the soles when standing
  float thigh, shin, ankle;
  float hipHalf;  // half distance between the hips (y)
  float torso;    // pelvis to neck
  float shoulderHalf, shoulderDrop;
  float upperArm, foreArm;
  float legW, armW;            // half widths of the limbs
  float hipW, chestW, torsoD;  // torso half widths: x at hips and chest, y depth
  Vec3 head;                   // half extents of the head box
  float neck;
};

// A biped's proportions and the skin swatch of each of its parts.
struct BipedLook : BipedShape {
  int matLeg, matBoot, matTorso, matArm, matHand, matHead, matFace, matHeadSide, matBelt;
};

struct BipedPose {
  float swingL = 0, swingR = 0;  // hip swing, degrees, + forward
  float kneeL = 5, kneeR = 5;    // knee bend, degrees
  float lean = 0;                // torso pitch forward, degrees
  float headPitch = 0;           // head nod forward
  float lift = 0;                // pelvis above the grounded height
  Vec3 handL, handR;             // hand targets in torso space (origin at pelvis)
  float fall = 0;                // whole body turned backwards about the heels
  float sink = 0;                // whole body lowered (a slump into the ground plane is clamped)
};

// Emits the biped. Returns the torso-space to model-space mapping through
// `toModel` so that held objects can be placed with the same transform.
struct BodyFrame {
  Vec3 pelvis, fwd, up, side;
  Vec3 Map(Vec3 p) const { return pelvis + fwd * p.x + side * p.y + up * p.z; }
  Vec3 Dir(Vec3 d) const { return fwd * d.x + side * d.y + up * d.z; }
};

BodyFrame Biped(Model& m, const BipedLook& L, const BipedPose& P) {
  // Legs hang from the pelvis at the origin; the pelvis is then lifted so
  // the lowest sole touches the ground.
  Vec3 down(0, 0, -1);
  Vec3 hip[2] = {{0, L.hipHalf, 0}, {0, -L.hipHalf, 0}};
  float swing[2] = {P.swingL, P.swingR}, knee[2] = {P.kneeL, P.kneeR};
  Vec3 kneeP[2], ankle[2], toe[2], heel[2];
  float lowest = 1e9f;
  for (int i = 0; i < 2; ++i) {
    kneeP[i] = hip[i] + RotY(down, -swing[i]) * L.thigh;
    ankle[i] = kneeP[i] + RotY(down, -(swing[i] - knee[i])) * L.shin;
    // The foot stays roughly flat, tipping a little with the shin.
    float tip = (swing[i] - knee[i]) * 0.3f;
    Vec3 fwd = RotY(Vec3(1, 0, 0), tip);
    toe[i] = ankle[i] + fwd * (L.ankle * 2.2f) + Vec3(0, 0, -L.ankle);
    heel[i] = ankle[i] - fwd * (L.ankle * 0.8f) + Vec3(0, 0, -L.ankle);
    lowest = std::fmin(lowest, std::fmin(toe[i].z, heel[i].z));
  }
  Vec3 pelvis(0, 0, L.ground - lowest + P.lift);
  // Torso frame, pitched forward by `lean`.
  Vec3 fwd = RotY(Vec3(1, 0, 0), P.lean), up = RotY(Vec3(0, 0, 1), P.lean), side(0, 1, 0);
  // Whole-body fall about the heel line, then a sink.
  Vec3 pivot(-L.ankle, 0, L.ground);
  auto body = [&](Vec3 p) {
    p = p + Vec3(0, 0, pelvis.z);
    return RotY(p - pivot, -P.fall) + pivot - Vec3(0, 0, P.sink);
  };
  auto bodyDir = [&](Vec3 d) { return RotY(d, -P.fall); };
  BodyFrame bf{body(Vec3(0, 0, 0)), bodyDir(fwd), bodyDir(up), side};

  for (int i = 0; i < 2; ++i) {
    Vec3 h = body(hip[i]), k = body(kneeP[i]), a = body(ankle[i]);
    m.Taper(h, k, L.legW * 1.15f, L.legW, L.matLeg);
    m.Taper(k, a, L.legW, L.legW * 0.8f, L.matLeg);
    Vec3 t = body(toe[i]), hl = body(heel[i]);
    Vec3 footUp = bodyDir(Vec3(0, 0, 1));
    m.Taper(hl + footUp * (L.ankle * 0.6f), t + footUp * (L.ankle * 0.6f), L.ankle * 0.75f,
            L.ankle * 0.6f, L.matBoot);
  }
  // Torso: hips to chest, wider at the chest.
  Vec3 neck = bf.Map(Vec3(0, 0, L.torso));
  {
    Vec3 c[8];
    for (int i = 0; i < 8; ++i) {
      bool top = i & 4;
      float wx = top ? L.chestW : L.hipW;
      float wy = top ? L.torsoD : L.torsoD * 0.85f;
      Vec3 local((i & 1 ? 1.f : -1.f) * wx, (i & 2 ? 1.f : -1.f) * wy, top ? L.torso : -0.02f);
      c[i] = bf.Map(local);
    }
    int mats[6] = {L.matTorso, L.matTorso, L.matTorso, L.matTorso, L.matTorso, L.matBelt};
    m.Hexa(c, mats);
  }
  // Belt.
  m.Box(Frame{bf.Map(Vec3(0, 0, 0.04f)), bf.fwd * (L.hipW * 1.08f), bf.side * (L.torsoD * 0.95f),
              bf.up * 0.05f},
        L.matBelt);
  // Head, nodding about the neck.
  {
    Vec3 hf = RotY(bf.fwd, P.headPitch), hu = RotY(bf.up, P.headPitch);
    Vec3 c = neck + hu * (L.neck + L.head.z);
    m.Taper(neck - bf.up * 0.02f, neck + hu * (L.neck + 0.02f), L.armW * 0.9f, L.armW * 0.9f,
            L.matArm);
    Vec3 corners[8];
    for (int i = 0; i < 8; ++i)
      corners[i] = c + hf * ((i & 1 ? 1.f : -1.f) * L.head.x) +
                   bf.side * ((i & 2 ? 1.f : -1.f) * L.head.y) +
                   hu * ((i & 4 ? 1.f : -1.f) * L.head.z);
    int mats[6] = {L.matFace, L.matHead, L.matHeadSide, L.matHeadSide, L.matHead, L.matHead};
    m.Hexa(corners, mats);
  }
  // Arms reach for the hand targets.
  for (int i = 0; i < 2; ++i) {
    float s = i == 0 ? 1.f : -1.f;
    Vec3 sh = bf.Map(Vec3(0, s * L.shoulderHalf, L.torso - L.shoulderDrop));
    Vec3 hand = bf.Map(i == 0 ? P.handL : P.handR);
    Vec3 pole = bf.Dir(Vec3(-0.4f, s * 0.5f, -1));
    Vec3 el = Elbow(sh, hand, L.upperArm, L.foreArm, pole);
    m.Box(Frame{sh, bf.fwd * (L.armW * 1.3f), bf.side * (L.armW * 1.3f), bf.up * (L.armW * 1.2f)},
          L.matTorso);
    m.Taper(sh, el, L.armW, L.armW * 0.85f, L.matArm);
    m.Taper(el, hand, L.armW * 0.85f, L.armW * 0.7f, L.matArm);
    Vec3 dir = Norm(hand - el);
    m.Taper(hand - dir * 0.02f, hand + dir * (L.armW * 2.0f), L.armW * 0.8f, L.armW * 0.7f,
            L.matHand);
  }
  return bf;
}

// ------------------------------------------------------------------ guns

// A gun placed by its grip point `o` and firing direction `dir` (in the
// x-z plane); `up` is perpendicular to it. Shapes are in gun space: x along
// the barrel from the grip, z up, y across.
struct GunFrame {
  Vec3 o, dir, up, side;
  Vec3 At(float x, float y, float z) const { return o + dir * x + side * y + up * z; }
  Frame Box(float cx, float cz, float hx, float hy, float hz) const {
    return {At(cx, 0, cz), dir * hx, side * hy, up * hz};
  }
};

struct GunMats {
  int metal, dark, wood, flash, brass;
};

// kind 0: compact machine pistol; 1: pump shotgun; 2: assault rifle.
// `flash` scales the muzzle flash (0 hides it).
void Gun(Model& m, const GunFrame& g, int kind, const GunMats& k, float flash) {
  if (kind == 0) {
    m.Box(g.Box(0.12f, 0.06f, 0.2f, 0.035f, 0.045f), k.metal);                   // body
    m.Cylinder(g.At(0.3f, 0, 0.07f), g.At(0.48f, 0, 0.07f), 0.018f, 6, k.dark);  // barrel
    m.Box(g.Box(0.0f, -0.06f, 0.03f, 0.03f, 0.07f), k.dark);                     // grip
    m.Box(g.Box(0.16f, -0.08f, 0.025f, 0.025f, 0.09f), k.dark);                  // magazine
    m.Box(g.Box(-0.14f, 0.05f, 0.07f, 0.02f, 0.03f), k.metal);                   // folded stock
    m.Star(g.At(0.52f, 0, 0.07f), 0.12f * flash, k.flash);
  } else if (kind == 1) {
    m.Cylinder(g.At(0.05f, 0, 0.07f), g.At(0.72f, 0, 0.07f), 0.025f, 6, k.dark);   // barrel
    m.Cylinder(g.At(0.05f, 0, 0.025f), g.At(0.6f, 0, 0.025f), 0.02f, 6, k.metal);  // magazine tube
    m.Box(g.Box(0.38f, 0.03f, 0.09f, 0.035f, 0.035f), k.wood);                     // pump
    m.Box(g.Box(0.04f, 0.05f, 0.08f, 0.035f, 0.045f), k.metal);                    // receiver
    m.Box(g.Box(0.0f, -0.05f, 0.025f, 0.028f, 0.06f), k.wood);                     // grip
    m.Taper(g.At(-0.04f, 0, 0.03f), g.At(-0.32f, 0, -0.03f), 0.04f, 0.055f, k.wood,
            g.side);  // stock
    m.Star(g.At(0.76f, 0, 0.07f), 0.18f * flash, k.flash);
  } else {
    m.Box(g.Box(0.1f, 0.05f, 0.16f, 0.032f, 0.045f), k.metal);                    // receiver
    m.Cylinder(g.At(0.26f, 0, 0.07f), g.At(0.66f, 0, 0.07f), 0.016f, 6, k.dark);  // barrel
    m.Box(g.Box(0.34f, 0.05f, 0.08f, 0.03f, 0.03f), k.wood);                      // handguard
    m.Box(g.Box(0.0f, -0.05f, 0.025f, 0.028f, 0.06f), k.wood);                    // grip
    // Curved magazine in two pieces.
    m.Taper(g.At(0.16f, 0, 0.0f), g.At(0.18f, 0, -0.1f), 0.03f, 0.028f, k.dark, g.side);
    m.Taper(g.At(0.18f, 0, -0.1f), g.At(0.24f, 0, -0.18f), 0.028f, 0.026f, k.dark, g.side);
    m.Taper(g.At(-0.06f, 0, 0.05f), g.At(-0.32f, 0, -0.01f), 0.035f, 0.05f, k.wood,
            g.side);                                             // stock
    m.Box(g.Box(0.62f, 0.12f, 0.008f, 0.008f, 0.025f), k.dark);  // front sight
    m.Star(g.At(0.7f, 0, 0.07f), 0.14f * flash, k.flash);
  }
}

GunFrame MakeGun(const BodyFrame& bf, Vec3 gripTorso, float pitch) {
  // pitch: degrees above the torso's forward direction.
  Vec3 d = RotY(Vec3(1, 0, 0), -pitch), u = RotY(Vec3(0, 0, 1), -pitch);
  return {bf.Map(gripTorso), bf.Dir(d), bf.Dir(u), bf.side};
}

}  // namespace

// ------------------------------------------------------------------ player

// The player and its weapons share one timeline, PLAYER_ANIMATIONS: idle,
// walk (whose last frame is the first of firing), fire, and a last frame
// that repeats frame 0.
namespace {

struct PlayerFrame {
  BipedPose pose;
  Vec3 grip;
  float pitch;
  float flash;
};

const float kGround = -1.02f;

PlayerFrame PlayerPose(int f) {
  const PlayerAnimation& idle = PLAYER_ANIMATIONS[PLAYER_IDLE];
  const PlayerAnimation& walk = PLAYER_ANIMATIONS[PLAYER_WALK];
  const PlayerAnimation& fire = PLAYER_ANIMATIONS[PLAYER_FIRE];
  PlayerFrame r;
  BipedPose& p = r.pose;
  r.grip = Vec3(0.3f, -0.06f, 0.26f);
  r.pitch = -12;
  r.flash = 0;
  if (f < walk.first || f > fire.last) {
    float ph = f > fire.last ? 0 : (f % idle.last) / (float)idle.last;
    float breath = 0.5f - 0.5f * std::cos(2 * kPi * ph);
    p.swingL = 4;
    p.swingR = -4;
    p.kneeL = p.kneeR = 6;
    p.lean = 2 + 1.5f * breath;
    p.headPitch = -2 + 3 * breath;
    p.lift = -0.012f * breath;
    r.grip = r.grip + Vec3(0, 0, 0.015f * breath);
    r.pitch = -12 - 3 * breath;
  } else if (f < fire.first) {
    const int span = walk.last - walk.first;
    float ph = ((f - walk.first) % span) / (float)span;
    float s = Wave(ph), c = std::cos(2 * kPi * ph);
    p.swingL = 32 * s;
    p.swingR = -32 * s;
    p.kneeL = 8 + 55 * std::fmax(0.f, c);
    p.kneeR = 8 + 55 * std::fmax(0.f, -c);
    p.lean = 10;
    p.headPitch = -8;
    r.grip = r.grip + Vec3(0.02f, 0, 0.02f * std::fabs(s));
    r.pitch = -8 + 3 * s;
  } else {
    // Firing: raise to the shoulder (two frames), shot and recoil (two),
    // settle back to the first pose.
    float t = (float)(f - fire.first);
    p.swingL = 14;
    p.swingR = -12;
    p.kneeL = 14;
    p.kneeR = 10;
    float recoil = Keys(t, {{1, 0}, {2, 1}, {3, 0.6f}, {5, 0.1f}, {6, 0}});
    p.lean = 4 - 6 * recoil;
    p.headPitch = -4;
    r.grip = Vec3(0.34f - 0.1f * recoil, -0.06f, 0.42f + 0.03f * recoil);
    r.pitch = 0 + 10 * recoil;
    r.flash = f == fire.shot ? 1.0f : (f == fire.shot + 1 ? 0.45f : 0.0f);
    if (f == fire.last) r.flash = 0;
  }
  return r;
}

// The player's look: swatches in skin order, proportions, and the parts
// each swatch dresses. Its weapons have skins of their own.
namespace player_look {
enum { Armour, Cloth, Boot, Glove, Helmet, Visor, HelmetSide, Belt, SkinTone };
const Material kSkin[] = {
    {Pattern::Camo, 0.32f, 0.42f, 0.22f},      {Pattern::Cloth, 0.25f, 0.27f, 0.22f},
    {Pattern::Metal, 0.16f, 0.14f, 0.12f},     {Pattern::Cloth, 0.18f, 0.16f, 0.14f},
    {Pattern::Metal, 0.3f, 0.38f, 0.22f},      {Pattern::Visor, 0.3f, 0.38f, 0.22f},
    {Pattern::HelmetSide, 0.3f, 0.38f, 0.22f}, {Pattern::Plain, 0.3f, 0.22f, 0.12f},
    {Pattern::Skin, 0.8f, 0.62f, 0.5f}};
// clang-format off
const BipedLook kLook = {
    {kGround,                // ground
     0.47f, 0.45f, 0.08f,    // thigh, shin, ankle
     0.11f, 0.6f,            // hipHalf, torso
     0.25f, 0.06f,           // shoulderHalf, shoulderDrop
     0.3f, 0.29f,            // upperArm, foreArm
     0.075f, 0.06f,          // legW, armW
     0.14f, 0.17f, 0.2f,     // hipW, chestW, torsoD
     {0.15f, 0.13f, 0.16f},  // head
     0.04f},                 // neck
    Cloth, Boot, Armour, Armour, Glove, Helmet, Visor, HelmetSide, Belt};
// clang-format on

// The three weapons: file names, metal and wood tones, and how far along
// the barrel the left hand holds each.
const char* const kGunNames[3] = {"mach", "SHOOTGUN", "hyp"};
const float kGunTones[3][3] = {{0.35f, 0.36f, 0.4f}, {0.3f, 0.3f, 0.32f}, {0.28f, 0.28f, 0.3f}};
const float kGunWoods[3][3] = {{0.2f, 0.2f, 0.22f}, {0.45f, 0.28f, 0.14f}, {0.5f, 0.3f, 0.12f}};
const float kForeEnd[3] = {0.3f, 0.4f, 0.36f};
}  // namespace player_look

}  // namespace

void BuildPlayer(const std::string& dir) {
  using namespace player_look;
  Skin skin = MakeSkin(kSkin);
  const BipedLook& L = kLook;

  // Hands: right on the grip, left on the fore end, both in torso space.
  auto handsFor = [&](PlayerFrame& pf, int gun) {
    Vec3 d = RotY(Vec3(1, 0, 0), -pf.pitch), u = RotY(Vec3(0, 0, 1), -pf.pitch);
    pf.pose.handR = pf.grip + u * -0.03f;
    pf.pose.handL = pf.grip + d * kForeEnd[gun] + u * 0.01f + Vec3(0, 0.04f, 0);
  };
  const int frames = PLAYER_MODEL_FRAMES;
  // The body holds its weapon the same way whichever is drawn; the hands
  // sit where the machine pistol's are (the others share grip and fore end
  // within a few centimetres).
  Model body = Build(skin, frames, [&](Model& m, int f) {
    PlayerFrame pf = PlayerPose(f);
    handsFor(pf, 0);
    Biped(m, L, pf.pose);
    m.Reference(Vec3(0, 0, 1.0f));
  });
  WriteModel(dir + "/player/tarva.mdl", body, 1.0f);
  WriteTga(dir + "/player/tuvra.tga", skin.Paint(101), false);

  for (int g = 0; g < 3; ++g) {
    Skin gs;
    GunMats k;
    k.metal = gs.Add(Pattern::Gun, kGunTones[g][0], kGunTones[g][1], kGunTones[g][2]);
    k.dark = gs.Add(Pattern::Metal, 0.12f, 0.12f, 0.13f);
    k.wood = gs.Add(Pattern::Wood, kGunWoods[g][0], kGunWoods[g][1], kGunWoods[g][2]);
    k.flash = gs.Add(Pattern::Flash, 1, 0.8f, 0.3f);
    k.brass = gs.Add(Pattern::Brass, 0.8f, 0.6f, 0.2f);
    Model gun = Build(gs, frames, [&](Model& m, int f) {
      PlayerFrame pf = PlayerPose(f);
      handsFor(pf, 0);
      // The body's pose decides where the torso is; place the gun with the
      // same torso frame the body used.
      Model scratch(&gs);
      scratch.BeginFrame();
      BodyFrame bf = Biped(scratch, L, pf.pose);
      Gun(m, MakeGun(bf, pf.grip, pf.pitch), g, k, pf.flash);
    });
    WriteModel(dir + "/weapons/" + kGunNames[g] + ".mdl", gun, 0);
    WriteTga(dir + "/weapons/" + kGunNames[g] + ".tga", gs.Paint(200 + g), g == 1);
    if (g > 0) {
      // The pickups: the same gun standing on its side, hovering above the
      // floor, textured with the same skin.
      Model item = Build(gs, 1, [&](Model& m, int) {
        GunFrame gf{Vec3(-0.2f, 0, -0.8f), Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 0)};
        Gun(m, gf, g, k, 0);
        m.Reference(Vec3(0, 0, 1.0f));
      });
      WriteModel(dir + "/items/" + (g == 1 ? "shoot" : "hyp") + ".mdl", item, 1.0f);
    }
  }
}

// ------------------------------------------------------------------ soldier

namespace {
namespace soldier_look {
enum { Armour, Cloth, Boot, Glove, Helmet, Face, Side, Belt, GunMetal, GunDark, Wood, Flash };
const Material kSkin[] = {
    {Pattern::Camo, 0.45f, 0.4f, 0.3f},        {Pattern::Cloth, 0.3f, 0.28f, 0.22f},
    {Pattern::Metal, 0.12f, 0.1f, 0.09f},      {Pattern::Cloth, 0.15f, 0.14f, 0.12f},
    {Pattern::Metal, 0.4f, 0.35f, 0.25f},      {Pattern::Visor, 0.55f, 0.42f, 0.35f},
    {Pattern::HelmetSide, 0.4f, 0.35f, 0.25f}, {Pattern::Plain, 0.25f, 0.18f, 0.1f},
    {Pattern::Gun, 0.25f, 0.25f, 0.27f},       {Pattern::Metal, 0.1f, 0.1f, 0.11f},
    {Pattern::Wood, 0.4f, 0.25f, 0.12f},       {Pattern::Flash, 1, 0.8f, 0.3f}};
// Drawn 0.2 below its position, which stands 1.2 above its floor: the
// soles are 1.0 below the model origin.
// clang-format off
const BipedLook kLook = {
    {-1.0f,                  // ground
     0.5f, 0.48f, 0.08f,     // thigh, shin, ankle
     0.12f, 0.62f,           // hipHalf, torso
     0.27f, 0.06f,           // shoulderHalf, shoulderDrop
     0.32f, 0.3f,            // upperArm, foreArm
     0.08f, 0.065f,          // legW, armW
     0.15f, 0.19f, 0.22f,    // hipW, chestW, torsoD
     {0.14f, 0.13f, 0.15f},  // head
     0.04f},                 // neck
    Cloth, Boot, Armour, Cloth, Glove, Helmet, Face, Side, Belt};
// clang-format on
const GunMats kGun = {GunMetal, GunDark, Wood, Flash, GunMetal};
// Walk (the last frame repeats the first), attack with the shot on its key
// frame, standing, death held by one more frame.
const AnimRange kMove = {0, 12, 0, 0.75f, "Move"};
const AnimRange kAttack = {13, 21, 16, 0.3f, "Atack"};
const AnimRange kDie = {271, 278, 278, 0.3f, "Die"};
const AnimRange kAnimations[] = {kMove, kAttack, kDie};
const int kFrames = kDie.last + 2;
}  // namespace soldier_look
}  // namespace

void BuildSoldier(const std::string& dir) {
  using namespace soldier_look;
  Skin skin = MakeSkin(kSkin);
  const BipedLook& L = kLook;
  const GunMats& k = kGun;

  Model m = Build(skin, kFrames, [&](Model& mm, int f) {
    BipedPose p;
    Vec3 grip(0.3f, -0.06f, 0.24f);
    float pitch = -14, flash = 0;
    if (f <= kMove.last) {
      float ph = (f % kMove.last) / (float)kMove.last, s = Wave(ph), c = std::cos(2 * kPi * ph);
      p.swingL = 30 * s;
      p.swingR = -30 * s;
      p.kneeL = 8 + 50 * std::fmax(0.f, c);
      p.kneeR = 8 + 50 * std::fmax(0.f, -c);
      p.lean = 8;
      p.headPitch = -6;
      grip = grip + Vec3(0, 0, 0.02f * std::fabs(s));
    } else if (f <= kAttack.last) {
      float t = (float)(f - kAttack.first);
      float aim = Keys(t, {{0, 0}, {2, 1}, {6, 1}, {8, 0}});
      float recoil = Keys(t, {{2, 0}, {3, 1}, {4, 0.3f}, {5, 0}});
      p.swingL = 16;
      p.swingR = -12;
      p.kneeL = 14;
      p.kneeR = 10;
      p.lean = 4 - 5 * recoil;
      p.headPitch = -3;
      grip = Vec3(0.3f + 0.04f * aim - 0.1f * recoil, -0.06f, 0.24f + 0.18f * aim + 0.03f * recoil);
      pitch = -14 + 14 * aim + 10 * recoil;
      flash = f == kAttack.key ? 1.0f : (f == kAttack.key + 1 ? 0.4f : 0.0f);
    } else if (f < kDie.first) {
      p.swingL = 4;
      p.swingR = -4;
      p.kneeL = p.kneeR = 6;
      p.lean = 3;
    } else {
      // Hit, knees give, falls on his back.
      const float span = (float)(kDie.last - kDie.first);
      float t = std::fmin((float)(f - kDie.first), span) / span;
      p.swingL = Keys(t, {{0, 4}, {0.4f, 30}, {1, 10}});
      p.swingR = Keys(t, {{0, -4}, {0.4f, 20}, {1, 5}});
      p.kneeL = Keys(t, {{0, 6}, {0.4f, 70}, {1, 15}});
      p.kneeR = Keys(t, {{0, 6}, {0.4f, 60}, {1, 10}});
      p.lean = Keys(t, {{0, 3}, {0.3f, -15}, {1, 0}});
      p.headPitch = Keys(t, {{0, 0}, {1, -25}});
      p.fall = Keys(t, {{0, 0}, {0.3f, 10}, {1, 86}});
      grip = Lerp(grip, Vec3(0.35f, -0.25f, 0.05f), t);
      pitch = -14 - 30 * t;
    }
    Vec3 d = RotY(Vec3(1, 0, 0), -pitch), u = RotY(Vec3(0, 0, 1), -pitch);
    p.handR = grip + u * -0.03f;
    p.handL = grip + d * 0.38f + Vec3(0, 0.04f, 0.01f);
    BodyFrame bf = Biped(mm, L, p);
    Gun(mm, MakeGun(bf, grip, pitch), 2, k, flash);
    if (f >= kDie.first) mm.SetLowest(L.ground);
    mm.Reference(Vec3(0, 0, 1.1f));
  });
  WriteModel(dir + "/enemy/soldier.mdl", m, 1.1f);
  WriteTga(dir + "/enemy/soldier.tga", skin.Paint(401), true);
  WriteText(dir + "/enemy/soldier.txt", AnimationList(kAnimations));
}

// ------------------------------------------------------------------ spider

namespace {
namespace spider_look {
enum { Chitin, Belly, Leg, Eyes, Fang, Glow };
const Material kSkin[] = {
    {Pattern::Chitin, 0.3f, 0.22f, 0.28f}, {Pattern::Chitin, 0.5f, 0.3f, 0.15f},
    {Pattern::Chitin, 0.22f, 0.16f, 0.2f}, {Pattern::SpiderEyes, 0.25f, 0.18f, 0.22f},
    {Pattern::Metal, 0.75f, 0.7f, 0.55f},  {Pattern::Flash, 0.4f, 0.6f, 1.0f}};
// Walk (the last frame repeats the first), attack spitting on its key
// frame (the last repeats the first), standing elsewhere, death held by
// one more frame.
const AnimRange kMove = {0, 8, 0, 0.7f, "Move"};
const AnimRange kAttack = {10, 20, 15, 0.35f, "Atack"};
const AnimRange kDie = {173, 178, 178, 0.25f, "Die"};
const AnimRange kAnimations[] = {kMove, kAttack, kDie};
const int kFrames = kDie.last + 2;

// Drawn at its position, which stands 1.3 above its floor.
const float kGroundZ = -1.3f;
const float kHipX[4] = {0.42f, 0.3f, 0.16f, 0.02f};
const float kFootX[4] = {0.78f, 0.36f, -0.12f, -0.56f};
const float kUpperLeg = 0.55f, kLowerLeg = 0.72f;

struct SpiderPose {
  float pitch = 0, lift = 0, roll = 0;
  Vec3 foot[8];  // 0-3 left (+y) front to back, 4-7 right
  float fangs = 0, pulse = 0, curl = 0;
};
// Standing: every foot on the floor.
SpiderPose Rest() {
  SpiderPose p;
  for (int i = 0; i < 8; ++i) {
    float s = i < 4 ? 1.f : -1.f;
    p.foot[i] = Vec3(kFootX[i % 4], s * (0.86f - 0.04f * (i % 4)), kGroundZ);
  }
  return p;
}

// Emits the spider in pose p.
void Emit(Model& m, const SpiderPose& p) {
  // Body points before pitch; pitch turns them about the rear (-0.5, 0, -0.7).
  Vec3 pivot(-0.5f, 0, -0.7f);
  auto bodyPt = [&](Vec3 v) {
    v = v + Vec3(0, 0, p.lift);
    return RotX(RotY(v - pivot, -p.pitch), p.roll) + pivot;
  };
  auto bodyDir = [&](Vec3 v) { return RotX(RotY(v, -p.pitch), p.roll); };
  Frame ceph{bodyPt({0.22f, 0, -0.74f}), bodyDir({0.3f, 0, 0}), bodyDir({0, 0.26f, 0}),
             bodyDir({0, 0, 0.18f})};
  m.Ellipsoid(ceph, 5, 8, Chitin);
  float swell = 1 + 0.12f * p.pulse;
  Frame abd{bodyPt({-0.42f, 0, -0.62f}), bodyDir({0.44f * swell, 0, 0}),
            bodyDir({0, 0.36f * swell, 0}), bodyDir({0, 0, 0.32f * swell})};
  m.Ellipsoid(abd, 6, 10, Belly);
  Frame head{bodyPt({0.52f, 0, -0.72f}), bodyDir({0.08f, 0, 0}), bodyDir({0, 0.16f, 0}),
             bodyDir({0, 0, 0.12f})};
  m.Box(head, Chitin, Eyes);
  for (int s = -1; s <= 1; s += 2) {
    Vec3 root = bodyPt({0.58f, s * 0.07f, -0.8f});
    Vec3 tip =
        bodyPt({0.72f + 0.04f * p.fangs, s * (0.05f - 0.03f * p.fangs), -0.98f + 0.1f * p.fangs});
    m.Taper(root, tip, 0.035f, 0.01f, Fang);
  }
  // Spit glow in front of the fangs while attacking.
  m.Ellipsoid(Frame{bodyPt({0.8f, 0, -0.86f}), bodyDir({0.1f * p.pulse, 0, 0}),
                    bodyDir({0, 0.1f * p.pulse, 0}), bodyDir({0, 0, 0.1f * p.pulse})},
              3, 6, Glow);
  for (int i = 0; i < 8; ++i) {
    float s = i < 4 ? 1.f : -1.f;
    Vec3 hip = bodyPt({kHipX[i % 4], s * 0.18f, -0.76f});
    Vec3 foot = p.foot[i];
    // Curling pulls the feet in under the body.
    Vec3 tuck = bodyPt({kHipX[i % 4] * 0.6f, s * 0.3f, -0.75f});
    foot = Lerp(foot, tuck, p.curl);
    Vec3 knee = Elbow(hip, foot, kUpperLeg, kLowerLeg, Vec3(0, s * 0.4f, 1));
    m.Taper(hip, knee, 0.05f, 0.04f, Leg);
    m.Taper(knee, foot, 0.04f, 0.015f, Leg);
  }
}
}  // namespace spider_look
}  // namespace

void BuildSpider(const std::string& dir) {
  using namespace spider_look;
  Skin skin = MakeSkin(kSkin);
  Model m = Build(skin, kFrames, [&](Model& mm, int f) {
    SpiderPose p = Rest();
    if (f <= kMove.last) {
      float ph = (f % kMove.last) / (float)kMove.last;
      for (int i = 0; i < 8; ++i) {
        // Alternating groups of four: left 1 and 3 with right 2 and 4.
        bool groupA = (i < 4) ? (i % 2 == 0) : (i % 2 == 1);
        float q = std::fmod(ph + (groupA ? 0.f : 0.5f), 1.0f);
        float stride = 0.34f;
        float dx, dz;
        if (q < 0.5f) {
          dx = stride * (0.5f - 2 * q);
          dz = 0;
        }  // on the ground, pushing back
        else {
          dx = stride * (2 * (q - 0.5f) - 0.5f);
          dz = 0.2f * std::sin((q - 0.5f) * 2 * kPi);
        }  // lifted forward
        p.foot[i] = p.foot[i] + Vec3(dx, 0, dz);
      }
      p.lift = 0.03f * std::fabs(Wave(ph * 2));
    } else if (f >= kAttack.first && f <= kAttack.last) {
      float t = (float)(f - kAttack.first);
      float rear = Keys(t, {{0, 0}, {4, 1}, {6, 1}, {10, 0}});
      p.pitch = 22 * rear;
      p.lift = 0.05f * rear;
      p.fangs = Keys(t, {{3, 0}, {5, 1}, {7, 0}});
      p.pulse = Keys(t, {{3, 0}, {5, 1}, {6, 0.5f}, {7, 0}});
      // Front legs leave the ground and reach up.
      for (int i : {0, 4}) p.foot[i] = p.foot[i] + Vec3(0.05f, 0, 0.55f * rear);
      for (int i : {1, 5}) p.foot[i] = p.foot[i] + Vec3(0.05f, 0, 0.15f * rear);
    } else if (f >= kDie.first) {
      const float span = (float)(kDie.last - kDie.first);
      float t = std::fmin((float)(f - kDie.first), span) / span;
      p.curl = Keys(t, {{0, 0}, {0.6f, 0.8f}, {1, 1}});
      p.roll = Keys(t, {{0, 0}, {0.5f, 12}, {1, 18}});
      p.lift = Keys(t, {{0, 0}, {0.2f, 0.1f}, {1, -0.35f}});
    }
    Emit(mm, p);
    // Dying, the body drops to the floor as the legs fold.
    if (f > kDie.first) mm.SetLowest(kGroundZ);
    mm.Reference(Vec3(0, 0, 1.0f));
  });
  WriteModel(dir + "/enemy/spider.mdl", m, 1.0f);
  WriteTga(dir + "/enemy/spider.tga", skin.Paint(301), false);
  WriteText(dir + "/enemy/spider.txt", AnimationList(kAnimations));
}

// ------------------------------------------------------------------ demon

namespace {
namespace demon_look {
enum { Hide, Dark, Face, Side, Horn, Hoof, Belly };
const Material kSkin[] = {
    {Pattern::Skin, 0.62f, 0.22f, 0.14f},      {Pattern::Skin, 0.4f, 0.12f, 0.08f},
    {Pattern::DemonFace, 0.62f, 0.22f, 0.14f}, {Pattern::DemonSide, 0.62f, 0.22f, 0.14f},
    {Pattern::Brass, 0.75f, 0.68f, 0.55f},     {Pattern::Metal, 0.15f, 0.1f, 0.08f},
    {Pattern::Chitin, 0.7f, 0.45f, 0.3f}};
// Drawn 1.2 below its position, which stands 1.2 above its floor: the
// soles are at the model origin.
// clang-format off
const BipedLook kLook = {
    {0,                      // ground
     0.45f, 0.42f, 0.11f,    // thigh, shin, ankle
     0.22f, 0.62f,           // hipHalf, torso
     0.48f, 0.14f,           // shoulderHalf, shoulderDrop
     0.44f, 0.44f,           // upperArm, foreArm
     0.16f, 0.14f,           // legW, armW
     0.34f, 0.5f, 0.4f,      // hipW, chestW, torsoD
     {0.22f, 0.2f, 0.16f},   // head
     0.0f},                  // neck
    Dark, Hoof, Hide, Hide, Dark, Hide, Face, Side, Belly};
// clang-format on
// Walk and attack, the blow landing on its key frame; the last frame of
// each repeats its first. The death is a model of its own.
const AnimRange kMove = {0, 12, 0, 0.75f, "Move"};
const AnimRange kAttack = {13, 25, 19, 0.4f, "Atack"};
const AnimRange kAnimations[] = {kMove, kAttack};
const int kFrames = kAttack.last + 1;
// The death model: the pose is held from kDeathRest on.
const int kDeathRest = 11;
const int kDeathFrames = kDeathRest + 2;
}  // namespace demon_look
}  // namespace

void BuildDemon(const std::string& dir) {
  using namespace demon_look;
  Skin skin = MakeSkin(kSkin);
  const BipedLook& L = kLook;

  auto horns = [&](Model& m, const BodyFrame& bf, float headPitch) {
    Vec3 hf = RotY(bf.fwd, headPitch), hu = RotY(bf.up, headPitch);
    Vec3 top = bf.Map(Vec3(0, 0, L.torso)) + hu * (2 * L.head.z);
    for (int s = -1; s <= 1; s += 2) {
      Vec3 root = top + bf.side * (s * 0.14f) + hf * 0.02f - hu * 0.04f;
      Vec3 mid = root + bf.side * (s * 0.12f) + hu * 0.08f - hf * 0.04f;
      Vec3 tip = mid + hu * 0.05f + hf * 0.08f;
      m.Taper(root, mid, 0.05f, 0.035f, Horn);
      m.Taper(mid, tip, 0.035f, 0.01f, Horn);
    }
  };
  auto standArms = [&](BipedPose& p, float swing) {
    p.handL = Vec3(0.22f + 0.15f * swing, 0.5f, 0.08f);
    p.handR = Vec3(0.22f - 0.15f * swing, -0.5f, 0.08f);
  };

  Model m = Build(skin, kFrames, [&](Model& mm, int f) {
    BipedPose p;
    if (f <= kMove.last) {
      float ph = (f % kMove.last) / (float)kMove.last, s = Wave(ph), c = std::cos(2 * kPi * ph);
      p.swingL = 26 * s;
      p.swingR = -26 * s;
      p.kneeL = 10 + 45 * std::fmax(0.f, c);
      p.kneeR = 10 + 45 * std::fmax(0.f, -c);
      p.lean = 20;
      p.headPitch = -16;
      standArms(p, -s);
    } else {
      float t = (float)(f - kAttack.first);
      float raise = Keys(t, {{0, 0}, {4, 1}, {5, 1}, {6, -0.3f}, {9, -0.2f}, {12, 0}});
      p.swingL = 18;
      p.swingR = -10;
      p.kneeL = 22;
      p.kneeR = 12;
      p.lean = 12 - 12 * raise;
      p.headPitch = -6;
      // Both claws come up over the head and slam down in front.
      Vec3 up(0.05f, 0, 0.95f), low(0.7f, 0, 0.15f);
      float k = raise > 0 ? raise : 0;
      float slam = raise < 0 ? -raise / 0.3f : 0;
      Vec3 mid = Lerp(Vec3(0.25f, 0, 0.1f), up, k);
      mid = Lerp(mid, low, slam);
      p.handL = mid + Vec3(0, 0.32f, 0);
      p.handR = mid + Vec3(0, -0.32f, 0);
    }
    BodyFrame bf = Biped(mm, L, p);
    horns(mm, bf, p.headPitch);
    mm.Reference(Vec3(0, 0, 2.0f));
  });
  WriteModel(dir + "/enemy/demon.mdl", m, 2.0f);
  WriteTga(dir + "/enemy/demon.tga", skin.Paint(501), true);
  WriteText(dir + "/enemy/demon.txt", AnimationList(kAnimations));

  // Death model, drawn at the walking demon's scale: staggers back, drops
  // to its knees and falls on its back, then rests.
  Model die = Build(skin, kDeathFrames, [&](Model& mm, int f) {
    float t = std::fmin((float)f, (float)kDeathRest) / (float)kDeathRest;
    BipedPose p;
    p.swingL = Keys(t, {{0, 5}, {0.4f, 40}, {1, 15}});
    p.swingR = Keys(t, {{0, -5}, {0.4f, 35}, {1, 5}});
    p.kneeL = Keys(t, {{0, 10}, {0.4f, 90}, {1, 20}});
    p.kneeR = Keys(t, {{0, 10}, {0.4f, 85}, {1, 15}});
    p.lean = Keys(t, {{0, 12}, {0.2f, -10}, {1, 0}});
    p.headPitch = Keys(t, {{0, -6}, {1, -30}});
    p.fall = Keys(t, {{0, 0}, {0.3f, 8}, {1, 87}});
    float spread = Keys(t, {{0, 0}, {1, 1}});
    p.handL = Lerp(Vec3(0.22f, 0.5f, 0.08f), Vec3(-0.1f, 0.75f, 0.6f), spread);
    p.handR = Lerp(Vec3(0.22f, -0.5f, 0.08f), Vec3(-0.1f, -0.75f, 0.6f), spread);
    BodyFrame bf = Biped(mm, L, p);
    horns(mm, bf, p.headPitch);
    mm.SetLowest(0);
  });
  WriteModel(dir + "/enemy/demonDIE.mdl", die, 0);
}

// ------------------------------------------------------------------ mutant

namespace {
namespace mutant_look {
enum { Flesh, Sore, Face, Side, Rags, Claw };
const Material kSkin[] = {
    {Pattern::Skin, 0.55f, 0.62f, 0.42f},     {Pattern::Chitin, 0.5f, 0.4f, 0.35f},
    {Pattern::MutantFace, 0.5f, 0.58f, 0.4f}, {Pattern::MutantFace, 0.5f, 0.58f, 0.4f},
    {Pattern::Cloth, 0.3f, 0.25f, 0.2f},      {Pattern::Teeth, 0.3f, 0.25f, 0.2f}};
// Drawn 0.4 below its position, which stands 1.2 above its floor: the
// soles are 0.8 below the model origin.
// clang-format off
const BipedLook kLook = {
    {-0.8f,                  // ground
     0.4f, 0.38f, 0.06f,     // thigh, shin, ankle
     0.12f, 0.58f,           // hipHalf, torso
     0.26f, 0.05f,           // shoulderHalf, shoulderDrop
     0.4f, 0.42f,            // upperArm, foreArm
     0.07f, 0.06f,           // legW, armW
     0.13f, 0.2f, 0.2f,      // hipW, chestW, torsoD
     {0.13f, 0.11f, 0.12f},  // head
     0.05f},                 // neck
    Rags, Flesh, Flesh, Flesh, Claw, Sore, Face, Side, Rags};
// clang-format on
// Shuffle and swipe, the blow landing on its key frame; the last frame of
// each repeats its first. The death is held by one more frame.
const AnimRange kMove = {0, 6, 0, 0.6f, "Move"};
const AnimRange kAttack = {7, 13, 10, 0.3f, "Atack"};
const AnimRange kDie = {14, 22, 22, 0.3f, "Die"};
const AnimRange kAnimations[] = {kMove, kAttack, kDie};
const int kFrames = kDie.last + 2;
}  // namespace mutant_look
}  // namespace

void BuildMutant(const std::string& dir) {
  using namespace mutant_look;
  Skin skin = MakeSkin(kSkin);
  const BipedLook& L = kLook;

  Model m = Build(skin, kFrames, [&](Model& mm, int f) {
    BipedPose p;
    p.lean = 42;
    p.headPitch = -38;
    if (f <= kMove.last) {
      float ph = (f % kMove.last) / (float)kMove.last, s = Wave(ph), c = std::cos(2 * kPi * ph);
      p.swingL = 28 * s + 10;
      p.swingR = -28 * s + 10;
      p.kneeL = 25 + 40 * std::fmax(0.f, c);
      p.kneeR = 25 + 40 * std::fmax(0.f, -c);
      // Long arms swing against the legs, claws near the ground.
      p.handL = Vec3(0.5f - 0.2f * s, 0.3f, -0.05f);
      p.handR = Vec3(0.5f + 0.2f * s, -0.3f, -0.05f);
    } else if (f <= kAttack.last) {
      float t = (float)(f - kAttack.first);
      float wind = Keys(t, {{0, 0}, {2, 1}, {3, -1}, {4, -0.8f}, {6, 0}});
      p.swingL = 20;
      p.swingR = -5;
      p.kneeL = 35;
      p.kneeR = 30;
      p.lean = 42 - 12 * std::fmax(0.f, wind) + 8 * std::fmax(0.f, -wind);
      p.handL = Vec3(0.5f, 0.3f, -0.05f);
      float k = std::fmax(0.f, wind), s = std::fmax(0.f, -wind);
      Vec3 hand = Lerp(Vec3(0.5f, -0.3f, -0.05f), Vec3(-0.05f, -0.35f, 0.75f), k);
      p.handR = Lerp(hand, Vec3(0.75f, -0.15f, 0.2f), s);
    } else {
      const float span = (float)(kDie.last - kDie.first);
      float t = std::fmin((float)(f - kDie.first), span) / span;
      // Knees give, then it pitches forward onto its face.
      p.swingL = Keys(t, {{0, 10}, {0.4f, 50}, {1, 5}});
      p.swingR = Keys(t, {{0, 10}, {0.4f, 45}, {1, 0}});
      p.kneeL = Keys(t, {{0, 25}, {0.4f, 100}, {1, 15}});
      p.kneeR = Keys(t, {{0, 25}, {0.4f, 90}, {1, 10}});
      p.lean = Keys(t, {{0, 42}, {1, 10}});
      p.headPitch = Keys(t, {{0, -38}, {1, -10}});
      p.fall = Keys(t, {{0, 0}, {0.4f, -15}, {1, -84}});
      p.handL = Lerp(Vec3(0.5f, 0.3f, -0.05f), Vec3(0.1f, 0.45f, 0.9f), t);
      p.handR = Lerp(Vec3(0.5f, -0.3f, -0.05f), Vec3(0.05f, -0.4f, 0.85f), t);
    }
    Biped(mm, L, p);
    if (f >= kDie.first) mm.SetLowest(L.ground);
    mm.Reference(Vec3(0, 0, 1.1f));
  });
  WriteModel(dir + "/enemy/mutant.mdl", m, 1.1f);
  WriteTga(dir + "/enemy/mutant.tga", skin.Paint(601), false);
  WriteText(dir + "/enemy/mutant.txt", AnimationList(kAnimations));
}

}  // namespace mdl
