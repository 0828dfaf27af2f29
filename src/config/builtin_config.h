#pragma once
// The default configuration carried inside the program as the resource "Orbalind.ini"
// (RT_RCDATA), used when there is no "config.ini". It is generated at build time from the
// settings' own defaults (tools/settingsgen).

#include "config/settings_section.h"

namespace skyloom {

constexpr const char* kBuiltInConfigName = "Orbalind.ini";

// The resource's bytes; empty where the program carries none (the portable build).
ByteSpan builtInConfig();

}  // namespace skyloom
