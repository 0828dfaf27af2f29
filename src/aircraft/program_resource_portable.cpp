// Programs built for other systems carry no resources: every name is absent.
#include "aircraft/unit_description_library.h"

namespace skyloom {

std::optional<Bytes> readProgramResource(std::string_view) { return std::nullopt; }

}  // namespace skyloom
