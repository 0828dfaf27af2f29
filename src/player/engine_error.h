#pragma once
// The music engine's result codes. Every engine operation that can fail answers one of these 72
// codes (0 is success); the numbers are fixed because the engine's units pass them to each other
// and log them as numbers. The texts give each code's meaning; nothing shows them to the user.

#include <cstdint>

namespace skyloom {

enum EngineError : std::int32_t {
  kErrorNone = 0,
  kErrorUnknown = 1,
  kErrorInvalidParam = 2,
  kErrorLoadLibrary = 3,
  kErrorFindFunction = 4,
  kErrorNoFiles = 5,
  kErrorNoPrefs = 6,
  kErrorBufferTooSmall = 7,
  kErrorOutOfMemory = 8,
  kErrorFileNoAccess = 9,
  kErrorFileExists = 10,
  kErrorInvalidArg = 11,
  kErrorFileNotFound = 12,
  kError_FileNoHandles = 13,
  kError_NoMoreLibDirs = 14,
  kErrorNullValueInvalid = 15,
  kError_InvalidError = 16,
  kErrorPluginNotInitialized = 17,
  kError_GotDefaultMethod = 18,
  kErrorInputUnsuccessful = 19,
  kErrorSeekNotSupported = 20,
  kErrorOutputUnsuccessful = 21,
  kErrorInitFailed = 22,
  kErrorInitFailedSafely = 23,
  kErrorNoDataAvailable = 24,
  kErrorSeekFailed = 25,
  kErrorCreateThread = 26,
  kError_BufferingUp = 27,
  kError_Interrupt = 28,
  kError_EventPending = 29,
  kErrorProgrammer = 30,
  kErrorNoPrefValue = 31,
  kErrorSyntax = 32,
  kErrorEndOfStream = 33,
  kErrorConnectFailed = 34,
  kErrorCreateSocket = 35,
  kErrorSetSocketOptions = 36,
  kErrorBindSocket = 37,
  kErrorDatabaseNotStored = 38,
  kErrorParse = 39,
  kErrorNotFound = 40,
  kErrorNoMoreFormats = 41,
  kErrorFormatNotSupported = 42,
  kErrorNoMoreDevices = 43,
  kErrorDeviceNotFound = 44,
  kErrorFeatureNotSupported = 45,
  kErrorUserCancel = 46,
  kErrorLoadBitmap = 47,
  kErrorProtocolNotSupported = 48,
  kErrorInvalidUrl = 49,
  kErrorHostNotFound = 50,
  kErrorIo = 51,
  kErrorUnknownServerError = 52,
  kErrorBadHttpRequest = 53,
  kErrorAccessNotAuthorized = 54,
  kErrorAccessForbidden = 55,
  kErrorRangeNotAcceptable = 56,
  kErrorWriteFile = 57,
  kErrorReadFile = 58,
  kErrorInvalidVersion = 59,
  kErrorAlreadyUpdating = 60,
  kErrorDeleteFile = 61,
  kErrorCopyFile = 62,
  kErrorNoItemsUpdated = 63,
  kErrorDatabaseNotWorking = 64,
  kErrorDuplicateItem = 65,
  kErrorItemNotFound = 66,
  kErrorRequestedFileNotFound = 67,
  kErrorCdInit = 68,
  kErrorCdPlay = 69,
  kErrorDownloadDenied = 70,
  kError_LastError = 71,
};

constexpr int kEngineErrorCount = 72;

// The meaning of `code`; codes outside the table answer the text of kErrorUnknown. Never null.
const char* engineErrorText(std::int32_t code);

}  // namespace skyloom
