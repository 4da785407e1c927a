// Audio: the sound device behind the exported `_dsound` pointer, one
// OpenAL device with its context, opened with the window and closed at
// shutdown after every buffer on it has been released.
#include "Internal.h"
#include "Cp1251.h"

TSoundDevice* _dsound = nullptr;

void OpenSoundDevice() {
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) {
    AddToLog(RU("Звуковое устройство не найдено, игра идёт без звука."));
    return;
  }
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    AddToLog(RU("Звуковое устройство не найдено, игра идёт без звука."));
    return;
  }
  _dsound = new TSoundDevice;
  _dsound->device = device;
  _dsound->context = context;
  ApplyMasterVolume();
}

void CloseSoundDevice() {
  if (!_dsound) return;
  ReleaseSoundBuffers();
  alcMakeContextCurrent(nullptr);
  if (_dsound->context) alcDestroyContext(_dsound->context);
  if (_dsound->device) alcCloseDevice(_dsound->device);
  delete _dsound;
  _dsound = nullptr;
}
