#pragma once
// The frame's failure codes and their texts (the list is saver_error_list.inc). Any code not in
// the list shows the generic text, string id 2100.

#include <cstdint>
#include <span>

#include "core/result.h"

namespace skyloom {

constexpr HResult kSaverNoDirect3D = static_cast<HResult>(0x82000001u);
constexpr HResult kSaverNoDevice = static_cast<HResult>(0x82000003u);
constexpr HResult kSaverNoDeviceType = static_cast<HResult>(0x82000005u);
constexpr HResult kSaverResizeFailed = static_cast<HResult>(0x8200000Cu);
constexpr HResult kSaverDeviceObjects = static_cast<HResult>(0x8200000Du);
constexpr HResult kSaverUnitFailed = static_cast<HResult>(0x8200000Eu);
constexpr HResult kSaverPreviewFailed = static_cast<HResult>(0x8200000Fu);

constexpr unsigned kGenericErrorTextId = 2100;

struct SaverErrorText {
  HResult code;
  unsigned stringId;
  const char* text;  // what the string table holds under stringId
};

std::span<const SaverErrorText> saverErrorTexts();
// The entry for code, or the generic one.
const SaverErrorText& saverErrorText(HResult code);

}  // namespace skyloom
