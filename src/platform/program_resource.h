#pragma once
// Files built into the program as resources: the last place a file name is looked for (raw data,
// RT_RCDATA), and sound samples (type "WAVE"). Programs built for other systems carry none.

#include <optional>
#include <string_view>

#include "core/bytes.h"

namespace skyloom {

enum class ProgramResourceType {
  RawData,  // RT_RCDATA
  Wave,     // "WAVE"
};

// The resource's bytes, or nothing when the program carries no such resource.
std::optional<Bytes> readProgramResource(std::string_view name, ProgramResourceType type);

}  // namespace skyloom
