#pragma once
// The interface of the player's plug-in libraries, found in the "plugins" folder of the install
// directory: "*.plf" read playlist formats, "*.mdf" read track information, "*.ppp" describe
// portable players. None ships with the program. A plug-in exports
//
//   extern "C" const SkyloomPlugin* Initialize(void);
//
// answering its table (or null to decline); a library without "Initialize" is not a plug-in.
// Plain C, so a plug-in may be written in C or C++ and built with any compiler.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SKYLOOM_PLUGIN_VERSION 1u
#define SKYLOOM_PLUGIN_TEXT 256

// What an information reader fills in about a track; texts are NUL-terminated.
typedef struct SkyloomTrackInfo {
  char artist[SKYLOOM_PLUGIN_TEXT];
  char album[SKYLOOM_PLUGIN_TEXT];
  char title[SKYLOOM_PLUGIN_TEXT];
  char genre[SKYLOOM_PLUGIN_TEXT];
  char comment[SKYLOOM_PLUGIN_TEXT];
  char year[SKYLOOM_PLUGIN_TEXT];
  int32_t track;
  int32_t seconds;
  int32_t bitRate;
  int32_t sampleRate;
} SkyloomTrackInfo;

typedef void (*SkyloomAddEntry)(void* context, const char* url);

typedef struct SkyloomPlugin {
  uint32_t version;  // SKYLOOM_PLUGIN_VERSION
  void* instance;    // handed back to every call
  // Playlist formats: the n-th file extension (without the dot) the plug-in reads, null after
  // the last; and reading such a list, calling add for each entry; 0 on success.
  const char* (*formatExtension)(void* instance, int32_t n);
  int32_t (*readList)(void* instance, const char* url, SkyloomAddEntry add, void* context);
  // Information readers: fills info for the track at url; 0 when it knew something.
  int32_t (*readInfo)(void* instance, const char* url, SkyloomTrackInfo* info);
  // Portable players: the n-th device's description, null after the last.
  const char* (*deviceDescription)(void* instance, int32_t n);
} SkyloomPlugin;

typedef const SkyloomPlugin* (*SkyloomPluginInitialize)(void);

#ifdef __cplusplus
}
#endif
