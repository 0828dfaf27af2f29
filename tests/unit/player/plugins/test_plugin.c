/* Plug-ins for the playlist's tests, built twice: as "testlist.plf", which reads ".tlst" lists
   (one URL a line), and as "testinfo.mdf", which names every track "about <url>" after a short
   pause, so that its information passes are still running when a test clears the list. */
#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <windows.h>
#define EXPORT __declspec(dllexport)
#else
#include <time.h>
#define EXPORT __attribute__((visibility("default")))
#endif

#include "player/plugin_api.h"

#ifdef TEST_PLUGIN_LIST
static const char* formatExtension(void* instance, int32_t n) {
  (void)instance;
  return n == 0 ? "tlst" : NULL;
}

static int32_t readList(void* instance, const char* url, SkyloomAddEntry add, void* context) {
  char line[512];
  FILE* file = fopen(url, "r");
  (void)instance;
  if (!file) return 1;
  while (fgets(line, sizeof line, file)) {
    line[strcspn(line, "\r\n")] = '\0';
    if (line[0]) add(context, line);
  }
  fclose(file);
  return 0;
}
#define FORMAT_EXTENSION formatExtension
#define READ_LIST readList
#define READ_INFO NULL
#else
static int32_t readInfo(void* instance, const char* url, SkyloomTrackInfo* info) {
  (void)instance;
#ifdef _WIN32
  Sleep(20);
#else
  {
    struct timespec pause = {0, 20 * 1000 * 1000};
    nanosleep(&pause, NULL);
  }
#endif
  snprintf(info->title, sizeof info->title, "about %s", url);
  info->seconds = 42;
  return 0;
}
#define FORMAT_EXTENSION NULL
#define READ_LIST NULL
#define READ_INFO readInfo
#endif

static const SkyloomPlugin plugin = {SKYLOOM_PLUGIN_VERSION, NULL, FORMAT_EXTENSION, READ_LIST, READ_INFO, NULL};

EXPORT const SkyloomPlugin* Initialize(void) { return &plugin; }
