#pragma once
// Where a sound sample's bytes come from: first a program resource of type "WAVE" with the
// sample's name, otherwise the file of that name (a program path such as "wav\tkkp.wav",
// relative to the install directory the program runs in).

#include <optional>
#include <string_view>

#include "core/bytes.h"

namespace skyloom {

// The resource, else the file read whole; false when neither exists (out is then unchanged).
// Samples are small, so the file is read rather than mapped: one copy, and nothing to unmap.
bool loadSampleBytes(std::string_view name, Bytes& out);

}  // namespace skyloom
