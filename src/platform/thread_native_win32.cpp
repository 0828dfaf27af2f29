#include <windows.h>

#include "platform/thread_native.h"

namespace skyloom::thread_native {

namespace {

constexpr int kPriorities[7] = {
    THREAD_PRIORITY_IDLE,    THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL,
};

}  // namespace

// GetCurrentThread() is a pseudo handle that means "the caller" wherever it is used, so the
// thread duplicates it into a real handle the owner can use.
void* openCurrentThread() {
  HANDLE handle = nullptr;
  const HANDLE process = GetCurrentProcess();
  if (!DuplicateHandle(process, GetCurrentThread(), process, &handle,
                       THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION, FALSE, 0)) {
    return nullptr;
  }
  return handle;
}

void closeThread(void* handle) {
  if (handle) CloseHandle(static_cast<HANDLE>(handle));
}

bool setPriority(void* handle, int level) {
  if (!handle || level < 0 || level > 6) return false;
  return SetThreadPriority(static_cast<HANDLE>(handle), kPriorities[level]) != 0;
}

}  // namespace skyloom::thread_native
