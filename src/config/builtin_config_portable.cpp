#include "config/builtin_config.h"

namespace skyloom {

ByteSpan builtInConfig() { return {}; }

}  // namespace skyloom
