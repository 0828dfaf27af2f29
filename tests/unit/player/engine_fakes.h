#pragma once
// Stand-ins for the music engine's tests: a playback pipeline that "plays" a number of frames
// on a thread of its own and then reports the end of its stream, and sinks and targets that
// record what they are told.
//
// The fake reads its part from the URL: "missing:..." cannot be opened (the input reports an
// error and set-up fails), "bad:..." opens but does not decode (the decoder reports an error
// once playback starts), "late:..." reports the end of its track as it is destroyed (a track that
// ended just as it was stopped), "name#N" plays N frames (default: the builder's).

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/sound_output.h"
#include "platform/audio/virtual_sound_output.h"
#include "player/pipeline.h"
#include "player/player_event.h"
#include "player/sound_devices.h"

namespace skyloom::testing {

class FakePipeline : public PlaybackPipeline {
 public:
  FakePipeline(EventTarget& target, std::atomic<int>& live, int frames, std::chrono::microseconds frameTime)
      : target_(target), live_(live), frames_(frames), frameTime_(frameTime) {
    ++live_;
  }
  ~FakePipeline() override {
    if (late_) target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::TrackDone));
    {
      std::lock_guard lock(mutex_);
      exiting_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    --live_;
  }

  std::int32_t setTo(const std::string& url) override {
    if (url.rfind("missing:", 0) == 0) {
      target_.acceptEvent(std::make_unique<TextEvent>(EventKind::ErrorText, "cannot open " + url));
      target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::ErrorStop));
      return 12;
    }
    bad_ = url.rfind("bad:", 0) == 0;
    late_ = url.rfind("late:", 0) == 0;
    if (const auto hash = url.rfind('#'); hash != std::string::npos) frames_ = std::stoi(url.substr(hash + 1));
    if (!bad_) {
      auto info = std::make_unique<MediaInfoEvent>(static_cast<float>(frames_) * 0.026f, url);
      StreamDescription d;
      d.frameCount = frames_;
      d.secondsPerFrame = 0.026f;
      info->addNested(std::make_unique<StreamInfoEvent>(d));
      target_.acceptEvent(std::move(info));
    }
    thread_ = std::thread([this] { play(); });
    return 0;
  }
  void pause() override {
    std::lock_guard lock(mutex_);
    playing_ = false;
  }
  void resume() override {
    {
      std::lock_guard lock(mutex_);
      playing_ = true;
    }
    wake_.notify_all();
  }

 private:
  void play() {
    int frame = 0;
    for (;;) {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return exiting_ || playing_; });
      if (exiting_) return;
      lock.unlock();
      if (bad_) {
        target_.acceptEvent(std::make_unique<TextEvent>(EventKind::ErrorText, "not an audio stream"));
        target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::ErrorStop));
        return;
      }
      if (frame >= frames_) {
        target_.acceptEvent(std::make_unique<PlayerEvent>(EventKind::TrackDone));
        return;
      }
      ++frame;
      const float t = static_cast<float>(frame) * 0.026f;
      target_.acceptEvent(std::make_unique<TimeInfoEvent>(0, 0, static_cast<int>(t), t));
      std::this_thread::sleep_for(frameTime_);
    }
  }

  EventTarget& target_;
  std::atomic<int>& live_;
  int frames_;
  std::chrono::microseconds frameTime_;
  bool bad_ = false;
  bool late_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool playing_ = false;
  bool exiting_ = false;
  std::thread thread_;
};

class FakeBuilder : public PipelineBuilder {
 public:
  explicit FakeBuilder(int frames = 3, std::chrono::microseconds frameTime = std::chrono::microseconds(200))
      : frames_(frames), frameTime_(frameTime) {}
  std::unique_ptr<PlaybackPipeline> build(PlayerContext&, EventTarget& target) override {
    ++built;
    return std::make_unique<FakePipeline>(target, live, frames_, frameTime_);
  }
  std::atomic<int> built{0};
  std::atomic<int> live{0};

 private:
  int frames_;
  std::chrono::microseconds frameTime_;
};

// Records the kinds it hears; tests wait for what they expect.
class RecordingSink : public EventSink {
 public:
  std::int32_t acceptEvent(const PlayerEvent& event) override {
    if (event.kind() == EventKind::QuitRequest && answerQuitTo) {
      answerQuitTo->acceptEvent(std::make_unique<PlayerEvent>(EventKind::SinkQuit));
    }
    {
      std::lock_guard lock(mutex_);
      kinds_.push_back(event.kind());
      if (onEvent) onEvent(event);
    }
    changed_.notify_all();
    return 0;
  }
  // The kinds heard so far, only those in filter when one is given.
  std::vector<std::int32_t> kinds(const std::vector<std::int32_t>& filter = {}) const {
    std::lock_guard lock(mutex_);
    std::vector<std::int32_t> out;
    for (std::int32_t k : kinds_) {
      if (filter.empty() || std::find(filter.begin(), filter.end(), k) != filter.end()) out.push_back(k);
    }
    return out;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    kinds_.clear();
  }
  // Waits (at most 5 s) until kind has been heard count times.
  bool waitFor(std::int32_t kind, int count = 1) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5),
                             [&] { return std::count(kinds_.begin(), kinds_.end(), kind) >= count; });
  }
  std::function<void(const PlayerEvent&)> onEvent;  // called under the sink's lock
  EventTarget* answerQuitTo = nullptr;              // where a quit request is confirmed

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::int32_t> kinds_;
};

// A target that keeps what is posted to it (the playlist's announcements).
class RecordingTarget : public EventTarget {
 public:
  std::int32_t acceptEvent(std::unique_ptr<PlayerEvent> event) override {
    std::lock_guard lock(mutex_);
    if (event) events.push_back(std::move(event));
    return 0;
  }
  std::vector<std::int32_t> kinds() {
    std::lock_guard lock(mutex_);
    std::vector<std::int32_t> out;
    for (const auto& e : events) out.push_back(e->kind());
    return out;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    events.clear();
  }
  std::vector<std::unique_ptr<PlayerEvent>> events;

 private:
  std::mutex mutex_;
};

// Silent MPEG-1 Layer III frames at 128 kbit/s: header, empty side information, zero main
// data. rateIndex 0 is 44.1 kHz (417 bytes a frame, 4,608 bytes of stereo PCM), 1 is 48 kHz
// (384 bytes).
inline std::vector<std::uint8_t> silentLayer3Frames(int count, int rateIndex = 0, bool mono = false) {
  const std::size_t size = rateIndex == 0 ? 417 : 384;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    std::vector<std::uint8_t> f(size, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = static_cast<std::uint8_t>(9 << 4 | rateIndex << 2);
    f[3] = static_cast<std::uint8_t>((mono ? 3 : 0) << 6);
    bytes.insert(bytes.end(), f.begin(), f.end());
  }
  return bytes;
}

// Files in the temporary folder, removed with this object. Their names carry a tag of this
// process: ctest runs tests side by side, each in a process of its own.
class TempFiles {
 public:
  static const std::string& processTag() {
    static const std::string tag = [] {
      std::random_device device;
      return std::to_string(device()) + "_";
    }();
    return tag;
  }
  ~TempFiles() {
    std::error_code ignored;
    for (const auto& f : files_) std::filesystem::remove(f, ignored);
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("skyloom_" + processTag() + name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    files_.push_back(path);
    return path.string();
  }

 private:
  std::vector<std::filesystem::path> files_;
};

// One sound device whose outputs come from make (a virtual output, or one wrapped around it).
inline SoundSystem oneSoundDevice(std::function<std::unique_ptr<SoundOutput>()> make) {
  return SoundSystem{[](std::vector<SoundDeviceInfo>& out) {
                       out.assign(1, SoundDeviceInfo{});
                       return kOk;
                     },
                     [make](const SoundDeviceInfo*, std::unique_ptr<SoundOutput>& out) {
                       out = make();
                       return kOk;
                     },
                     [] { return std::uintptr_t{0x1234}; }};
}

// One sound device whose outputs are virtual; made points at the latest one.
inline SoundSystem oneVirtualSoundDevice(VirtualSoundOutput*& made) {
  return oneSoundDevice([&made] {
    auto sound = std::make_unique<VirtualSoundOutput>();
    made = sound.get();
    return sound;
  });
}

}  // namespace skyloom::testing
