#pragma once
// VirtualSoundOutput: a SoundOutput without a sound card. Every buffer's play cursor advances
// with a clock the owner moves (advance), at the rate of the buffer's format (or its set
// frequency), wrapping when looping and stopping at the end otherwise; the bytes passed over are
// appended to the buffer's played record, so a test can compare what was "heard". Duplicates
// share their original's memory. Every call is recorded as DirectSound would take it; failures
// can be injected.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/sound_output.h"

namespace skyloom {

struct VirtualSoundConfig {
  bool failCooperativeLevel = false;
  bool failPrimaryBuffer = false;
  bool failListener = false;
  bool failSecondaryBuffers = false;
  bool failDuplicates = false;
  // Bytes a buffer keeps in its played record at most (older bytes are dropped first).
  std::size_t playedRecordLimit = 16u << 20;
};

// What the virtual output knows of one buffer, for tests.
struct VirtualBufferState {
  SoundBufferDesc desc;
  bool playing = false;
  bool looping = false;
  std::uint32_t playCursor = 0;
  std::int32_t volume = 0;
  std::uint32_t frequency = 0;
  std::int32_t pan = 0;
  Sound3DParameters parameters3D;       // applied values
  std::vector<std::uint8_t> played;     // bytes passed over by the play cursor, in order
  int playCalls = 0;
  int stopCalls = 0;
  bool lost = false;  // since loseBuffers, until restore
};

class VirtualSoundOutput final : public SoundOutput {
 public:
  explicit VirtualSoundOutput(const VirtualSoundConfig& config = {});
  ~VirtualSoundOutput() override;

  HResult setCooperativeLevel(std::uintptr_t window, std::uint32_t level) override;
  HResult createSoundBuffer(const SoundBufferDesc& desc, std::unique_ptr<SoundBuffer>& out) override;
  HResult duplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& out) override;
  HResult queryListener(SoundBuffer& primary, std::unique_ptr<SoundListener>& out) override;

  // Moves the clock: every playing buffer's cursor advances by seconds of its own rate.
  void advance(double seconds);
  // As when another program takes the device: every secondary buffer stops and is lost until
  // it is restored, and its bytes are gone (restore leaves them zero).
  void loseBuffers();

  std::uint32_t cooperativeLevel() const;
  // Buffers made so far that still live, in creation order (the primary buffer included).
  std::vector<const VirtualBufferState*> buffers() const;
  // The listener's applied parameters (after immediate sets and commits); commits counted.
  const SoundListenerParameters& listener() const;
  int commits() const;

  struct Shared;  // the state buffers and the listener share with the output

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace skyloom
