// Programs built for other systems carry no resources: every sample comes from its file.
#include "effects/sample_source.h"

namespace skyloom {

std::optional<Bytes> readWaveResource(std::string_view) { return std::nullopt; }

}  // namespace skyloom
