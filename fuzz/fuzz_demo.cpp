// The demo reader: a recorded run's header, key changes and state checks,
// then the key feed a replay walks it with.
#include <cstdint>

#include "DemoFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  demo::Demo d;
  const demo::ReadResult r = demo::Parse(data, size, &d);
  if (r.status != demo::ReadStatus::kOk && r.problem.empty()) __builtin_trap();
  if (r.status == demo::ReadStatus::kDamaged && (!d.ticks.empty() || !d.toggles.empty()))
    __builtin_trap();
  const uint32_t ticks = static_cast<uint32_t>(d.ticks.size());
  uint32_t last = 0;
  for (const demo::KeyToggle& t : d.toggles) {
    if (t.tick < last || t.tick >= ticks) __builtin_trap();
    last = t.tick;
  }
  for (const demo::Checkpoint& c : d.checkpoints)
    if (c.tick > ticks) __builtin_trap();
  if (r.status == demo::ReadStatus::kDamaged) return 0;
  demo::KeyFeed feed(d);
  bool held[demo::kKeyCount];
  for (uint32_t t = 0; t < ticks; t++) feed.Next(held);
  // A demo read whole writes back into one that reads the same.
  if (r.status == demo::ReadStatus::kOk) {
    const std::string again = demo::Encode(d);
    demo::Demo e;
    if (demo::Parse(reinterpret_cast<const unsigned char*>(again.data()), again.size(), &e)
                .status != demo::ReadStatus::kOk ||
        e.ticks.size() != d.ticks.size() || e.toggles.size() != d.toggles.size() ||
        e.checkpoints.size() != d.checkpoints.size())
      __builtin_trap();
  }
  return 0;
}
