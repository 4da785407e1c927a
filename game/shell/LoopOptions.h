// TARVS's options for the engine's loop: vsync, the frame cap and frames
// drawn between ticks.
#ifndef TARVS_LOOP_OPTIONS_H
#define TARVS_LOOP_OPTIONS_H

struct TLoopOptions {
  int vsync = -1;  // -1 the engine's default, 0 off, 1 on
  int fps = -1;    // -1 the display's refresh rate, 0 unlimited
  bool smooth = true;
};

// Reads the option at argv[*i] when it is one of these (taking its value
// too, *i moved past it): 1. Not one of these: 0. A bad or missing value:
// -1, after one line on stderr.
int ParseLoopOption(int argc, char** argv, int* i, TLoopOptions* options);

// Hands the options to the engine before it starts.
void ApplyLoopOptions(const TLoopOptions& options);

#endif
