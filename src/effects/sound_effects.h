#pragma once
// SoundEffects: the units' positional engine sounds. Four rows of samples, each loaded once into
// a buffer and duplicated so several sources can play it at once; ten voice numbers shared by
// the sources; a listener that follows the camera. Voices and the listener change about 30
// times a second, which is as often as the mixer can take deferred 3D settings without cost.
//
// One object for the whole run. Any failure to start leaves it silent, and every later call on a
// silent object returns at once; a sample that cannot be loaded silences its row only.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "aircraft/unit_description.h"
#include "core/bytes.h"
#include "core/index_stack.h"
#include "core/math.h"
#include "platform/audio/sound_output.h"

namespace skyloom {

// One row of samples: the file it is loaded from and how many buffers play it.
struct SampleRow {
  const char* file;
  int buffers;
};

class SoundEffects {
 public:
  static constexpr int kRowCount = 4;
  static constexpr int kEngineRow = 3;
  static constexpr int kVoiceCount = 10;  // voice numbers 1..10; 0 is "no voice"
  static constexpr std::array<SampleRow, kRowCount> kRows{{
      {"wav\\tkkp.wav", 20},
      {"wav\\tkbz.wav", 20},
      {"wav\\fjfs.wav", 20},
      {"plane.wav", 10},
  }};
  static constexpr float kEngineRange = 9000.0f;     // units from the eye
  static constexpr float kGateSeconds = 0.033f;      // about 30 updates a second
  static constexpr float kWobbleLimit = 1000.0f;     // seconds on the wobble clock
  static constexpr float kWobbleSpeed = 20.0f;       // sideways listener speed, units per second
  static constexpr std::int32_t kBufferVolume = -100;  // hundredths of a decibel

  SoundEffects();
  ~SoundEffects();
  SoundEffects(const SoundEffects&) = delete;
  SoundEffects& operator=(const SoundEffects&) = delete;

  // Takes the output to play through and the window that owns the sound focus (an HWND as an
  // integer). False, and silent from then on, when the output is missing or refuses the
  // cooperative level, the primary buffer or its listener. A second call starts over.
  bool init(std::unique_ptr<SoundOutput> output, std::uintptr_t window);
  bool silent() const { return listener_ == nullptr; }

  // A free voice for a source of the row: 0 when the object is silent, the row has no
  // buffers or all ten voices are taken.
  int acquireVoice(int row);
  // While the gate is open: moves the voice's buffer to the source (deferred until the
  // listener commits) and keeps it playing in a loop.
  void updateVoice(int row, int voice, const Vec3& position, const Vec3& velocity);
  // Stops the voice's buffer and gives the number back. A voice that is not held is ignored,
  // so a second release cannot put a number in the pool twice.
  void releaseVoice(int row, int voice);
  // Once per frame from the camera: eye position, its look and up vectors, the frame's seconds.
  void updateListener(const Vec3& eye, const Vec3& look, const Vec3& up, float dt);

  // One unit's engine sound, from the unit's step. voice is the unit's held voice (0: none).
  // Within range of the eye, with engine sounds on and the unit alive, the unit holds a voice of
  // the engine row placed at its smoke point (lastSmoke: the last smoke attachment of its
  // description, null when it has none); otherwise a held voice is released.
  void engine(int& voice, const Vec3& unitPosition, const Matrix& unitWorld, const Vec3& velocity,
              const AttachmentPoint* lastSmoke, const Vec3& eye, bool alive);

  // The "S" key of the flight scene; on at start.
  bool engineSoundsOn() const { return engineSoundsOn_; }
  void toggleEngineSounds() { engineSoundsOn_ = !engineSoundsOn_; }

  // For the tests and the status of the program.
  int rowBuffers(int row) const;
  int freeVoices() const { return freeVoices_.size(); }
  bool gateOpen() const { return gateOpen_; }
  float wobbleClock() const { return wobbleClock_; }

 private:
  struct Row {
    std::vector<std::unique_ptr<SoundBuffer>> buffers;  // [0] holds the sample, the rest share it
    Bytes sample;                                       // kept to refill a lost buffer
  };

  void shutdown();
  bool createPrimary(std::uintptr_t window);
  void loadRow(int row);
  bool setUpBuffer(SoundBuffer& buffer, int index);
  static bool fillBuffer(SoundBuffer& buffer, std::span<const std::uint8_t> sample);
  SoundBuffer* voiceBuffer(int row, int voice);
  void playLooping(Row& row, SoundBuffer& buffer);

  // Declared first so it is destroyed last: no buffer outlives its output.
  std::unique_ptr<SoundOutput> output_;
  std::unique_ptr<SoundBuffer> primary_;
  std::unique_ptr<SoundListener> listener_;
  SoundListenerParameters listenerStart_;
  std::array<Row, kRowCount> rows_;
  IndexStack freeVoices_{kVoiceCount};
  std::array<bool, kVoiceCount + 1> held_{};

  Vec3 previousEye_;
  bool havePreviousEye_ = false;  // the first update has nothing to measure a speed against
  float elapsed_ = 0;     // seconds since the listener last changed
  float gateTimer_ = 0;
  float wobbleClock_ = 0;
  bool gateOpen_ = true;  // the first frame places the listener
  bool engineSoundsOn_ = true;
};

// The last smoke attachment of a description's list, or null when it has none: the engine sound
// comes from where the exhaust is.
const AttachmentPoint* lastSmokePoint(std::span<const AttachmentPoint> attachments);

}  // namespace skyloom
