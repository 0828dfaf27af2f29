#include "platform/thread_native.h"

// Native builds run the program's workers for tests and tools only; their scheduling priority
// does not matter there, so levels are accepted and ignored.

namespace skyloom::thread_native {

void* openCurrentThread() { return nullptr; }
void closeThread(void*) {}
bool setPriority(void*, int level) { return level >= 0 && level <= 6; }

}  // namespace skyloom::thread_native
