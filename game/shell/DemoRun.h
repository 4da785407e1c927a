// TARVS's demo modes: --record, --play (with --speed), --verify and
// --timedemo. The shell's callbacks are wrapped so that the game's modules
// run exactly as in a normal game and only the keys they read each tick
// are taken from, or written to, the demo.
#ifndef TARVS_DEMO_RUN_H
#define TARVS_DEMO_RUN_H

namespace demorun {

// Whether `name` is one of the demo options (each takes one value).
bool IsOption(const char* name);
// Takes a demo option and its value; false (one line on stderr) when the
// value is bad or a second demo mode is asked for.
bool SetOption(const char* name, const char* value);

struct Callbacks {
  void (*process)();
  void (*init)();
  void (*render)();
};

// Before StartEngine, in the folder holding data/: reads or creates the
// demo and puts the mode's callbacks in place of the game's. Verification
// runs headless (no window, no sound), so it may change the environment
// and *fullScreen. screenWidth x screenHeight is the logical screen given
// to StartEngine. False (one line on stderr) when the mode cannot run.
bool Prepare(Callbacks* callbacks, bool* fullScreen, int screenWidth, int screenHeight);

// After StartEngine returned `started`: finishes the mode and prints its
// result; the program's exit status.
int Finish(int started);

}  // namespace demorun

#endif
