#pragma once
// HRESULT-style result codes: negative means failure, zero success, small positives are
// successful variants. The values are the Windows ones so they pass through unchanged.

#include <cstdint>

namespace skyloom {

using HResult = std::int32_t;

constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;  // success, but nothing was done
constexpr HResult kFail = static_cast<HResult>(0x80004005u);
constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001u);
constexpr HResult kPointer = static_cast<HResult>(0x80004003u);
constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005u);
constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002u);

constexpr bool succeeded(HResult hr) { return hr >= 0; }
constexpr bool failed(HResult hr) { return hr < 0; }

}  // namespace skyloom
