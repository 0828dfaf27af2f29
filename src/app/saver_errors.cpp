#include "app/saver_errors.h"

namespace skyloom {
namespace {

constexpr SaverErrorText kTexts[] = {
#define SAVER_ERROR(code, id, text) {static_cast<HResult>(code##u), id, text},
#include "app/saver_error_list.inc"
#undef SAVER_ERROR
};

}  // namespace

std::span<const SaverErrorText> saverErrorTexts() { return kTexts; }

const SaverErrorText& saverErrorText(HResult code) {
  for (const SaverErrorText& e : kTexts) {
    if (e.code == code) return e;
  }
  return kTexts[0];
}

}  // namespace skyloom
