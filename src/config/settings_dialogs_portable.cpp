// Systems without the Win32 dialogs: the sections handle no dialog messages, as the base does.
#include "config/aircraft_settings.h"
#include "config/general_settings.h"
#include "config/music_settings.h"

namespace skyloom {

std::intptr_t GeneralSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                          std::intptr_t lparam) {
  return SettingsSection::dialogProc(window, message, wparam, lparam);
}

std::intptr_t AircraftSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                           std::intptr_t lparam) {
  return SettingsSection::dialogProc(window, message, wparam, lparam);
}

std::intptr_t MusicSettings::dialogProc(void* window, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
  return SettingsSection::dialogProc(window, message, wparam, lparam);
}

}  // namespace skyloom
