// Encoding through libjpeg's 6b interface into a growing memory buffer. As in the decoder, the
// error exit longjmps back into the one function that called setjmp, and everything allocated
// lives in a state record its caller frees.
#include "resources/jpeg_encode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace skyloom {

namespace {

constexpr std::size_t kInitialOutput = 64 * 1024;

struct JpegEncodeError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

struct JpegMemoryDestination {
  jpeg_destination_mgr base;
  JOCTET* buffer = nullptr;  // malloc'd; libjpeg calls back from C, so nothing here may throw
  std::size_t capacity = 0;
};

struct JpegEncodeState {
  jpeg_compress_struct cinfo;
  JpegEncodeError error;
  JpegMemoryDestination destination;
  bool created = false;
};

[[noreturn]] void encodeJumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegEncodeError*>(cinfo->err)->jump, 1);
}

void encodeDiscardMessage(j_common_ptr) {}

void initDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegMemoryDestination*>(cinfo->dest);
  d->buffer = static_cast<JOCTET*>(std::malloc(kInitialOutput));
  if (!d->buffer) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  d->capacity = kInitialOutput;
  d->base.next_output_byte = d->buffer;
  d->base.free_in_buffer = d->capacity;
}

// Called with the buffer full: double it and go on after what was written.
boolean growDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegMemoryDestination*>(cinfo->dest);
  auto* bigger = static_cast<JOCTET*>(std::realloc(d->buffer, d->capacity * 2));
  if (!bigger) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
  d->buffer = bigger;
  d->base.next_output_byte = bigger + d->capacity;
  d->base.free_in_buffer = d->capacity;
  d->capacity *= 2;
  return TRUE;
}

void termDestination(j_compress_ptr) {}

bool runEncode(JpegEncodeState* s, const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
               int components, int quality) {
  s->cinfo.err = jpeg_std_error(&s->error.base);
  s->error.base.error_exit = encodeJumpBack;
  s->error.base.output_message = encodeDiscardMessage;
  if (setjmp(s->error.jump)) return false;

  jpeg_create_compress(&s->cinfo);
  s->created = true;
  s->destination.base.init_destination = initDestination;
  s->destination.base.empty_output_buffer = growDestination;
  s->destination.base.term_destination = termDestination;
  s->cinfo.dest = &s->destination.base;
  s->cinfo.image_width = width;
  s->cinfo.image_height = height;
  s->cinfo.input_components = components;
  s->cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  jpeg_start_compress(&s->cinfo, TRUE);
  const std::size_t stride = std::size_t{width} * static_cast<std::size_t>(components);
  while (s->cinfo.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + s->cinfo.next_scanline * stride);
    jpeg_write_scanlines(&s->cinfo, &row, 1);
  }
  jpeg_finish_compress(&s->cinfo);
  return true;
}

}  // namespace

bool encodeJpeg(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, int components,
                int quality, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!pixels || width == 0 || height == 0 || width > 65500 || height > 65500) return false;
  if ((components != 1 && components != 3) || quality < 1 || quality > 100) return false;
  JpegEncodeState s{};
  const bool ok = runEncode(&s, pixels, width, height, components, quality);
  if (ok) {
    const std::size_t used = s.destination.capacity - s.destination.base.free_in_buffer;
    out.assign(s.destination.buffer, s.destination.buffer + used);
  }
  if (s.created) jpeg_destroy_compress(&s.cinfo);
  std::free(s.destination.buffer);
  return ok;
}

}  // namespace skyloom
