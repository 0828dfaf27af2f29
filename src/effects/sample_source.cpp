#include "effects/sample_source.h"

#include <string>

#include "core/file.h"
#include "core/paths.h"
#include "platform/program_resource.h"

namespace skyloom {

bool loadSampleBytes(std::string_view name, Bytes& out) {
  if (name.empty()) return false;
  if (std::optional<Bytes> resource = readProgramResource(name, ProgramResourceType::Wave)) {
    out = std::move(*resource);
    return true;
  }
  return readWholeFile(nativePath(name), out);
}

}  // namespace skyloom
