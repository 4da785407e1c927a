#include "shell/Shell.h"

float CameraHeight = 0.0f;

void InitCallback() {}
void ProcessCallback() {}
void RenderCallback() {}
