#pragma once
// What WorkerThread needs from the operating system, one implementation per system.

namespace skyloom::thread_native {

// A handle through which another thread can change the calling thread's priority, or null.
void* openCurrentThread();
void closeThread(void* handle);
// Sets the priority level (0 to 6) of the thread behind handle; false when the system refuses.
bool setPriority(void* handle, int level);

}  // namespace skyloom::thread_native
