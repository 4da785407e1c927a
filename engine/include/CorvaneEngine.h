// CorvaneEngine — the one public header of the engine library.
//
// Everything a game may call, embed or read is declared here, grouped by
// module. A game links against libCorvaneEngine.so and includes this file
// only; SDL, OpenAL and other platform headers never appear here.
//
// Conventions: plain classes with public fields, fixed-size arrays, module
// state in exported globals (leading underscore), amounts per 20 ms tick,
// angles in degrees, colours as four floats 0..1, no exceptions. Loaders
// log failures to "EngineLog.txt" and carry on.
#ifndef CORVANE_ENGINE_H
#define CORVANE_ENGINE_H

#include <cstddef>
#include <cstdint>

#if defined(CORVANE_STATIC)
#define CORVANE_API
#elif defined(CORVANE_BUILDING)
#define CORVANE_API __attribute__((visibility("default")))
#else
#define CORVANE_API
#endif

// OpenGL object names as the engine hands them out.
typedef unsigned int GLTexture;

// ============================================================ Sound buffers
// (module: sound)

// ============================================================ Log
// (module: log)

// ============================================================ Shaders
// (module: shaders)

// ============================================================ Drawing state, camera, primitives
// (module: primitives)

// ============================================================ Textures
// (module: textures)

// ============================================================ Sprites and fonts
// (module: sprites and fonts)

// ============================================================ Frustum and picking
// (module: frustum)

// ============================================================ Models
// (module: models)

// ============================================================ Particles
// (module: particles)

// ============================================================ Menu widgets
// (module: menu)

// ============================================================ Lifecycle, window, loop, input globals
// (module: lifecycle)

// ============================================================ GL start-up and screenshots
// (module: glinit and screenshot)

#endif // CORVANE_ENGINE_H
