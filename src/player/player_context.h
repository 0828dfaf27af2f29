#pragma once
// What every object of one music engine shares: the preferences, the log, the playlist, the
// player, the process arguments. Made by the music session, which frees it last.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/player_log.h"
#include "player/preferences.h"

namespace skyloom {

class MusicPlayer;
class PipelineBuilder;
class PlaylistManager;

struct PlayerContext {
  std::unique_ptr<Preferences> preferences;
  std::unique_ptr<PlayerLog> log;
  PlaylistManager* playlist = nullptr;  // the player's
  MusicPlayer* player = nullptr;
  PipelineBuilder* pipelines = nullptr;  // makes the playback pipelines
  std::vector<std::string> arguments;    // the process's, the program's name first
  std::uint32_t flags = 0;               // bit 0: the "save" switch was given
};

}  // namespace skyloom
