#pragma once
// The screen saver proper: the framework's hooks filled with the flight scene, one Scene per
// render unit, the camera with its saved state and the rule that F1 makes a run interactive.

#include <array>
#include <memory>
#include <vector>

#include "aircraft/camera.h"
#include "app/saver_app_win32.h"
#include "app/scene.h"
#include "config/camera_settings.h"
#include "config/settings_root.h"
#include "config/view_state.h"
#include "effects/sound_effects.h"
#include "player/audio_pipeline.h"
#include "player/music_control.h"

namespace skyloom {

class Registry;

class SceneApp : public SaverApp, public ScreenValuesWriter {
 public:
  SceneApp(SettingsRoot& settings, Registry& registry);
  ~SceneApp() override;

  void loadScreenSettings() override;
  // Config mode: the settings dialog, whose OK saves the settings and the per-screen choices.
  void openSettings() override;
  LRESULT handleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  void selectUnit(int index) override;
  HRESULT acceptDevice(const D3DCAPS9& caps, DWORD behaviour, D3DFORMAT format) override;
  HRESULT createDeviceResources() override;
  HRESULT acquireVideoResources() override;
  HRESULT advanceFrame() override;
  void countFrameRate() override;
  HRESULT render() override;
  HRESULT dropVideoResources() override;
  HRESULT destroyDeviceResources() override;
  // The framework's handling with the interactive rule of F1.
  virtual LRESULT defaultHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // The per-screen choices, written beside "installdir" when the settings are saved.
  void writeScreenValues(RegistryKey& key) override;

 private:
  void handleSceneInput(UINT message, WPARAM wparam, LPARAM lparam);
  void handleInterfaceInput(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void startSoundEffects();
  void startMusic();
  void reportStartUp();
  SceneConfig sceneConfig();
  // The camera's placement (rows right, up, look, eye) and the device's view transform, its
  // inverse.
  const Matrix& cameraWorld() const { return camera_.world(); }
  const Matrix& cameraView() const { return camera_.view(); }
  // The ground under the camera: the current scene's terrain, flat at 0 without one.
  float groundHeight(float x, float z) const;

  SettingsRoot& settings_;
  Registry& registry_;
  CameraSettings cameraSettings_;
  Camera camera_;            // works on cameraSettings_'s record and the shared input state
  KeptLayout layout_;        // the interface's layout between scenes and runs
  bool viewLoaded_ = false;  // "Kelvane.ini" is read once, when the first scene is made
  // One for the whole run, started with the main window; silent when sound is off or fails.
  // Before the scenes, whose units hold its voices: it goes after them.
  SoundEffects soundEffects_;
  bool soundStarted_ = false;
  // The music engine's pipelines play on sound devices the builder keeps for the whole run; it
  // goes after the session, whose shutdown ends the last pipeline.
  AudioPipelineBuilder musicPipelines_;
  std::unique_ptr<MusicControl> music_;
  std::vector<std::unique_ptr<Scene>> slots_;
  std::size_t currentSlot_ = 0;  // the render unit selected last
  Scene* current_ = nullptr;
  int frameCounter_ = 0;
  std::uint64_t reportedAt_ = 0;  // milliseconds, the timer's clock
  // Seconds after the process started at which the first scene's device was ready, the scene
  // was made and it was restored on the device.
  std::array<double, 3> startMarks_{};
  bool wasMaximised_ = false;
};

}  // namespace skyloom
