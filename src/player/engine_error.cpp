#include "player/engine_error.h"

namespace skyloom {
namespace {

// Indexed by code. Codes 13, 14, 16, 18, 27, 28, 29 and 71 never had a sentence of their own;
// their name stands in for it.
constexpr const char* kTexts[] = {
    "The operation was successful",
    "An unknown error occurred",
    "An invalid parameter was used",
    "There was an error loading the library",
    "Could not find the function",
    "No files were found",
    "Unable to locate preferences",
    "The buffer was too small to hold the data",
    "Memory allocation failed",
    "Access to the file is denied",
    "The file already exists",
    "An invalid argument was used",
    "The file was not found",
    "kError_FileNoHandles",
    "kError_NoMoreLibDirs",
    "A NULL value is invalid",
    "kError_InvalidError",
    "The plugin was not initialized",
    "kError_GotDefaultMethod",
    "Input was unsuccessful",
    "Seeking is not supported",
    "Output was unsuccessful",
    "Initialization failed",
    "Initialization failed safely",
    "No data is available",
    "The seek operation failed",
    "The thread was not created",
    "kError_BufferingUp",
    "kError_Interrupt",
    "kError_EventPending",
    "Hey, you screwed up",
    "No preference value was found",
    "There was an error in the syntax",
    "Reached the end of the stream",
    "Failed to connect to host",
    "Failed to create socket",
    "Unable to set socket options",
    "Cannot bind socket",
    "The database item was not stored",
    "There was an error parsing the file",
    "Error, not found",
    "There are no more formats left to iterate",
    "The requested format is not supported",
    "There are no more devices left to iterate",
    "The requested device was not found",
    "The requested feature is not supported",
    "The operation was cancelled by the user",
    "Unable to load bitmap image",
    "The requested protocol is not supported",
    "The URL is invalid",
    "Unable to locate host",
    "An I/O error occurred",
    "There was an unknown server error",
    "A bad HTTP request was made",
    "Access is not authorized",
    "Access is forbidden",
    "The requested range is not acceptable",
    "Could not write to the file",
    "Could not read from the file",
    "Invalid version",
    "An update is already being performed",
    "Failed to delete file",
    "Failed to copy file",
    "No items were updated",
    "The database is not working",
    "Duplicate database item",
    "The requested item was not found",
    "The requested file was not found",
    "Failed to initialize your CD-ROM",
    "Cannot play CD track",
    "Download denied",
    "kError_LastError",
};
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kEngineErrorCount);
static_assert(kError_LastError == kEngineErrorCount - 1);

}  // namespace

const char* engineErrorText(std::int32_t code) {
  if (code < 0 || code >= kEngineErrorCount) return kTexts[kErrorUnknown];
  return kTexts[code];
}

}  // namespace skyloom
