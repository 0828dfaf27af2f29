// Programs built for other systems carry no resources: every file comes from the disk or a pack.
#include "platform/program_resource.h"

namespace skyloom {

std::optional<Bytes> readProgramResource(std::string_view, ProgramResourceType) { return std::nullopt; }

}  // namespace skyloom
