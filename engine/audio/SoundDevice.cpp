// Audio: the sound device behind the exported `_dsound` pointer, one
// OpenAL device with its context, opened with the window and closed at
// shutdown after every buffer on it has been released.
//
// Opening a device can take a good while (the library tries its back-ends
// one after another), so StartEngine opens it on a thread of its own while
// the window and the GL context are made, and waits for it just before the
// game's init callback runs: by then `_dsound` is what it would have been,
// and every call that needs the device (loading a sound, closing) waits
// for an open still under way. Only the thread touches OpenAL until the
// wait; its outcome is logged by the thread that waits.
#include "Internal.h"
#include "Cp1251.h"

#include <SDL2/SDL.h>

TSoundDevice* _dsound = nullptr;

namespace {

// An open running on its thread: set by the thread, read after the wait.
struct TPendingOpen {
  SDL_Thread* thread = nullptr;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
} g_pending;

// Opens the default device and makes a context of it current. Both null
// when either step fails (nothing is left open).
void OpenDefaultDevice(ALCdevice** deviceOut, ALCcontext** contextOut) {
  *deviceOut = nullptr;
  *contextOut = nullptr;
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return;
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return;
  }
  *deviceOut = device;
  *contextOut = context;
}

int OpenOnThread(void*) {
  OpenDefaultDevice(&g_pending.device, &g_pending.context);
  return 0;
}

// Makes an opened device the engine's, or says there is none.
void Publish(ALCdevice* device, ALCcontext* context) {
  if (!device) {
    AddToLog(RU("Звуковое устройство не найдено, игра идёт без звука."));
    return;
  }
  _dsound = new TSoundDevice;
  _dsound->device = device;
  _dsound->context = context;
  ApplyMasterVolume();
}

}  // namespace

void StartSoundDeviceOpen() {
  if (_dsound || g_pending.thread) return;
  g_pending.device = nullptr;
  g_pending.context = nullptr;
  g_pending.thread = SDL_CreateThread(OpenOnThread, "CorvaneSound", nullptr);
  // No thread to be had: open it here and now instead.
  if (!g_pending.thread) OpenSoundDevice();
}

void AwaitSoundDevice() {
  if (!g_pending.thread) return;
  SDL_WaitThread(g_pending.thread, nullptr);
  g_pending.thread = nullptr;
  Publish(g_pending.device, g_pending.context);
  g_pending.device = nullptr;
  g_pending.context = nullptr;
}

void OpenSoundDevice() {
  AwaitSoundDevice();
  if (_dsound) return;
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  OpenDefaultDevice(&device, &context);
  Publish(device, context);
}

void CloseSoundDevice() {
  AwaitSoundDevice();
  if (!_dsound) return;
  ReleaseSoundBuffers();
  alcMakeContextCurrent(nullptr);
  if (_dsound->context) alcDestroyContext(_dsound->context);
  if (_dsound->device) alcCloseDevice(_dsound->device);
  delete _dsound;
  _dsound = nullptr;
}
