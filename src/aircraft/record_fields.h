#pragma once
// Field helpers shared by the aircraft file formats: fixed-size, NUL-padded names and
// little-endian vectors of three floats.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/bytes.h"
#include "core/math.h"

namespace skyloom {

// The name in a field of field bytes: up to its first NUL, or all of it when there is none.
inline std::string fixedString(const std::uint8_t* p, std::size_t field) {
  const auto* c = reinterpret_cast<const char*>(p);
  return std::string(c, static_cast<std::size_t>(std::find(c, c + field, '\0') - c));
}

// Writes s into a field of field bytes, cut to field - 1 characters and NUL-padded.
inline void putString(std::uint8_t* p, const std::string& s, std::size_t field) {
  std::memset(p, 0, field);
  std::memcpy(p, s.data(), std::min(s.size(), field - 1));
}

inline Vec3 readVec3(const std::uint8_t* p) { return {readLEFloat(p), readLEFloat(p + 4), readLEFloat(p + 8)}; }

inline void writeVec3(std::uint8_t* p, const Vec3& v) {
  writeLEFloat(p, v.x);
  writeLEFloat(p + 4, v.y);
  writeLEFloat(p + 8, v.z);
}

}  // namespace skyloom
