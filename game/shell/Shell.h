// The game's three engine callbacks and the camera offset the shell keeps.
#ifndef TARVS_SHELL_H
#define TARVS_SHELL_H

extern float CameraHeight;

void InitCallback();
void ProcessCallback();
void RenderCallback();
// The frame's drawing as RenderCallback does it, without the smoothing
// around it.
void DrawScene();

#endif
