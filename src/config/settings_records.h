#pragma once
// The fixed records of the settings sections, byte for byte as they lie in "config.ini" and
// "Kelvane.ini". The type tag and the words marked as references are stored but never read
// back (older files hold in-memory addresses there).

#include <cstddef>
#include <cstdint>

#include "core/math.h"

namespace skyloom {

struct RootRecord {
  std::uint32_t typeTag = 0;
  std::int32_t size = 28;
  std::uint32_t nameRef = 0;
  std::uint32_t refs[4] = {};
};

constexpr std::size_t kTerrainNameSize = 128;

struct GeneralRecord {
  std::uint32_t typeTag = 0;
  std::int32_t size = 204;
  std::uint32_t nameRef = 0;
  std::int32_t terrainQuality = 1;  // 1 to 3; -1 in preview runs
  std::int32_t viewAngle = 90;      // degrees, 60 to 120
  std::int32_t cloudAmount = 200;   // 1 to 500
  std::int32_t treeAmount = 70;     // 1 to 200
  std::int32_t soundOn = 1;
  std::int32_t seaLevel = 0;  // 0 to 9999
  std::int32_t flags[4] = {1, 1, 1, 0};
  std::uint32_t skyColour = 0xFF304090;  // ARGB
  std::uint32_t fogColour1 = 0xFF10208F;
  std::uint32_t fogColour2 = 0xFF3070CF;
  std::uint32_t cloudColour = 0xFFFFFFFF;
  std::uint32_t lightColour = 0xFFFFFFFF;
  // "random", "bmp" or a file of "tem\". Before any config.ini exists: "bmp", the height field
  // made from the packed picture, which needs no terrain files.
  char terrainName[kTerrainNameSize] = "bmp";
  std::uint32_t scanListRef = 0;
};

struct AircraftRecord {
  std::uint32_t typeTag = 0;
  std::int32_t size = 24;
  std::uint32_t nameRef = 0;
  std::int32_t trailsOn = 1;
  std::int32_t trailLength = 50;  // 1 to 100
  std::uint32_t listRef = 0;
};

constexpr int kSelectedDirectorySlots = 256;

struct MusicRecord {
  std::uint32_t typeTag = 0;
  std::int32_t size = 1068;
  std::uint32_t nameRef = 0;
  std::int32_t flag = 0;
  std::int32_t enabled = 1;  // 0: no music player at all
  // Off until the user asks for them: the panel's clock and spectrum show either way, and the
  // saver is watched more than it is operated.
  std::int32_t showPlayButtons = 0;
  std::int32_t maximumFiles = 99;
  std::int32_t playMode = 8;  // 0 to 8
  std::int32_t randomiseOrder = 1;
  // Indexes into the directory list, ended by the first negative value.
  std::int32_t selectedDirectories[kSelectedDirectorySlots];
  std::uint32_t fileListRef = 0;
  std::uint32_t directoryListRef = 0;

  MusicRecord() {
    for (std::int32_t& d : selectedDirectories) d = -1;
  }
};

struct CameraModeSlot {
  float distance = 90.0f;
  Matrix offset = Matrix::identity();
};

constexpr int kCameraKeys = 16;
constexpr int kCameraModeSlots = 8;

struct CameraRecord {
  std::uint32_t typeTag = 0;
  std::int32_t size = 1260;
  std::uint32_t nameRef = 0;
  // Up, Down, Insert, Delete, End, Home, Left, Right, Page Up, Page Down, Home, End, R, L,
  // Control, Shift.
  std::int32_t keys[kCameraKeys] = {38, 40, 45, 46, 35, 36, 37, 39, 33, 34, 36, 35, 82, 76, 17, 16};
  float storedValue = 0.0f;  // kept for the camera, restored on load
  std::uint8_t unused80[16] = {};
  float followDistance = 90.0f;
  float minFollowDistance = 30.0f;
  std::uint8_t unused104[24] = {};
  Matrix view = startView();
  std::uint8_t unused192[128] = {};
  Matrix freeView = startView();
  std::uint8_t unused384[16] = {};
  std::int32_t mode = 0;  // 0 free camera, 1 to 7 follow modes
  CameraModeSlot slots[kCameraModeSlots];
  std::uint8_t unused948[312] = {};

  // Level, looking along +z, from (50000, 5000, 50000).
  static Matrix startView() {
    Matrix m = Matrix::identity();
    m.m[3][0] = 50000.0f;
    m.m[3][1] = 5000.0f;
    m.m[3][2] = 50000.0f;
    return m;
  }
};

static_assert(sizeof(Matrix) == 64);
static_assert(sizeof(RootRecord) == 28);
static_assert(sizeof(GeneralRecord) == 204);
static_assert(offsetof(GeneralRecord, skyColour) == 52 && offsetof(GeneralRecord, terrainName) == 72);
static_assert(sizeof(AircraftRecord) == 24);
static_assert(sizeof(MusicRecord) == 1068);
static_assert(offsetof(MusicRecord, selectedDirectories) == 36 && offsetof(MusicRecord, fileListRef) == 1060);
static_assert(sizeof(CameraModeSlot) == 68);
static_assert(sizeof(CameraRecord) == 1260);
static_assert(offsetof(CameraRecord, storedValue) == 76 && offsetof(CameraRecord, followDistance) == 96);
static_assert(offsetof(CameraRecord, view) == 128 && offsetof(CameraRecord, freeView) == 320);
static_assert(offsetof(CameraRecord, mode) == 400 && offsetof(CameraRecord, slots) == 404);

}  // namespace skyloom
